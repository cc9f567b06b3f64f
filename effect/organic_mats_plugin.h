#pragma once
// The effect object: 22 host parameters, a bank of remembered values per look ("Paint"
// and "Smoke"), the mode switch between them, per-mode labels and visibility, and the
// animation clock.

#include <array>
#include <cstdint>

#include "effect/organic_mats_param_table.h"
#include "gl/screen_quad.h"
#include "gl/shader_program.h"
#include "host/plugin_base.h"

// Smoke is the active look from this "Mode" value upward, here and in the shader.
constexpr float kSmokeModeThreshold = 0.5f;

class OrganicMatsPlugin : public CFFGLPlugin {
 public:
  OrganicMatsPlugin();
  ~OrganicMatsPlugin() override;

  // Stores the value as given (no clamp); FF_FAIL for an index above 21.
  uint32_t SetParamValue(uint32_t index, float value) override;
  // The stored value; 0.0 for an index above 21.
  float ParamValue(uint32_t index) override;

  // GL context current. Builds the program and the quad and looks up the uniform
  // locations; the viewport is not read. FF_FAIL, with everything released, on failure.
  uint32_t SetupGL(const FFGLViewportStruct* viewport) override;
  // GL context current, after a successful SetupGL. Advances the clock, then draws once
  // from input texture 0 into the host's framebuffer. FF_FAIL, drawing nothing, when the
  // frame carries no input texture.
  uint32_t RenderFrame(const ProcessOpenGLStruct& frame) override;
  // GL context current. Releases the program and the quad; FF_SUCCESS, may be repeated.
  uint32_t TeardownGL() override;

  // Start of every frame: when "Mode" crossed 0.5 since the last change, saves the look
  // being left into its bank and loads the bank of the look entered.
  void ApplyModeChange();
  // Every frame after ApplyModeChange: labels and visibility of the current look; the
  // registry tells the host only about real changes.
  void UpdateParamPresentation();

  bool SmokeActive() const { return modeValue >= kSmokeModeThreshold; }
  float Clock() const { return clock; }

 protected:
  // Advances the animation clock by one frame step, from "Flow" and "Time Speed".
  void AdvanceClock();

  float modeValue = 0.0f;
  float previousModeValue = 0.0f;
  // Live values by parameter index; slot 0 is unused ("Mode" lives in modeValue).
  std::array<float, PARAM_COUNT> live{};
  std::array<float, kPaintBankParams.size()> PaintBank{};
  std::array<float, kSmokeBankParams.size()> SmokeBank{};
  float clock = 0.0f;

  // GL side, made by SetupGL and released by TeardownGL.
  ShaderProgram shaderProgram;
  ScreenQuad screenQuad;
  // Uniform locations as the linked program answered them (-1 included); those that
  // parameters feed by the index of the parameter.
  GLint timeLocation = -1;
  GLint resolutionLocation = -1;
  std::array<GLint, PARAM_COUNT> paramLocations{};

 private:
  template <size_t N>
  void LoadBank(const std::array<float, N>& bank, const std::array<uint32_t, N>& params);
  template <size_t N>
  void SaveBank(std::array<float, N>& bank, const std::array<uint32_t, N>& params) const;
  void RegisterParameters();
  // The stored value of a parameter index below PARAM_COUNT.
  float Value(uint32_t index) const { return index == PARAM_MODE ? modeValue : live[index]; }
};
