// The GL side of the effect: program and quad set-up, one draw per host frame, teardown.

#include "effect/organic_mats_plugin.h"
#include "shaders/effect_shaders.h"

namespace {

using organic_mats::kParams;

// The order in which the parameters' uniform locations are looked up at set-up, after the
// clock's and the resolution's.
constexpr uint32_t kLookupOrder[] = {
    PARAM_SHADOWS,  PARAM_WAVE_THICKNESS, PARAM_FLOW,    PARAM_SHINE,         PARAM_SPOT_SPIN,  PARAM_LIGHT,
    PARAM_NIGHT_MODE, PARAM_SEED,         PARAM_PAINT_R, PARAM_LIGHT_R,       PARAM_MODE,       PARAM_FAN,
    PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_IMAGE_MASK, PARAM_MASK_POWER, PARAM_MASK_THRESHOLD};

// The order in which a frame uploads the parameters' uniforms, after the clock and the
// resolution.
constexpr uint32_t kUploadOrder[] = {
    PARAM_MODE,      PARAM_FAN,     PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_SHADOWS,
    PARAM_WAVE_THICKNESS, PARAM_FLOW, PARAM_SHINE,      PARAM_SPOT_SPIN,     PARAM_LIGHT,
    PARAM_NIGHT_MODE, PARAM_SEED,   PARAM_PAINT_R,      PARAM_LIGHT_R,       PARAM_IMAGE_MASK,
    PARAM_MASK_POWER, PARAM_MASK_THRESHOLD};

constexpr bool FeedsUniform(const ParamDescription& param) { return param.uniform != nullptr; }
static_assert(organic_mats::ListsExactly(kLookupOrder, FeedsUniform), "every parameter uniform is looked up once");
static_assert(organic_mats::ListsExactly(kUploadOrder, FeedsUniform), "every parameter uniform is uploaded once");

}  // namespace

uint32_t OrganicMatsPlugin::SetupGL(const FFGLViewportStruct* /*viewport*/) {
  if (!shaderProgram.Build(shaders::kEffectVertexSource, shaders::kEffectFragmentSource) || !screenQuad.Create()) {
    TeardownGL();
    return FF_FAIL;
  }
  // Looked up once; a name the compiler dropped answers -1, which GL ignores on upload.
  timeLocation = shaderProgram.UniformLocation("Time");
  resolutionLocation = shaderProgram.UniformLocation("Resolution");
  for (uint32_t index : kLookupOrder) paramLocations[index] = shaderProgram.UniformLocation(kParams[index].uniform);
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
  for (uint32_t index : kUploadOrder) {
    const GLint location = paramLocations[index];
    if (kParams[index].uniformComponents == 3)
      glUniform3f(location, live[index], live[index + 1], live[index + 2]);
    else
      glUniform1f(location, Value(index));
  }

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
