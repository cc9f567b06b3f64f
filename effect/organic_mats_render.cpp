// The GL side of the effect: program and quad set-up, one draw per host frame, teardown.

#include "effect/organic_mats_plugin.h"
#include "shaders/effect_shaders.h"

uint32_t OrganicMatsPlugin::SetupGL(const FFGLViewportStruct* /*viewport*/) {
  if (!shaderProgram.Build(shaders::kEffectVertexSource, shaders::kEffectFragmentSource) || !screenQuad.Create()) {
    TeardownGL();
    return FF_FAIL;
  }
  // Looked up once; a name the compiler dropped answers -1, which GL ignores on upload.
  timeLocation = shaderProgram.UniformLocation("Time");
  resolutionLocation = shaderProgram.UniformLocation("Resolution");
  reliefLocation = shaderProgram.UniformLocation("Relief");
  waveThicknessLocation = shaderProgram.UniformLocation("WaveThickness");
  slipperinessLocation = shaderProgram.UniformLocation("Slipperiness");
  shininessLocation = shaderProgram.UniformLocation("Shininess");
  lightSpinLocation = shaderProgram.UniformLocation("LightSpin");
  lightAmountLocation = shaderProgram.UniformLocation("LightAmount");
  nightModeLocation = shaderProgram.UniformLocation("NightMode");
  seedLocation = shaderProgram.UniformLocation("Seed");
  colorPaintLocation = shaderProgram.UniformLocation("ColorPaint");
  colorLightLocation = shaderProgram.UniformLocation("ColorLight");
  modeLocation = shaderProgram.UniformLocation("Mode");
  fanLocation = shaderProgram.UniformLocation("Fan");
  smokeAmountLocation = shaderProgram.UniformLocation("SmokeAmount");
  smokeQualityLocation = shaderProgram.UniformLocation("SmokeQuality");
  imageMaskLocation = shaderProgram.UniformLocation("ImageMask");
  maskPowerLocation = shaderProgram.UniformLocation("MaskPower");
  maskThresholdLocation = shaderProgram.UniformLocation("MaskThreshold");
  return FF_SUCCESS;
}

uint32_t OrganicMatsPlugin::RenderFrame(const ProcessOpenGLStruct& frame) {
  ApplyModeChange();
  UpdateParamPresentation();
  // The clock counts processed frames, drawn or not.
  AdvanceClock();

  // A null array is refused before its first entry is read.
  if (frame.numInputTextures < 1 || !frame.inputTextures || !frame.inputTextures[0]) return FF_FAIL;
  const FFGLTextureStruct& input = *frame.inputTextures[0];

  glUseProgram(shaderProgram.ProgramId());
  glUniform1f(timeLocation, clock);
  glUniform2f(resolutionLocation, static_cast<float>(input.Width), static_cast<float>(input.Height));
  glUniform1f(modeLocation, modeValue);
  glUniform1f(fanLocation, live[PARAM_FAN]);
  glUniform1f(smokeAmountLocation, live[PARAM_SMOKE_AMOUNT]);
  glUniform1f(smokeQualityLocation, live[PARAM_SMOKE_QUALITY]);
  glUniform1f(reliefLocation, live[PARAM_SHADOWS]);
  glUniform1f(waveThicknessLocation, live[PARAM_WAVE_THICKNESS]);
  glUniform1f(slipperinessLocation, live[PARAM_FLOW]);
  glUniform1f(shininessLocation, live[PARAM_SHINE]);
  glUniform1f(lightSpinLocation, live[PARAM_SPOT_SPIN]);
  glUniform1f(lightAmountLocation, live[PARAM_LIGHT]);
  glUniform1f(nightModeLocation, live[PARAM_NIGHT_MODE]);
  glUniform1f(seedLocation, live[PARAM_SEED]);
  glUniform3f(colorPaintLocation, live[PARAM_PAINT_R], live[PARAM_PAINT_G], live[PARAM_PAINT_B]);
  glUniform3f(colorLightLocation, live[PARAM_LIGHT_R], live[PARAM_LIGHT_G], live[PARAM_LIGHT_B]);
  glUniform1f(imageMaskLocation, live[PARAM_IMAGE_MASK]);
  glUniform1f(maskPowerLocation, live[PARAM_MASK_POWER]);
  glUniform1f(maskThresholdLocation, live[PARAM_MASK_THRESHOLD]);

  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, input.Handle);
  glUniform1i(shaderProgram.UniformLocation("InputTexture"), 0);

  screenQuad.Draw();

  glUseProgram(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  return FF_SUCCESS;
}

uint32_t OrganicMatsPlugin::TeardownGL() {
  shaderProgram.Release();
  screenQuad.Release();
  return FF_SUCCESS;
}
