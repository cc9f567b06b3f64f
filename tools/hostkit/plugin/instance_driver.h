#pragma once
// One plugin instance driven like a host drives it: the host owns the input texture and the
// output framebuffer, clears the output before each frame and calls the plugin's frame code
// with its framebuffer bound.

#include <cstdint>
#include <memory>
#include <string>

#include "tools/hostkit/gl/composite_program.h"
#include "tools/hostkit/gl/gl_api.h"
#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace hostkit {

class InstanceDriver {
 public:
  // GL context current. Makes the input texture from `input`, an output framebuffer of
  // width x height in `format`, and the plugin instance (code 18). Returns null with a
  // one-line `error` for a size outside the GL's limits, a GL allocation failure, or an
  // instance the plugin could not create.
  static std::unique_ptr<InstanceDriver> Create(const PluginLibrary& plugin, int width, int height,
                                                PixelFormat format, const Image& input, std::string& error);
  // GL context current. An instance for a host with a render graph of its own, which owns both
  // textures: no input texture or output is made until UseHostTextures names them. Returns
  // null with a one-line `error` when the plugin could not create an instance.
  static std::unique_ptr<InstanceDriver> CreateOnHostTextures(const PluginLibrary& plugin, std::string& error);
  // GL context current. Frames read `input` (inputWidth x inputHeight) and draw through the
  // driver's framebuffer into `output` (width x height); the driver never deletes either. Leaves
  // the framebuffer bound. False with `error` when the framebuffer is incomplete.
  bool UseHostTextures(GLuint input, int inputWidth, int inputHeight, GLuint output, int width, int height,
                       std::string& error);
  // GL context current. For a host whose textures hold the picture's top row first (GStreamer's
  // GL memory): frames draw the output top row first too. The plugin reads the input that
  // UseHostTextures names, which stays in GL's order, and draws as ever, its picture turned
  // upside down on the way in by GL's clip control (the plugin draws one quad and reads no
  // window coordinates, so nothing else changes); the compositing pass then lays that picture
  // over `backdrop`, the input's picture top row first. 0 returns to GL's order. False, and
  // nothing changes, when the GL has no clip control (OpenGL below 4.5 without
  // GL_ARB_clip_control).
  bool DrawTopRowFirst(GLuint backdrop);

  // GL context current. Destroys the instance (code 19) and the GL objects the driver made.
  ~InstanceDriver();
  InstanceDriver(const InstanceDriver&) = delete;
  InstanceDriver& operator=(const InstanceDriver&) = delete;

  // Code 8 with a numeric value. False when the plugin refuses the index. The two indices
  // after the plugin's last parameter are the host's own "Blend" (a BlendMode's number) and
  // "Mix" (0..1), which the driver keeps and the plugin never sees.
  bool SetValue(uint32_t index, float value);
  // Code 38: the host's tempo (beats per minute) and how far through the bar it is (0..1), sent
  // before a frame by hosts that know the music. False when the plugin refuses.
  bool SetBeatInfo(float tempo, float barPhase);
  // Code 40: the sample rate of the host's sound, sent when the host has sound and whenever its
  // rate changes. False when the plugin refuses.
  bool SetSampleRate(uint32_t rate);
  // Code 9: the instance's current value (the host's own for Blend and Mix).
  float Value(uint32_t index) const;
  // Code 45 on this instance; Blend and Mix are always shown.
  bool Visible(uint32_t index) const;
  // Code 51 on this instance: the name the host shows now (empty until the first frame);
  // "Blend" and "Mix" for the host's own.
  std::string DisplayName(uint32_t index) const;

  // How each frame lays the effect's picture over the input (composite_program.h). Replace at
  // mix 1, the start, draws the plugin straight into the output, as a host without compositing
  // does; anything else has the plugin draw into a picture of the driver's, which the
  // compositing pass then lays over the input into the output.
  void SetComposite(BlendMode mode, float mix);
  BlendMode Blend() const { return blend; }
  float Mix() const { return mix; }
  uint32_t BlendIndex() const { return hostBase; }
  uint32_t MixIndex() const { return hostBase + 1; }

  // GL context current. Replaces the input picture's pixels in place (no new texture), for
  // inputs that change every frame. False when `image` is not of the input's size.
  bool UploadInput(const Image& image);

  // GL context current. Clears the output to transparent black and runs one frame (code 17)
  // into it, then composites it over the input unless the blend is replace at mix 1; the
  // output framebuffer stays bound. False when the plugin answers failure or the compositing
  // pass cannot be set up (its first use builds a program and a picture of the output's size).
  bool RenderFrame();
  // Advances the effect's clock one step without drawing: a frame record with no input, on
  // which the plugin also applies a pending mode switch and its labels.
  void StepWithoutDrawing();
  // Collects and clears the plugin's pending parameter events (code 46), as a host's poll does.
  // Answers how many were delivered.
  uint32_t DrainEvents();

  // Which side of the mode switch the instance last ran a frame on, as the host tracks it
  // (instances start in their first mode).
  bool InSecondMode() const { return inSecondMode; }
  void SetInSecondMode(bool second) { inSecondMode = second; }

  const PluginLibrary& Plugin() const { return plugin; }
  wire::InstanceHandle Handle() const { return instance; }
  GLuint Framebuffer() const { return framebuffer; }
  GLuint InputTexture() const { return inputTexture; }
  GLuint OutputTexture() const { return outputTexture; }
  int Width() const { return width; }
  int Height() const { return height; }
  PixelFormat Format() const { return format; }

 private:
  InstanceDriver(const PluginLibrary& plugin, int width, int height, PixelFormat format)
      : plugin(plugin), width(width), height(height), format(format) {}
  void ReleaseGl();
  bool CreateInstance(std::string& error);
  bool AttachOutput(std::string& error);
  bool PrepareEffectTarget();
  void ReleaseEffectTarget();
  const PluginLibrary& plugin;
  int width;
  int height;
  PixelFormat format;
  GLuint inputTexture = 0;
  GLuint outputTexture = 0;
  GLuint framebuffer = 0;
  bool ownsTextures = true;
  wire::InstanceHandle instance = nullptr;
  bool inSecondMode = false;
  uint32_t hostBase = 0;  // the plugin's parameter count: Blend's index
  BlendMode blend = BlendMode::Replace;
  float mix = 1.0f;
  CompositeProgram composite;
  GLuint topFirstBackdrop = 0;  // non-zero: the output is drawn top row first
  GLuint effectTexture = 0;  // what the plugin draws into while compositing
  GLuint effectFramebuffer = 0;
  int effectWidth = 0;
  int effectHeight = 0;
  wire::Texture inputRecord{};
  wire::Texture* inputList[1] = {&inputRecord};
};

// Largest width and height the current GL can render into; 0 when GL is not current.
int MaxRenderSize();
// Whether the current GL has glClipControl (OpenGL 4.5, or GL_ARB_clip_control).
bool HasClipControl();

}  // namespace hostkit
