#pragma once
// The effect object: 22 host parameters, a bank of remembered values per look ("Paint"
// and "Smoke"), the mode switch between them, per-mode labels and visibility, and the
// animation clock.

#include <array>
#include <cstdint>

#include "gl/screen_quad.h"
#include "gl/shader_program.h"
#include "host/plugin_base.h"

// Parameter indices, fixed for the life of the effect.
enum OrganicMatsParam : uint32_t {
  PARAM_MODE = 0,
  PARAM_TIME_SPEED = 1,
  PARAM_FAN = 2,
  PARAM_SMOKE_AMOUNT = 3,
  PARAM_SMOKE_QUALITY = 4,
  PARAM_PAINT_R = 5,
  PARAM_PAINT_G = 6,
  PARAM_PAINT_B = 7,
  PARAM_LIGHT = 8,
  PARAM_SHADOWS = 9,
  PARAM_SHINE = 10,
  PARAM_WAVE_THICKNESS = 11,
  PARAM_FLOW = 12,
  PARAM_NIGHT_MODE = 13,
  PARAM_SPOT_SPIN = 14,
  PARAM_SEED = 15,
  PARAM_LIGHT_R = 16,
  PARAM_LIGHT_G = 17,
  PARAM_LIGHT_B = 18,
  PARAM_IMAGE_MASK = 19,
  PARAM_MASK_POWER = 20,
  PARAM_MASK_THRESHOLD = 21,
  PARAM_COUNT = 22,
};

// The parameters each look remembers, in bank order.
constexpr std::array<uint32_t, 18> kPaintBankParams = {
    PARAM_TIME_SPEED, PARAM_PAINT_R,     PARAM_PAINT_G,    PARAM_PAINT_B,    PARAM_LIGHT,     PARAM_SHADOWS,
    PARAM_SHINE,      PARAM_WAVE_THICKNESS, PARAM_FLOW,    PARAM_NIGHT_MODE, PARAM_SPOT_SPIN, PARAM_SEED,
    PARAM_LIGHT_R,    PARAM_LIGHT_G,     PARAM_LIGHT_B,    PARAM_IMAGE_MASK, PARAM_MASK_POWER, PARAM_MASK_THRESHOLD};
constexpr std::array<uint32_t, 19> kSmokeBankParams = {
    PARAM_TIME_SPEED,  PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_PAINT_R,   PARAM_PAINT_G,
    PARAM_PAINT_B,     PARAM_LIGHT,        PARAM_SHADOWS,       PARAM_WAVE_THICKNESS, PARAM_FLOW,
    PARAM_NIGHT_MODE,  PARAM_SPOT_SPIN,    PARAM_SEED,          PARAM_LIGHT_R,   PARAM_LIGHT_G,
    PARAM_LIGHT_B,     PARAM_IMAGE_MASK,   PARAM_MASK_POWER,    PARAM_MASK_THRESHOLD};

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
  // Uniform locations as the linked program answered them (-1 included).
  GLint timeLocation = -1;
  GLint resolutionLocation = -1;
  GLint reliefLocation = -1;
  GLint waveThicknessLocation = -1;
  GLint slipperinessLocation = -1;
  GLint shininessLocation = -1;
  GLint lightSpinLocation = -1;
  GLint lightAmountLocation = -1;
  GLint nightModeLocation = -1;
  GLint seedLocation = -1;
  GLint colorPaintLocation = -1;
  GLint colorLightLocation = -1;
  GLint modeLocation = -1;
  GLint fanLocation = -1;
  GLint smokeAmountLocation = -1;
  GLint smokeQualityLocation = -1;
  GLint imageMaskLocation = -1;
  GLint maskPowerLocation = -1;
  GLint maskThresholdLocation = -1;

 private:
  template <size_t N>
  void LoadBank(const std::array<float, N>& bank, const std::array<uint32_t, N>& params);
  template <size_t N>
  void SaveBank(std::array<float, N>& bank, const std::array<uint32_t, N>& params) const;
  void RegisterParameters(float seedDefault);
};
