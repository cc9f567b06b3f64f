#include "tools/hostkit/plugin/instance_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/hostkit/gl/texture.h"

namespace hostkit {
namespace {

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// Drains GL errors; answers the first one.
GLenum TakeGlError() {
  GLenum first = GL_NO_ERROR;
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
    if (first == GL_NO_ERROR) first = e;
  }
  return first;
}

}  // namespace

int MaxRenderSize() {
  GLint textureSize = 0, renderbufferSize = 0;
  GLint viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSize);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  return std::min({textureSize, renderbufferSize, viewport[0], viewport[1]});
}

bool HasClipControl() {
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  if (major > 4 || (major == 4 && minor >= 5)) return true;
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const auto* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (name && std::strcmp(name, "GL_ARB_clip_control") == 0) return true;
  }
  return false;
}

std::unique_ptr<InstanceDriver> InstanceDriver::Create(const PluginLibrary& plugin, int width, int height,
                                                       PixelFormat format, const Image& input,
                                                       std::string& error) {
  if (width < 1 || height < 1) {
    error = "size " + SizeText(width, height) + " has no pixels: width and height must be at least 1";
    return nullptr;
  }
  const int limit = MaxRenderSize();
  if (width > limit || height > limit) {
    error = "size " + SizeText(width, height) + " is beyond this GL's limit of " + std::to_string(limit) +
            " pixels per side";
    return nullptr;
  }
  if (input.width < 1 || input.height < 1 || input.width > limit || input.height > limit) {
    error = "input picture " + SizeText(input.width, input.height) + " is beyond this GL's limit of " +
            std::to_string(limit) + " pixels per side";
    return nullptr;
  }
  TakeGlError();
  std::unique_ptr<InstanceDriver> driver(new InstanceDriver(plugin, width, height, format));

  // The one input set-up: RGBA8, linear filtering, clamped at the edges.
  driver->inputTexture = NewTexture(GL_LINEAR, false, input.width, input.height, input.rgba.data());
  driver->outputTexture = NewTexture(GL_NEAREST, format == PixelFormat::RgbaHalf, width, height, nullptr);
  if (TakeGlError() == GL_OUT_OF_MEMORY) {
    error = "not enough memory for a " + SizeText(width, height) + " frame";
    driver->ReleaseGl();
    return nullptr;
  }

  if (!driver->AttachOutput(error)) {
    driver->ReleaseGl();
    return nullptr;
  }

  driver->inputRecord.width = static_cast<uint32_t>(input.width);
  driver->inputRecord.height = static_cast<uint32_t>(input.height);
  driver->inputRecord.hardwareWidth = driver->inputRecord.width;
  driver->inputRecord.hardwareHeight = driver->inputRecord.height;
  driver->inputRecord.handle = driver->inputTexture;

  if (!driver->CreateInstance(error)) {
    driver->ReleaseGl();
    return nullptr;
  }
  return driver;
}

std::unique_ptr<InstanceDriver> InstanceDriver::CreateOnHostTextures(const PluginLibrary& plugin, std::string& error) {
  std::unique_ptr<InstanceDriver> driver(new InstanceDriver(plugin, 1, 1, PixelFormat::Rgba8));
  driver->ownsTextures = false;
  if (!driver->CreateInstance(error)) return nullptr;
  return driver;
}

bool InstanceDriver::UseHostTextures(GLuint input, int inputWidth, int inputHeight, GLuint output, int outputWidth,
                                     int outputHeight, std::string& error) {
  inputTexture = input;
  outputTexture = output;
  width = outputWidth;
  height = outputHeight;
  inputRecord.width = inputRecord.hardwareWidth = static_cast<uint32_t>(inputWidth);
  inputRecord.height = inputRecord.hardwareHeight = static_cast<uint32_t>(inputHeight);
  inputRecord.handle = input;
  return AttachOutput(error);
}

bool InstanceDriver::DrawTopRowFirst(GLuint backdrop) {
  if (backdrop && !topFirstBackdrop && !HasClipControl()) return false;
  topFirstBackdrop = backdrop;
  return true;
}

bool InstanceDriver::AttachOutput(std::string& error) {
  if (!framebuffer) glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, outputTexture, 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    char text[96];
    std::snprintf(text, sizeof text, "the output framebuffer is incomplete (GL status 0x%04X)", status);
    error = text;
    return false;
  }
  glViewport(0, 0, width, height);
  return true;
}

bool InstanceDriver::CreateInstance(std::string& error) {
  // The plugin does not read the viewport: it draws into whatever the host binds at each frame.
  wire::Viewport viewport{0, 0, static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
  const wire::Word created = plugin.Call(wire::code::kCreateInstance, &viewport);
  if (created.all == wire::kPointerFail || created.pointer == nullptr) {
    error = "the plugin could not create an instance (code 18 failed; its shader log, if any, is above)";
    return false;
  }
  instance = created.pointer;
  const uint32_t count = plugin.Call(wire::code::kGetParameterCount, 0u).u32;
  hostBase = count == wire::kFail ? 0 : count;
  return true;
}

InstanceDriver::~InstanceDriver() {
  if (instance) plugin.Call(wire::code::kDestroyInstance, 0u, instance);
  ReleaseGl();
}

void InstanceDriver::ReleaseGl() {
  ReleaseEffectTarget();
  composite.Release();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
  if (ownsTextures && outputTexture) glDeleteTextures(1, &outputTexture);
  if (ownsTextures && inputTexture) glDeleteTextures(1, &inputTexture);
  framebuffer = outputTexture = inputTexture = 0;
}

bool InstanceDriver::SetValue(uint32_t index, float value) {
  if (index == BlendIndex()) {
    SetComposite(BlendModeFromValue(value), mix);
    return true;
  }
  if (index == MixIndex()) {
    SetComposite(blend, value);
    return true;
  }
  wire::SetParameter record{};
  record.index = index;
  record.value.all = 0;
  record.value.f32 = value;
  return plugin.Call(wire::code::kSetParameter, &record, instance).u32 == wire::kSuccess;
}

bool InstanceDriver::SetBeatInfo(float tempo, float barPhase) {
  wire::BeatInfo record{tempo, barPhase};
  return plugin.Call(wire::code::kSetBeatInfo, &record, instance).u32 == wire::kSuccess;
}

bool InstanceDriver::SetSampleRate(uint32_t rate) {
  return plugin.Call(wire::code::kSetSampleRate, rate, instance).u32 == wire::kSuccess;
}

float InstanceDriver::Value(uint32_t index) const {
  if (index == BlendIndex()) return static_cast<float>(blend);
  if (index == MixIndex()) return mix;
  return plugin.Call(wire::code::kGetParameter, index, instance).f32;
}

bool InstanceDriver::Visible(uint32_t index) const {
  if (index == BlendIndex() || index == MixIndex()) return true;
  return plugin.Call(wire::code::kGetVisibility, index, instance).u32 == 1;
}

std::string InstanceDriver::DisplayName(uint32_t index) const {
  if (index == BlendIndex()) return "Blend";
  if (index == MixIndex()) return "Mix";
  // The plugin copies without a terminator: the buffer is zeroed and one byte kept back.
  char buffer[256] = {};
  wire::StringQuery query{index, buffer, sizeof buffer - 1};
  if (plugin.Call(wire::code::kGetDisplayName, &query, instance).u32 != wire::kSuccess) return {};
  return buffer;
}

bool InstanceDriver::UploadInput(const Image& image) {
  if (image.width != static_cast<int>(inputRecord.width) || image.height != static_cast<int>(inputRecord.height)) {
    return false;
  }
  glBindTexture(GL_TEXTURE_2D, inputTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return true;
}

void InstanceDriver::SetComposite(BlendMode mode, float weight) {
  blend = mode;
  // NaN would make every pixel NaN: it counts as 0, the input alone.
  mix = std::isnan(weight) ? 0.0f : std::clamp(weight, 0.0f, 1.0f);
}

bool InstanceDriver::PrepareEffectTarget() {
  if (!composite.Ready()) {
    std::string error;
    if (!composite.Create(error)) {
      std::fprintf(stderr, "swirlmoss: the compositing pass does not build: %s\n", error.c_str());
      return false;
    }
  }
  if (effectFramebuffer && effectWidth == width && effectHeight == height) return true;
  ReleaseEffectTarget();
  TakeGlError();
  effectTexture = NewTexture(GL_NEAREST, format == PixelFormat::RgbaHalf, width, height, nullptr);
  glGenFramebuffers(1, &effectFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, effectFramebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, effectTexture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  if (TakeGlError() != GL_NO_ERROR || !complete) {
    std::fprintf(stderr, "swirlmoss: no room for the compositing pass's %dx%d picture\n", width, height);
    ReleaseEffectTarget();
    return false;
  }
  effectWidth = width;
  effectHeight = height;
  return true;
}

void InstanceDriver::ReleaseEffectTarget() {
  if (effectFramebuffer) glDeleteFramebuffers(1, &effectFramebuffer);
  if (effectTexture) glDeleteTextures(1, &effectTexture);
  effectFramebuffer = effectTexture = 0;
  effectWidth = effectHeight = 0;
}

bool InstanceDriver::RenderFrame() {
  const bool compositing = CompositeChangesPicture(blend, mix);
  if (compositing && !PrepareEffectTarget()) return false;
  const GLuint target = compositing ? effectFramebuffer : framebuffer;
  glBindFramebuffer(GL_FRAMEBUFFER, target);
  glViewport(0, 0, width, height);
  // The plugin neither clears nor blends, and pixels its mask discards keep what was there:
  // transparent black is what makes them transparent in the effect's picture.
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  wire::Frame frame{1, inputList, target};
  // Clip space's top edge onto the framebuffer's first row; the clear is not affected.
  if (topFirstBackdrop) glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
  const bool drawn = plugin.Call(wire::code::kProcessFrame, &frame, instance).u32 == wire::kSuccess;
  if (topFirstBackdrop) glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
  if (!drawn) return false;
  if (compositing) {
    // The effect's picture and the backdrop are in the same order, which the pass keeps.
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
    glDisable(GL_BLEND);
    composite.Draw(topFirstBackdrop ? topFirstBackdrop : inputTexture, effectTexture, blend, mix);
  }
  return true;
}

void InstanceDriver::StepWithoutDrawing() {
  // The plugin answers failure for a frame without input; that is the expected answer here.
  wire::Frame frame{0, nullptr, framebuffer};
  plugin.Call(wire::code::kProcessFrame, &frame, instance);
}

uint32_t InstanceDriver::DrainEvents() {
  wire::Event events[32];
  uint32_t total = 0;
  for (;;) {
    wire::EventQuery query{static_cast<uint32_t>(std::size(events)), events};
    if (plugin.Call(wire::code::kGetEvents, &query, instance).u32 != wire::kSuccess) return total;
    total += query.count;
    if (query.count < std::size(events)) return total;
  }
}

}  // namespace hostkit
