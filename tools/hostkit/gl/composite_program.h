#pragma once
// Laying the effect's picture over the host's input, as a video mixer lays a layer over the
// ones below it: a blend mode and a mix (the effect's weight, 0..1). The effect's picture has
// straight alpha a; each colour channel of the result is
//   (1 - m·a)·input + m·a·B(input, clamp(effect, 0, 1))
// with B one of the separable blend functions of the W3C's Compositing and Blending Level 1
// (on the stored values, no conversion to linear light), and the result keeps the input's
// alpha. "replace" is different: the effect's picture, alpha included, cross-faded with the
// input by the mix; at mix 1 it is the effect's picture exactly, and no pass runs at all.

#include <string>
#include <string_view>

#include "tools/hostkit/gl/gl_api.h"

namespace hostkit {

enum class BlendMode { Replace, Normal, Add, Screen, Multiply, Overlay, SoftLight, Lighten, Darken, Difference };
inline constexpr int kBlendModeCount = 10;

// "replace", "normal", "add", "screen", "multiply", "overlay", "soft-light", "lighten",
// "darken", "difference": the names every front end shows and accepts.
const char* BlendModeName(BlendMode mode);
// The mode named `name` (any case; "softlight" and "soft_light" too); false when none is.
bool ParseBlendMode(std::string_view name, BlendMode& mode);
// "replace, normal, ..., difference"
std::string BlendModeList();
// The mode a number stands for (its position in the list, rounded; out of range clamps), as
// option parameters carry it.
BlendMode BlendModeFromValue(float value);

// Whether `mode` at `mix` changes the effect's picture at all: false only for replace at a
// mix of 1 or more, which is the effect's picture exactly.
bool CompositeChangesPicture(BlendMode mode, float mix);

class CompositeProgram {
 public:
  CompositeProgram() = default;
  ~CompositeProgram() = default;  // GL names are freed by Release, with the context current
  CompositeProgram(const CompositeProgram&) = delete;
  CompositeProgram& operator=(const CompositeProgram&) = delete;

  // GL context current. False with the GL info log in `error` when the program does not build.
  bool Create(std::string& error);
  bool Ready() const { return program != 0; }
  // GL context current. Draws `effect` over `input` by `mode` and `mix` into the bound
  // framebuffer's viewport; both textures are sampled over the whole viewport. Leaves no
  // program, texture or vertex array bound.
  void Draw(GLuint input, GLuint effect, BlendMode mode, float mix) const;
  // GL context current. Deletes the GL objects; may be repeated.
  void Release();

 private:
  GLuint program = 0;
  GLuint vertexArray = 0;
  GLint modeLocation = -1;
  GLint mixLocation = -1;
};

}  // namespace hostkit
