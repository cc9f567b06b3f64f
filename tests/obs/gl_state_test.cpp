// OBS trusts its cache of GL bindings: whatever the filter or the plugin changes must be as OBS
// left it when the filter's frame ends, and the plugin must draw in the same neutral state it
// gets from every other host.

#include <gtest/gtest.h>

#include "tests/support/gl_test_context.h"
#include "tools/obs/gl_state.h"

namespace {

class SavedGlStateTest : public testsupport::GlTest {};

GLint Integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

TEST_F(SavedGlStateTest, PutsBackEveryBindingAndSwitchAndDrawsInBetweenInTheNeutralState) {
  GLuint framebuffers[2], textures[2], sampler, array, buffer;
  glGenFramebuffers(2, framebuffers);
  glGenTextures(2, textures);
  glGenSamplers(1, &sampler);
  glGenVertexArrays(1, &array);
  glGenBuffers(1, &buffer);
  // A state such as OBS leaves between its draws.
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[0]);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[1]);
  glViewport(3, 4, 50, 60);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  glBindSampler(0, sampler);
  glActiveTexture(GL_TEXTURE2);
  glBindVertexArray(array);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glEnable(GL_BLEND);
  glEnable(GL_FRAMEBUFFER_SRGB);
  glEnable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE);
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  {
    swirlobs::SavedGlState saved;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_FRAMEBUFFER_SRGB));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ(Integer(GL_SAMPLER_BINDING), 0) << "a sampler object would override the input's filtering";
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
    // What the driver and the plugin change in a frame.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 8, 8);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glClearColor(0, 0, 0, 0);
    glDisable(GL_BLEND);
  }
  EXPECT_EQ(Integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffers[0]));
  EXPECT_EQ(Integer(GL_READ_FRAMEBUFFER_BINDING), static_cast<GLint>(framebuffers[1]));
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0] + viewport[1] * 10 + viewport[2] * 100 + viewport[3] * 10000, 3 + 40 + 5000 + 600000);
  EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(textures[0]));
  EXPECT_EQ(Integer(GL_SAMPLER_BINDING), static_cast<GLint>(sampler));
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(array));
  EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_FRAMEBUFFER_SRGB));
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  GLboolean mask[4];
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  EXPECT_TRUE(mask[0] && !mask[1] && mask[2] && !mask[3]);
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 0.75f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glBindVertexArray(0);
  glDisable(GL_BLEND);
  glDisable(GL_FRAMEBUFFER_SRGB);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBindSampler(0, 0);
  glDeleteFramebuffers(2, framebuffers);
  glDeleteTextures(2, textures);
  glDeleteSamplers(1, &sampler);
  glDeleteVertexArrays(1, &array);
  glDeleteBuffers(1, &buffer);
}

}  // namespace
