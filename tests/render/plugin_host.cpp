#include "tests/render/plugin_host.h"

#include <new>

#include "effect/plugin_registration.h"
#include "host/plug_main.h"
#include "host/plugin_info.h"

namespace testrender {
namespace {

uint32_t CreateProbe(CFFGLPlugin** instance) {
  *instance = new (std::nothrow) ProbePlugin();
  return *instance ? FF_SUCCESS : FF_FAIL;
}

FFMixed Pointer(const void* pointer) {
  FFMixed word{};
  word.PointerValue = const_cast<void*>(pointer);
  return word;
}

FFMixed Word(uint32_t value) {
  FFMixed word{};
  word.UIntValue = value;
  return word;
}

// The pointer-sized failure word of code 18.
constexpr uintptr_t kPointerFailure = 0xFFFFFFFFu;

}  // namespace

HostInstance::HostInstance() {
  // Every instance of the test process is a probe; the factory is the registered one's.
  SwirlmossPluginInfo().CreateInstance = CreateProbe;
  const FFGLViewportStruct viewport{0, 0, 96, 64};
  const FFMixed result = plugMain(FF_INSTANTIATE_GL, Pointer(&viewport), nullptr);
  if (result.PointerValue == nullptr || reinterpret_cast<uintptr_t>(result.PointerValue) == kPointerFailure) {
    ADD_FAILURE() << "the plugin refused to create an instance";
    return;
  }
  handle = result.PointerValue;
  probe = dynamic_cast<ProbePlugin*>(static_cast<CFFGLPlugin*>(handle));
  EXPECT_NE(probe, nullptr);
}

HostInstance::~HostInstance() {
  if (handle) plugMain(FF_DEINSTANTIATE_GL, Word(0), handle);
}

uint32_t HostInstance::Set(uint32_t index, float value) {
  SetParameterStruct record{};
  record.ParameterNumber = index;
  record.NewParameterValue.FloatValue = value;
  return plugMain(FF_SET_PARAMETER, Pointer(&record), handle).UIntValue;
}

float HostInstance::Get(uint32_t index) { return plugMain(FF_GET_PARAMETER, Word(index), handle).FloatValue; }

uint32_t HostInstance::Frame(const ProcessOpenGLStruct& frame) {
  return plugMain(FF_PROCESS_OPENGL, Pointer(&frame), handle).UIntValue;
}

uint32_t HostInstance::Frame(GLuint texture, uint32_t width, uint32_t height) {
  FFGLTextureStruct record{width, height, width, height, texture};
  FFGLTextureStruct* inputs[1] = {&record};
  GLint framebuffer = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
  const ProcessOpenGLStruct frame{1, inputs, static_cast<uint32_t>(framebuffer)};
  return Frame(frame);
}

uint32_t HostInstance::FrameWithoutInput() {
  const ProcessOpenGLStruct frame{0, nullptr, 0};
  return Frame(frame);
}

std::vector<float> UniformValues(GLuint program, const char* name, int components) {
  const GLint location = glGetUniformLocation(program, name);
  if (location < 0) return {};
  std::vector<float> values(4, 0.0f);
  glGetUniformfv(program, location, values.data());
  values.resize(static_cast<size_t>(components));
  return values;
}

float ClockStep(float flow, float timeSpeed) {
  const float flowFactor = flow * 1.5f + 0.5f;
  const float step = flowFactor * timeSpeed;
  return step * 0.075f;
}

void RenderTest::SetUp() {
  testgl::GlUtilityTest::SetUp();
  if (HasFatalFailure()) return;
  std::vector<uint8_t> rgba(static_cast<size_t>(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* texel = &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
      texel[0] = texel[1] = texel[2] = GreyOfColumn(x);
      texel[3] = y < kTransparentRows ? 0 : 255;
    }
  }
  input = testgl::MakeInputTexture(kWidth, kHeight, rgba);
  target = new testgl::FloatTarget(kWidth, kHeight);
}

void RenderTest::TearDown() {
  delete target;
  target = nullptr;
  glDeleteTextures(1, &input);
}

std::vector<testgl::Rgba> RenderTest::Render(HostInstance& host, testgl::Rgba clear) {
  target->Clear(clear);
  EXPECT_EQ(host.Frame(input, kWidth, kHeight), FF_SUCCESS);
  return target->Read();
}

}  // namespace testrender
