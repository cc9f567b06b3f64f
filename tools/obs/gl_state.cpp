#include "tools/obs/gl_state.h"

#include <iterator>

namespace swirlobs {
namespace {

// The switches that change what a draw writes; each is off while the plugin draws.
constexpr GLenum kSwitches[] = {GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_CULL_FACE,
                                GL_FRAMEBUFFER_SRGB};

}  // namespace

SavedGlState::SavedGlState() {
  static_assert(std::size(kSwitches) == sizeof enabled / sizeof enabled[0]);
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
  // Unit 1 is the compositing pass's second picture.
  glActiveTexture(GL_TEXTURE1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture1);
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler1);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture0);
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler0);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
  glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  for (size_t i = 0; i < std::size(kSwitches); ++i) {
    enabled[i] = glIsEnabled(kSwitches[i]);
    if (enabled[i]) glDisable(kSwitches[i]);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  // A sampler object on unit 0 or 1 would override the pictures' own filtering.
  if (sampler0) glBindSampler(0, 0);
  if (sampler1) glBindSampler(1, 0);
}

SavedGlState::~SavedGlState() {
  for (size_t i = 0; i < std::size(kSwitches); ++i) {
    if (enabled[i]) glEnable(kSwitches[i]);
    else glDisable(kSwitches[i]);
  }
  glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
  glBindVertexArray(static_cast<GLuint>(vertexArray));
  glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
  glActiveTexture(GL_TEXTURE1);
  glBindSampler(1, static_cast<GLuint>(sampler1));
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture1));
  glActiveTexture(GL_TEXTURE0);
  glBindSampler(0, static_cast<GLuint>(sampler0));
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture0));
  glActiveTexture(static_cast<GLenum>(activeTexture));
  glUseProgram(static_cast<GLuint>(program));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
}

}  // namespace swirlobs
