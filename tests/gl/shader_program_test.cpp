// ShaderProgram: building, failures with their one log line, and release.

#include "gl/shader_program.h"

#include <string>
#include <utility>

#include "shaders/effect_shaders.h"
#include "tests/gl/gl_test_helpers.h"

namespace {

using testgl::CoutCapture;
using testgl::LiveShaderAndProgramNames;

const char* const kVertex =
    "#version 410 core\n"
    "layout(location = 0) in vec4 vPosition;\n"
    "void main() { gl_Position = vPosition; }\n";
const char* const kFragment =
    "#version 410 core\n"
    "uniform float Level;\n"
    "out vec4 fragColor;\n"
    "void main() { fragColor = vec4(Level); }\n";
const char* const kBrokenStage = "#version 410 core\nvoid main() { this is not glsl }\n";

// A fragment stage calling a function it only declares: it compiles alone and fails at
// link time. The function's long name makes the driver's log longer than the buffer.
std::string UnlinkableFragment() {
  const std::string name = "declaredOnly" + std::string(1500, 'x');
  return "#version 410 core\nout vec4 fragColor;\nfloat " + name + "();\nvoid main() { fragColor = vec4(" + name +
         "()); }\n";
}

// What the driver says about linking the two stages.
std::string DriverLinkLog(const char* vertexSource, const char* fragmentSource) {
  const GLuint program = glCreateProgram();
  for (auto [type, source] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vertexSource},
                              std::pair<GLenum, const char*>{GL_FRAGMENT_SHADER, fragmentSource}}) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);
  }
  glLinkProgram(program);
  std::string log(65536, '\0');
  GLsizei length = 0;
  glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), &length, &log[0]);
  glDeleteProgram(program);
  log.resize(static_cast<size_t>(length));
  return log;
}

// What the driver says about compiling `source` as a stage of `type`.
std::string DriverCompileLog(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  std::string log(8192, '\0');
  GLsizei length = 0;
  glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), &length, &log[0]);
  glDeleteShader(shader);
  log.resize(static_cast<size_t>(length));
  return log;
}

class ShaderProgramTest : public testgl::GlUtilityTest {};

TEST_F(ShaderProgramTest, BuildsTheEffectStagesAndFindsTheirUniforms) {
  ShaderProgram program;
  ASSERT_TRUE(program.Build(shaders::kEffectVertexSource, shaders::kEffectFragmentSource));
  EXPECT_NE(program.ProgramId(), 0u);
  EXPECT_NE(program.vertexShaderId, 0u);
  EXPECT_NE(program.fragmentShaderId, 0u);
  for (const char* name : {"InputTexture", "Time", "Relief", "WaveThickness", "Slipperiness", "Shininess", "LightSpin",
                           "LightAmount", "NightMode", "Seed", "ColorPaint", "ColorLight", "Mode", "SmokeAmount",
                           "SmokeQuality", "ImageMask", "MaskPower", "MaskThreshold"}) {
    EXPECT_GE(program.UniformLocation(name), 0) << name;
  }
  EXPECT_EQ(program.UniformLocation("NoSuchUniform"), -1);
  // Both stages stay attached until Release.
  GLint attached = 0;
  glGetProgramiv(program.ProgramId(), GL_ATTACHED_SHADERS, &attached);
  EXPECT_EQ(attached, 2);
  program.Release();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, NullOrEmptyTextIsRefusedSilentlyAndKeepsTheNames) {
  ShaderProgram program;
  program.programId = 77;  // whatever is held stays as it is
  CoutCapture capture;
  EXPECT_FALSE(program.Build(nullptr, kFragment));
  EXPECT_FALSE(program.Build("", kFragment));
  EXPECT_FALSE(program.Build(kVertex, nullptr));
  EXPECT_FALSE(program.Build(kVertex, ""));
  EXPECT_EQ(capture.Text(), "");
  EXPECT_EQ(program.programId, 77u);
  EXPECT_EQ(program.vertexShaderId, 0u);
  EXPECT_EQ(program.fragmentShaderId, 0u);
}

TEST_F(ShaderProgramTest, VertexCompileFailureLogsOneLineAndLeavesNoObjects) {
  const auto before = LiveShaderAndProgramNames();
  ShaderProgram program;
  CoutCapture capture;
  EXPECT_FALSE(program.Build(kBrokenStage, kFragment));
  // One write: the prefix, the driver's log as it stands (it may hold line breaks of its
  // own), and the closing newline. The fragment stage is never compiled.
  const std::string driverLog = DriverCompileLog(GL_VERTEX_SHADER, kBrokenStage);
  EXPECT_FALSE(driverLog.empty());
  EXPECT_EQ(capture.Text(), "Vertex Shader error: " + driverLog + "\n");
  EXPECT_EQ(program.vertexShaderId, 0u);
  EXPECT_EQ(program.fragmentShaderId, 0u);
  EXPECT_EQ(program.programId, 0u);
  EXPECT_EQ(LiveShaderAndProgramNames(), before);
}

TEST_F(ShaderProgramTest, FragmentCompileFailureLogsOneLineAndDeletesTheVertexStage) {
  const auto before = LiveShaderAndProgramNames();
  ShaderProgram program;
  CoutCapture capture;
  EXPECT_FALSE(program.Build(kVertex, kBrokenStage));
  EXPECT_EQ(capture.Text(), "Fragment Shader error: " + DriverCompileLog(GL_FRAGMENT_SHADER, kBrokenStage) + "\n");
  EXPECT_EQ(program.vertexShaderId, 0u);
  EXPECT_EQ(program.fragmentShaderId, 0u);
  EXPECT_EQ(program.programId, 0u);
  EXPECT_EQ(LiveShaderAndProgramNames(), before);
}

TEST_F(ShaderProgramTest, LinkFailureLogsOneCutLineAndLeavesNoObjects) {
  const auto before = LiveShaderAndProgramNames();
  const std::string fragment = UnlinkableFragment();
  ShaderProgram program;
  CoutCapture capture;
  EXPECT_FALSE(program.Build(kVertex, fragment.c_str()));
  const std::string driverLog = DriverLinkLog(kVertex, fragment.c_str());
  ASSERT_GT(driverLog.size(), 1022u) << "the test wants a link log longer than the buffer";
  EXPECT_EQ(capture.Text(), "Fragment Shader error: " + driverLog.substr(0, 1022) + "\n");
  EXPECT_EQ(program.programId, 0u);
  EXPECT_EQ(program.vertexShaderId, 0u);
  EXPECT_EQ(program.fragmentShaderId, 0u);
  EXPECT_EQ(LiveShaderAndProgramNames(), before);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, ReleaseIsRepeatableAndHarmlessWhenNeverBuilt) {
  ShaderProgram never;
  never.Release();
  never.Release();
  ShaderProgram program;
  ASSERT_TRUE(program.Build(kVertex, kFragment));
  const GLuint programName = program.ProgramId();
  const GLuint vertexName = program.vertexShaderId;
  program.Release();
  program.Release();
  EXPECT_FALSE(glIsProgram(programName));
  EXPECT_FALSE(glIsShader(vertexName));
  EXPECT_EQ(program.ProgramId(), 0u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
