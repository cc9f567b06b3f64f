// swirlmossgl: a GstGLFilter that runs the plugin on GStreamer's own GL context. GStreamer's
// textures hold the first video row at t = 0 and its own passes keep that order; the plugin reads
// its input and draws its picture bottom row first, GL's order. Each frame, on GStreamer's GL
// thread: the input is turned upside down into a texture of ours (the one copy: the plugin
// cannot be told to read it the other way), and the plugin draws from it straight into
// GStreamer's output texture, its picture turned the right way up as it is rasterised (GL's clip
// control); a blend other than replace at mix 1 lays the plugin's picture over GStreamer's input
// texture in one more pass. Nothing is read back. The effect's clock follows the stream time of
// each buffer, so a seek lands on the frame that `swirlmoss render` draws at that time: forward,
// the clock steps without drawing; backward, a new instance starts from frame 0.

#include <gst/gl/gl.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/gst/element_state.h"
#include "tools/hostkit/gl/passthrough_program.h"
#include "tools/hostkit/gl/texture.h"
#include "tools/hostkit/params/frame_rate.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace swirlgst {
namespace {

using Kind = ElementProperty::Kind;

// Frame numbers beyond this are taken as nonsense (days of frames to step through).
constexpr int64_t kLargestFrame = 10'000'000;

std::string DefaultText(const hostkit::ParameterInfo& info) {
  for (const auto& element : info.elements) {
    if (element.value == info.defaultValue) return element.name;
  }
  return std::to_string(info.defaultValue);
}

// The user's values, written by set-property on any thread and taken by the GL thread once
// per frame.
struct Values {
  std::vector<float> value;  // in the plugin's own range, by parameter index
  std::vector<char> set;     // given by the user (or always sent)
  std::vector<std::string> text;  // what an option property answers
};

// Everything of one element that lives on GStreamer's GL thread.
class GlSide {
 public:
  // GL context current. Empty when the context can run the effect; else the one line to post.
  static std::string ContextProblem(GstGLContext* context);
  bool Start(std::string& error);
  void Stop();
  // GL context current. One frame of the effect at `frame` from `in` into `out`.
  bool Frame(const Values& values, int64_t frame, GLuint in, int inWidth, int inHeight, GLuint out, int width,
             int height, std::string& error);

 private:
  bool Prepare(GLuint in, int inWidth, int inHeight, GLuint out, int width, int height, std::string& error);
  void ApplyValues(const Values& values);
  void MakeTexture(GLuint& texture, int width, int height);
  void DrawUpsideDown(GLuint from, GLuint into, int width, int height);

  hostkit::PassthroughProgram flip;  // upside down
  GLuint flipFramebuffer = 0;
  GLuint pluginInput = 0;
  // Only on a GL without clip control: the plugin draws here and the picture is turned into
  // GStreamer's output by a second copy.
  GLuint pluginOutput = 0;
  bool clipControl = false;
  int inW = 0, inH = 0, outW = 0, outH = 0;
  std::unique_ptr<hostkit::InstanceDriver> driver;
  std::vector<float> startValues;
  int64_t nextFrame = 0;
};

std::string GlSide::ContextProblem(GstGLContext* context) {
  gint major = 0, minor = 0;
  gst_gl_context_get_gl_version(context, &major, &minor);
  const GstGLAPI api = gst_gl_context_get_gl_api(context);
  const bool core = (api & GST_GL_API_OPENGL3) != 0;
  if (core && (major > 4 || (major == 4 && minor >= 1))) return {};
  const std::string kind = core ? " core" : (api & GST_GL_API_OPENGL) ? " compatibility" : " ES";
  return "swirlmossgl needs an OpenGL 4.1 core context, GStreamer's is OpenGL " + std::to_string(major) + "." +
         std::to_string(minor) + kind + "; run with GST_GL_API=opengl3 on a driver that has OpenGL 4.1";
}

bool GlSide::Start(std::string& error) {
  if (!flip.Create(error, true)) return false;
  glGenFramebuffers(1, &flipFramebuffer);
  clipControl = hostkit::HasClipControl();
  return true;
}

void GlSide::Stop() {
  driver.reset();
  flip.Release();
  if (flipFramebuffer) glDeleteFramebuffers(1, &flipFramebuffer);
  if (pluginInput) glDeleteTextures(1, &pluginInput);
  if (pluginOutput) glDeleteTextures(1, &pluginOutput);
  flipFramebuffer = pluginInput = pluginOutput = 0;
  inW = inH = outW = outH = 0;
}

void GlSide::MakeTexture(GLuint& texture, int width, int height) {
  if (texture) glDeleteTextures(1, &texture);
  texture = hostkit::NewTexture(GL_LINEAR, false, width, height, nullptr);  // as every host's input
}

bool GlSide::Prepare(GLuint in, int inWidth, int inHeight, GLuint out, int width, int height, std::string& error) {
  const ElementState& state = ElementState::Get();
  if (!driver) {
    driver = hostkit::InstanceDriver::CreateOnHostTextures(state.Plugin(), error);
    if (!driver) return false;
    nextFrame = 0;
    // Later instances of this element get the first's start values: seeking back repeats the picture.
    state.Mode().RepeatStartValues(*driver, static_cast<uint32_t>(state.Model().Parameters().size()), startValues);
  }
  if (inWidth != inW || inHeight != inH) MakeTexture(pluginInput, inWidth, inHeight);
  if (!clipControl && (width != outW || height != outH)) MakeTexture(pluginOutput, width, height);
  inW = inWidth, inH = inHeight, outW = width, outH = height;
  // GStreamer hands each buffer's own textures: they are named again every frame.
  if (clipControl) {
    driver->DrawTopRowFirst(in);
    return driver->UseHostTextures(pluginInput, inW, inH, out, outW, outH, error);
  }
  return driver->UseHostTextures(pluginInput, inW, inH, pluginOutput, outW, outH, error);
}

void GlSide::ApplyValues(const Values& values) {
  // "Mode" first, so that a crossing loads the other mode's bank before the other values go in.
  const hostkit::ModeRule& mode = ElementState::Get().Mode();
  const bool modeSet = mode.Present() && values.set[mode.Index()];
  mode.ApplyModeFirst(*driver, modeSet ? &values.value[mode.Index()] : nullptr, [&](bool) {
    for (uint32_t i = 0; i < values.value.size(); ++i) {
      if (values.set[i] && !mode.IsMode(i)) driver->SetValue(i, values.value[i]);
    }
  });
}

void GlSide::DrawUpsideDown(GLuint from, GLuint into, int width, int height) {
  glBindFramebuffer(GL_FRAMEBUFFER, flipFramebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, into, 0);
  glViewport(0, 0, width, height);
  flip.Draw(from);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
}

bool GlSide::Frame(const Values& values, int64_t frame, GLuint in, int inWidth, int inHeight, GLuint out, int width,
                   int height, std::string& error) {
  if (driver && frame < nextFrame) driver.reset();  // backward: start again from frame 0
  // The plugin draws in the neutral state of the `swirlmoss` program's own context.
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_FRAMEBUFFER_SRGB);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (!Prepare(in, inWidth, inHeight, out, width, height, error)) return false;
  if (frame > nextFrame) {
    ApplyValues(values);  // every skipped frame has the same values
    for (int64_t skipped = nextFrame; skipped < frame; ++skipped) driver->StepWithoutDrawing();
  }
  ApplyValues(values);

  DrawUpsideDown(in, pluginInput, inWidth, inHeight);
  const bool drawn = driver->RenderFrame();
  driver->DrainEvents();
  if (!drawn) {
    DrawUpsideDown(pluginInput, out, width, height);  // a frame the plugin could not draw shows its input
  } else if (!clipControl) {
    DrawUpsideDown(pluginOutput, out, width, height);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  nextFrame = frame + 1;
  if (!drawn) error = "the plugin could not draw frame " + std::to_string(frame);
  return drawn;
}

}  // namespace
}  // namespace swirlgst

// The GObject type.

struct SwirlmossGl {
  GstGLFilter parent;
  std::mutex* lock;                  // guards `values` and `valuesChanged`
  swirlgst::Values* values;          // the user's, written by set-property
  swirlgst::Values* applying;        // the GL thread's copy
  bool valuesChanged;
  swirlgst::GlSide* gl;
  int64_t frame;                     // the frame the buffer being filtered names
  bool unusable;                     // no plugin, or a context it cannot run in: said once
};
struct SwirlmossGlClass {
  GstGLFilterClass parent_class;
};

G_DEFINE_TYPE(SwirlmossGl, swirlmoss_gl, GST_TYPE_GL_FILTER)

namespace swirlgst {
namespace {

SwirlmossGl* Self(gpointer object) { return reinterpret_cast<SwirlmossGl*>(object); }

// The property numbered `id` (from 1), or null after GLib's warning.
const ElementProperty* PropertyFor(GObject* object, guint id, GParamSpec* param) {
  const auto& properties = ElementState::Get().Properties();
  if (id >= 1 && id <= properties.size()) return &properties[id - 1];
  G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
  return nullptr;
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
  const ElementProperty* found = PropertyFor(object, id, param);
  if (!found) return;
  const ElementProperty& property = *found;
  const hostkit::ParameterInfo& info = *property.info;
  SwirlmossGl* self = Self(object);
  std::lock_guard<std::mutex> guard(*self->lock);
  Values& values = *self->values;
  float next = 0.0f;
  switch (property.kind) {
    case Kind::Number:
      next = hostkit::ValueFromNorm(info, g_value_get_double(value));
      break;
    case Kind::Boolean:
      next = g_value_get_boolean(value) ? 1.0f : 0.0f;
      break;
    case Kind::Option: {
      const gchar* text = g_value_get_string(value);
      std::string error;
      if (!text || !hostkit::ParseParameterValue(info, text, next, error)) {
        g_printerr("swirlmossgl: %s; the value is ignored\n", text ? error.c_str() : "an option cannot be empty");
        return;
      }
      values.text[info.index] = text;
      break;
    }
  }
  values.value[info.index] = next;
  values.set[info.index] = 1;
  self->valuesChanged = true;
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
  const ElementProperty* found = PropertyFor(object, id, param);
  if (!found) return;
  const ElementProperty& property = *found;
  const hostkit::ParameterInfo& info = *property.info;
  SwirlmossGl* self = Self(object);
  std::lock_guard<std::mutex> guard(*self->lock);
  const float current = self->values->value[info.index];
  switch (property.kind) {
    case Kind::Number:
      g_value_set_double(value, hostkit::NormFromValue(info, current));
      break;
    case Kind::Boolean:
      g_value_set_boolean(value, current >= 0.5f);
      break;
    case Kind::Option:
      g_value_set_string(value, self->values->text[info.index].c_str());
      break;
  }
}

gboolean GlStart(GstGLBaseFilter* base) {
  SwirlmossGl* self = Self(base);
  const ElementState& state = ElementState::Get();
  std::string problem = state.Loaded() ? GlSide::ContextProblem(base->context) : "swirlmossgl: " + state.LoadError();
  if (problem.empty() && !self->gl->Start(problem)) problem = "swirlmossgl: " + problem;
  // Said here, first, in one line; negotiation then fails in GlSetCaps, before any buffer pool
  // is made (failing here instead left GStreamer racing its own teardown), and GStreamer follows
  // with its generic "Subclass failed to initialize".
  self->unusable = !problem.empty();
  if (self->unusable) GST_ELEMENT_ERROR(self, RESOURCE, SETTINGS, ("%s", problem.c_str()), (nullptr));
  return GST_GL_BASE_FILTER_CLASS(swirlmoss_gl_parent_class)->gl_start(base);
}

// A context the effect cannot run in fails negotiation here, before any buffer pool is made.
gboolean GlSetCaps(GstGLBaseFilter* base, GstCaps* in, GstCaps* out) {
  if (Self(base)->unusable) return FALSE;
  return GST_GL_BASE_FILTER_CLASS(swirlmoss_gl_parent_class)->gl_set_caps(base, in, out);
}

void GlStop(GstGLBaseFilter* base) {
  Self(base)->gl->Stop();
  GST_GL_BASE_FILTER_CLASS(swirlmoss_gl_parent_class)->gl_stop(base);
}

// On the GL thread, with the streaming thread waiting: the buffer's stream time names the frame.
gboolean Filter(GstGLFilter* filter, GstBuffer* in, GstBuffer* out) {
  SwirlmossGl* self = Self(filter);
  if (self->unusable) return FALSE;
  const GstSegment& segment = GST_BASE_TRANSFORM(filter)->segment;
  const GstClockTime pts = GST_BUFFER_PTS(in);
  const guint64 streamTime =
      GST_CLOCK_TIME_IS_VALID(pts) ? gst_segment_to_stream_time(&segment, GST_FORMAT_TIME, pts) : GST_CLOCK_TIME_NONE;
  const GstVideoInfo& info = filter->in_info;
  const double rate = GST_VIDEO_INFO_FPS_N(&info) > 0 && GST_VIDEO_INFO_FPS_D(&info) > 0
                          ? static_cast<double>(GST_VIDEO_INFO_FPS_N(&info)) / GST_VIDEO_INFO_FPS_D(&info)
                          : hostkit::kDefaultFrameRate;
  int64_t frame = -1;
  if (GST_CLOCK_TIME_IS_VALID(streamTime)) {
    const double at = std::nearbyint(static_cast<double>(streamTime) / GST_SECOND * rate);
    if (at <= static_cast<double>(kLargestFrame)) frame = static_cast<int64_t>(at);
  }
  // A buffer without a time counts on from the last.
  self->frame = frame >= 0 ? frame : self->frame + 1;
  return gst_gl_filter_filter_texture(filter, in, out);
}

gboolean FilterTexture(GstGLFilter* filter, GstGLMemory* in, GstGLMemory* out) {
  SwirlmossGl* self = Self(filter);
  {
    std::lock_guard<std::mutex> guard(*self->lock);
    if (self->valuesChanged) {
      // Same sizes every time: copying allocates nothing after the first.
      self->applying->value = self->values->value;
      self->applying->set = self->values->set;
      self->valuesChanged = false;
    }
  }
  std::string error;
  const bool drawn = self->gl->Frame(*self->applying, self->frame, gst_gl_memory_get_texture_id(in),
                                     static_cast<int>(gst_gl_memory_get_texture_width(in)),
                                     static_cast<int>(gst_gl_memory_get_texture_height(in)),
                                     gst_gl_memory_get_texture_id(out),
                                     static_cast<int>(gst_gl_memory_get_texture_width(out)),
                                     static_cast<int>(gst_gl_memory_get_texture_height(out)), error);
  if (!drawn) GST_ELEMENT_ERROR(self, LIBRARY, FAILED, ("swirlmossgl: %s", error.c_str()), (nullptr));
  return drawn;
}

void Finalize(GObject* object) {
  SwirlmossGl* self = Self(object);
  delete self->gl;
  delete self->applying;
  delete self->values;
  delete self->lock;
  G_OBJECT_CLASS(swirlmoss_gl_parent_class)->finalize(object);
}

GParamSpec* ParamFor(const ElementProperty& property) {
  const hostkit::ParameterInfo& info = *property.info;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_CONTROLLABLE);
  // The strings live as long as the process's state.
  const char* name = property.name.c_str();
  const char* nick = info.name.c_str();
  switch (property.kind) {
    case Kind::Number: {
      const double start = hostkit::NormFromValue(info, info.defaultValue);
      return g_param_spec_double(name, nick, "0..1 spans the effect's own range", 0.0, 1.0, start, flags);
    }
    case Kind::Boolean:
      return g_param_spec_boolean(name, nick, "on or off", info.defaultValue >= 0.5f, flags);
    case Kind::Option: {
      static std::vector<std::unique_ptr<std::string>> blurbs;  // class_init runs once
      blurbs.push_back(std::make_unique<std::string>("one of " + info.ElementList() + ", or its number"));
      static std::vector<std::unique_ptr<std::string>> defaults;
      defaults.push_back(std::make_unique<std::string>(DefaultText(info)));
      return g_param_spec_string(name, nick, blurbs.back()->c_str(), defaults.back()->c_str(), flags);
    }
  }
  return nullptr;
}

}  // namespace
}  // namespace swirlgst

static void swirlmoss_gl_class_init(SwirlmossGlClass* klass) {
  using namespace swirlgst;
  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->set_property = SetProperty;
  object->get_property = GetProperty;
  object->finalize = Finalize;
  guint id = 1;
  for (const ElementProperty& property : ElementState::Get().Properties()) {
    g_object_class_install_property(object, id++, ParamFor(property));
  }
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Swirlmoss", "Filter/Effect/Video",
                                        "Animated paint or smoke over video, drawn on GStreamer's GL context",
                                        "The Swirlmoss developers");
  gst_gl_filter_add_rgba_pad_templates(GST_GL_FILTER_CLASS(klass));
  GstGLBaseFilterClass* base = GST_GL_BASE_FILTER_CLASS(klass);
  // Any API here, so that the element itself says what it needs when the context falls short.
  base->supported_gl_api = static_cast<GstGLAPI>(GST_GL_API_OPENGL | GST_GL_API_OPENGL3 | GST_GL_API_GLES2);
  base->gl_start = GlStart;
  base->gl_stop = GlStop;
  base->gl_set_caps = GlSetCaps;
  GstGLFilterClass* filter = GST_GL_FILTER_CLASS(klass);
  filter->filter = Filter;
  filter->filter_texture = FilterTexture;
}

static void swirlmoss_gl_init(SwirlmossGl* self) {
  using namespace swirlgst;
  const ElementState& state = ElementState::Get();
  self->lock = new std::mutex();
  self->values = new Values();
  self->applying = new Values();
  self->gl = new GlSide();
  self->valuesChanged = true;
  self->frame = -1;
  self->unusable = false;
  if (!state.Loaded()) return;
  const auto& parameters = state.Model().Parameters();
  Values& values = *self->values;
  values.value.resize(parameters.size());
  values.set.resize(parameters.size());
  values.text.resize(parameters.size());
  for (const auto& info : parameters) {
    values.value[info.index] = info.defaultValue;
    if (info.IsOption()) values.text[info.index] = swirlgst::DefaultText(info);
  }
  for (const ElementProperty& property : state.Properties()) values.set[property.info->index] = property.alwaysSent;
  *self->applying = values;
}

static gboolean PluginInit(GstPlugin* plugin) {
  return gst_element_register(plugin, "swirlmossgl", GST_RANK_NONE, swirlmoss_gl_get_type());
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, swirlmoss,
                  "The Swirlmoss effect on GStreamer's GL context", PluginInit, SWIRLMOSS_VERSION, "MIT/X11",
                  "swirlmoss", "https://swirlmoss.invalid")
