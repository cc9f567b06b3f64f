// ScreenQuad and the scope guards: bindings left at 0, orientation, coverage, culling.

#include "gl/screen_quad.h"

#include "gl/scoped_bindings.h"
#include "shaders/effect_shaders.h"
#include "tests/gl/gl_test_helpers.h"

namespace {

using testgl::FloatTarget;
using testgl::Rgba;

GLint Integer(GLenum what) {
  GLint value = -1;
  glGetIntegerv(what, &value);
  return value;
}

// Writes the interpolated texture coordinate; blue marks every covered pixel.
const char* const kCoordinateFragment =
    "#version 410 core\n"
    "in vec2 vTexCoord;\n"
    "out vec4 fragColor;\n"
    "void main() { fragColor = vec4(vTexCoord, 1.0, 1.0); }\n";

class ScreenQuadTest : public testgl::GlUtilityTest {};

TEST_F(ScreenQuadTest, CreateLeavesVertexArrayAndArrayBufferAtZero) {
  GLuint otherArray = 0, otherBuffer = 0;
  glGenVertexArrays(1, &otherArray);
  glGenBuffers(1, &otherBuffer);
  glBindVertexArray(otherArray);
  glBindBuffer(GL_ARRAY_BUFFER, otherBuffer);

  ScreenQuad quad;
  ASSERT_TRUE(quad.Create());
  EXPECT_NE(quad.vaoId, 0u);
  EXPECT_NE(quad.vboId, 0u);
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), 0);
  EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), 0);

  quad.Release();
  glDeleteBuffers(1, &otherBuffer);
  glDeleteVertexArrays(1, &otherArray);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScreenQuadTest, DrawWithoutObjectsMakesNoGlCall) {
  GLuint otherArray = 0;
  glGenVertexArrays(1, &otherArray);
  glBindVertexArray(otherArray);
  ScreenQuad quad;
  quad.Draw();  // a guard would have reset the binding to 0
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(otherArray));
  ASSERT_TRUE(quad.Create());
  quad.Release();
  glBindVertexArray(otherArray);
  quad.Draw();
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(otherArray));
  glBindVertexArray(0);
  glDeleteVertexArrays(1, &otherArray);
}

TEST_F(ScreenQuadTest, ReleaseTwiceIsHarmless) {
  ScreenQuad quad;
  ASSERT_TRUE(quad.Create());
  const GLuint array = quad.vaoId, buffer = quad.vboId;
  quad.Release();
  quad.Release();
  EXPECT_FALSE(glIsVertexArray(array));
  EXPECT_FALSE(glIsBuffer(buffer));
  EXPECT_EQ(quad.vaoId, 0u);
  EXPECT_EQ(quad.vboId, 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScreenQuadTest, CoversTheViewportWithLowerLeftOriginAndWindsClockwise) {
  constexpr int kWidth = 16, kHeight = 8;
  FloatTarget target(kWidth, kHeight);
  const GLuint program = testgl::BuildTestProgram(shaders::kEffectVertexSource, kCoordinateFragment);
  ScreenQuad quad;
  ASSERT_TRUE(quad.Create());
  glUseProgram(program);

  target.Clear({-1.0f, -1.0f, -1.0f, -1.0f});
  quad.Draw();
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), 0);
  auto pixels = target.Read();
  for (const Rgba& p : pixels) ASSERT_EQ(p.b, 1.0f) << "every pixel is covered";
  const Rgba lowerLeft = pixels.front();
  const Rgba upperRight = pixels.back();
  EXPECT_NEAR(lowerLeft.r, 0.5f / kWidth, 1e-5f);
  EXPECT_NEAR(lowerLeft.g, 0.5f / kHeight, 1e-5f);
  EXPECT_NEAR(upperRight.r, 1.0f - 0.5f / kWidth, 1e-5f);
  EXPECT_NEAR(upperRight.g, 1.0f - 0.5f / kHeight, 1e-5f);

  // Both triangles wind clockwise, so culling back faces removes them.
  glEnable(GL_CULL_FACE);
  target.Clear({-1.0f, -1.0f, -1.0f, -1.0f});
  quad.Draw();
  glDisable(GL_CULL_FACE);
  pixels = target.Read();
  for (const Rgba& p : pixels) ASSERT_EQ(p.b, -1.0f) << "a culled quad draws nothing";

  glUseProgram(0);
  quad.Release();
  glDeleteProgram(program);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ScreenQuadTest, GuardsBindForTheirScopeAndLeaveZeroNotThePreviousBinding) {
  GLuint buffers[2] = {};
  glGenBuffers(2, buffers);
  GLuint array = 0;
  glGenVertexArrays(1, &array);

  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBindBuffer(GL_COPY_READ_BUFFER, buffers[0]);
  {
    ffglex::ScopedVBOBinding vbo(buffers[1]);
    ffglex::ScopedBufferBinding copyRead(GL_COPY_READ_BUFFER, buffers[1]);
    ScopedVertexArrayBinding vao(array);
    EXPECT_EQ(vbo.target, static_cast<GLenum>(GL_ARRAY_BUFFER));
    EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffers[1]));
    EXPECT_EQ(Integer(GL_COPY_READ_BUFFER_BINDING), static_cast<GLint>(buffers[1]));
    EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(array));
  }
  EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), 0);
  EXPECT_EQ(Integer(GL_COPY_READ_BUFFER_BINDING), 0);
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), 0);

  // A guard whose flag is already clear leaves the binding alone.
  {
    ffglex::ScopedVBOBinding vbo(buffers[0]);
    ScopedVertexArrayBinding vao(array);
    vbo.bound = false;
    vao.bound = false;
  }
  EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffers[0]));
  EXPECT_EQ(Integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(array));

  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glDeleteVertexArrays(1, &array);
  glDeleteBuffers(2, buffers);
}

}  // namespace
