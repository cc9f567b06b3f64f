// What a frame leaves behind: the GL state the host owns is untouched, the bindings the
// effect used are reset, bad frames answer as they should, and instances leave no GL
// object alive.

#include <array>

#include "tests/render/plugin_host.h"

namespace testrender {
namespace {

using testgl::Rgba;

GLint Integer(GLenum what) {
  GLint value = -1;
  glGetIntegerv(what, &value);
  return value;
}

std::array<GLint, 4> Integers4(GLenum what) {
  std::array<GLint, 4> values{};
  glGetIntegerv(what, values.data());
  return values;
}

std::array<GLfloat, 4> Floats4(GLenum what) {
  std::array<GLfloat, 4> values{};
  glGetFloatv(what, values.data());
  return values;
}

bool Unchanged(const std::vector<Rgba>& pixels, Rgba colour) {
  for (const Rgba& p : pixels) {
    if (p.r != colour.r || p.g != colour.g || p.b != colour.b || p.a != colour.a) return false;
  }
  return true;
}

class FrameStateTest : public RenderTest {};

// The only test that changes blend state: llvmpipe compiles a pipeline variant per state.
TEST_F(FrameStateTest, FrameResetsItsBindingsAndLeavesTheHostStateAlone) {
  HostInstance host;
  host.Set(PARAM_SEED, 5.0f);
  target->Bind();
  glViewport(4, 2, 80, 56);
  glClearColor(0.1f, 0.2f, 0.3f, 0.4f);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ONE, GL_ZERO);
  glBlendEquation(GL_FUNC_ADD);
  glActiveTexture(GL_TEXTURE3);

  ASSERT_EQ(host.Frame(input, kWidth, kHeight), FF_SUCCESS);

  EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), 0);
  EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), 0);
  EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);
  EXPECT_EQ(Integer(GL_DRAW_FRAMEBUFFER_BINDING), static_cast<GLint>(target->Framebuffer()));
  EXPECT_EQ(Integers4(GL_VIEWPORT), (std::array<GLint, 4>{4, 2, 80, 56}));
  EXPECT_EQ(Floats4(GL_COLOR_CLEAR_VALUE), (std::array<GLfloat, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE);
  EXPECT_EQ(Integer(GL_BLEND_SRC_ALPHA), GL_ONE);
  EXPECT_EQ(Integer(GL_BLEND_DST_ALPHA), GL_ZERO);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
}

TEST_F(FrameStateTest, FramesWithoutInputDrawNothingAndLeaveNoGlError) {
  HostInstance host;
  host.Set(PARAM_SEED, 5.0f);
  const Rgba sentinel{0.25f, 0.5f, 0.75f, 0.125f};
  FFGLTextureStruct* noEntries[1] = {nullptr};
  const ProcessOpenGLStruct withoutInput[] = {{0, nullptr, 0}, {1, nullptr, 0}, {1, noEntries, 0}};
  for (const ProcessOpenGLStruct& frame : withoutInput) {
    target->Clear(sentinel);
    EXPECT_EQ(host.Frame(frame), FF_FAIL);
    EXPECT_TRUE(Unchanged(target->Read(), sentinel));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

TEST_F(FrameStateTest, OddInputsStillDrawWithoutGlError) {
  HostInstance host;
  host.Set(PARAM_SEED, 6.0f);
  const Rgba sentinel{0.25f, 0.5f, 0.75f, 0.125f};

  // A record that claims far more pixels than the texture has: only the size uniform moves.
  target->Clear(sentinel);
  EXPECT_EQ(host.Frame(input, 8192, 8192), FF_SUCCESS);
  EXPECT_FALSE(Unchanged(target->Read(), sentinel));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // A one-pixel input with the same set-up as every other input.
  const GLuint tiny = testgl::MakeInputTexture(1, 1, {200, 100, 50, 255});
  target->Clear(sentinel);
  EXPECT_EQ(host.Frame(tiny, 1, 1), FF_SUCCESS);
  EXPECT_FALSE(Unchanged(target->Read(), sentinel));
  glDeleteTextures(1, &tiny);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Texture name 0 samples as black; the frame still draws.
  target->Clear(sentinel);
  EXPECT_EQ(host.Frame(0, kWidth, kHeight), FF_SUCCESS);
  EXPECT_FALSE(Unchanged(target->Read(), sentinel));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameStateTest, TeardownIsRepeatable) {
  HostInstance host;
  EXPECT_EQ(host.Probe().TeardownGL(), FF_SUCCESS);
  EXPECT_EQ(host.Probe().TeardownGL(), FF_SUCCESS);
  EXPECT_EQ(host.Probe().Program(), 0u);
  EXPECT_EQ(host.Probe().VertexArray(), 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}  // code 19 tears down once more

TEST_F(FrameStateTest, TwoHundredInstancesLeaveNoGlObjectAlive) {
  const auto namesBefore = testgl::LiveShaderAndProgramNames();
  target->Bind();
  for (int cycle = 0; cycle < 200; ++cycle) {
    GLuint program = 0, vertex = 0, fragment = 0, array = 0, buffer = 0;
    {
      HostInstance host;
      ASSERT_NE(host.Handle(), nullptr);
      program = host.Probe().Program();
      vertex = host.Probe().VertexShader();
      fragment = host.Probe().FragmentShader();
      array = host.Probe().VertexArray();
      buffer = host.Probe().VertexBuffer();
      ASSERT_TRUE(program && vertex && fragment && array && buffer);
      if (cycle % 80 == 0) {
        host.Set(PARAM_SEED, 1.0f);
        EXPECT_EQ(host.Frame(input, kWidth, kHeight), FF_SUCCESS);
      }
    }
    ASSERT_FALSE(glIsProgram(program)) << "cycle " << cycle;
    ASSERT_FALSE(glIsShader(vertex)) << "cycle " << cycle;
    ASSERT_FALSE(glIsShader(fragment)) << "cycle " << cycle;
    ASSERT_FALSE(glIsVertexArray(array)) << "cycle " << cycle;
    ASSERT_FALSE(glIsBuffer(buffer)) << "cycle " << cycle;
  }
  EXPECT_EQ(testgl::LiveShaderAndProgramNames(), namesBefore);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace testrender
