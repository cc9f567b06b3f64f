#pragma once
// One plugin instance driven like a host drives it: the host owns the input texture and the
// output framebuffer, clears the output before each frame and calls the plugin's frame code
// with its framebuffer bound.

#include <cstdint>
#include <memory>
#include <string>

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

  // GL context current. Destroys the instance (code 19) and the GL objects the driver made.
  ~InstanceDriver();
  InstanceDriver(const InstanceDriver&) = delete;
  InstanceDriver& operator=(const InstanceDriver&) = delete;

  // Code 8 with a numeric value. False when the plugin refuses the index.
  bool SetValue(uint32_t index, float value);
  // Code 9: the instance's current value.
  float Value(uint32_t index) const;
  // Code 45 on this instance.
  bool Visible(uint32_t index) const;
  // Code 51 on this instance: the name the host shows now (empty until the first frame).
  std::string DisplayName(uint32_t index) const;

  // GL context current. Replaces the input picture's pixels in place (no new texture), for
  // inputs that change every frame. False when `image` is not of the input's size.
  bool UploadInput(const Image& image);

  // GL context current. Clears the output to transparent black and runs one frame (code 17)
  // into it; the output framebuffer stays bound. False when the plugin answers failure.
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
  wire::Texture inputRecord{};
  wire::Texture* inputList[1] = {&inputRecord};
};

// Largest width and height the current GL can render into; 0 when GL is not current.
int MaxRenderSize();

}  // namespace hostkit
