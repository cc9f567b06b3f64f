#pragma once
// OBS's OpenGL back end remembers what it bound last (render target, program, textures,
// samplers, vertex arrays, blend state) and skips a bind it believes is already in place. GL
// state changed behind its back must therefore be put back exactly as it was: this saves every
// binding and switch that our code or the plugin touches, sets the neutral state the plugin
// draws in (as in the `swirlmoss` program's own context), and restores all of it when it goes.

#include "tools/hostkit/gl/gl_api.h"

namespace swirlobs {

class SavedGlState {
 public:
  // GL context current. Saves, then disables blending, depth, stencil, scissor, culling and
  // sRGB writes, opens every colour channel and unbinds the sampler objects of units 0 and 1.
  SavedGlState();
  // Puts back everything saved.
  ~SavedGlState();
  SavedGlState(const SavedGlState&) = delete;
  SavedGlState& operator=(const SavedGlState&) = delete;

 private:
  GLint drawFramebuffer = 0, readFramebuffer = 0;
  GLint viewport[4] = {0, 0, 0, 0};
  GLint program = 0;
  GLint activeTexture = GL_TEXTURE0;
  GLint texture0 = 0, sampler0 = 0, texture1 = 0, sampler1 = 0;
  GLint vertexArray = 0, arrayBuffer = 0;
  GLboolean colourMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
  GLfloat clearColour[4] = {0, 0, 0, 0};
  GLboolean enabled[6] = {};
};

}  // namespace swirlobs
