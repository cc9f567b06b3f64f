#include "tools/hostkit/gl/composite_program.h"

#include <cctype>
#include <cmath>

#include "tools/hostkit/gl/gl_program.h"

namespace hostkit {
namespace {

const char* const kNames[kBlendModeCount] = {"replace",  "normal",  "add",        "screen",  "multiply",
                                             "overlay",  "soft-light", "lighten", "darken", "difference"};

// Cb is the input (the backdrop), Cs the effect (the source), as the W3C writes them.
const char* const kFragment = R"(#version 410 core
in vec2 uv;
uniform sampler2D InputTexture;
uniform sampler2D EffectTexture;
uniform int Mode;
uniform float Mix;
out vec4 fragColor;

vec3 Screen(vec3 cb, vec3 cs) { return cb + cs - cb * cs; }
vec3 HardLight(vec3 cb, vec3 cs) {
  return mix(cb * 2.0 * cs, Screen(cb, 2.0 * cs - 1.0), vec3(greaterThan(cs, vec3(0.5))));
}
vec3 SoftLight(vec3 cb, vec3 cs) {
  vec3 d = mix(sqrt(cb), ((16.0 * cb - 12.0) * cb + 4.0) * cb, vec3(lessThanEqual(cb, vec3(0.25))));
  vec3 dark = cb - (1.0 - 2.0 * cs) * cb * (1.0 - cb);
  vec3 light = cb + (2.0 * cs - 1.0) * (d - cb);
  return mix(dark, light, vec3(greaterThan(cs, vec3(0.5))));
}
vec3 Blend(vec3 cb, vec3 cs) {
  if (Mode == 1) return cs;
  if (Mode == 2) return min(cb + cs, vec3(1.0));
  if (Mode == 3) return Screen(cb, cs);
  if (Mode == 4) return cb * cs;
  if (Mode == 5) return HardLight(cs, cb);
  if (Mode == 6) return SoftLight(cb, cs);
  if (Mode == 7) return max(cb, cs);
  if (Mode == 8) return min(cb, cs);
  return abs(cb - cs);
}

void main() {
  vec4 backdrop = texture(InputTexture, uv);
  vec4 source = texture(EffectTexture, uv);
  if (Mode == 0) {
    fragColor = mix(backdrop, source, Mix);
    return;
  }
  vec3 cs = clamp(source.rgb, 0.0, 1.0);
  float weight = Mix * clamp(source.a, 0.0, 1.0);
  fragColor = vec4((1.0 - weight) * backdrop.rgb + weight * Blend(backdrop.rgb, cs), backdrop.a);
}
)";

char Fold(char c) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == '_' || lower == ' ' ? '-' : lower;
}

bool SameModeName(std::string_view a, std::string_view b) {
  // "soft-light", "soft_light", "Soft Light" and "softlight" are one name.
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && Fold(a[i]) == '-') ++i;
    while (j < b.size() && Fold(b[j]) == '-') ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (Fold(a[i++]) != Fold(b[j++])) return false;
  }
}

}  // namespace

const char* BlendModeName(BlendMode mode) {
  const int index = static_cast<int>(mode);
  return index >= 0 && index < kBlendModeCount ? kNames[index] : kNames[0];
}

bool ParseBlendMode(std::string_view name, BlendMode& mode) {
  for (int i = 0; i < kBlendModeCount; ++i) {
    if (SameModeName(name, kNames[i])) {
      mode = static_cast<BlendMode>(i);
      return true;
    }
  }
  return false;
}

std::string BlendModeList() {
  std::string list;
  for (const char* name : kNames) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

BlendMode BlendModeFromValue(float value) {
  if (!(value > 0.0f)) return BlendMode::Replace;  // NaN too
  const float last = static_cast<float>(kBlendModeCount - 1);
  return static_cast<BlendMode>(static_cast<int>(std::lround(value < last ? value : last)));
}

bool CompositeChangesPicture(BlendMode mode, float mix) { return mode != BlendMode::Replace || !(mix >= 1.0f); }

bool CompositeProgram::Create(std::string& error) {
  Release();
  program = BuildQuadProgram(kFragment, "compositing", error);
  if (!program) return false;
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "InputTexture"), 0);
  glUniform1i(glGetUniformLocation(program, "EffectTexture"), 1);
  glUseProgram(0);
  modeLocation = glGetUniformLocation(program, "Mode");
  mixLocation = glGetUniformLocation(program, "Mix");
  glGenVertexArrays(1, &vertexArray);
  return true;
}

void CompositeProgram::Draw(GLuint input, GLuint effect, BlendMode mode, float mix) const {
  glUseProgram(program);
  glUniform1i(modeLocation, static_cast<GLint>(mode));
  glUniform1f(mixLocation, mix < 0.0f ? 0.0f : (mix > 1.0f ? 1.0f : mix));
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, effect);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, input);
  glBindVertexArray(vertexArray);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glBindVertexArray(0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

void CompositeProgram::Release() {
  if (program) glDeleteProgram(program);
  if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
  program = vertexArray = 0;
  modeLocation = mixLocation = -1;
}

}  // namespace hostkit
