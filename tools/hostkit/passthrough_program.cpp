#include "tools/hostkit/passthrough_program.h"

namespace hostkit {
namespace {

// The quad comes from the vertex number: no vertex buffer to manage.
const char* const kVertex = R"(#version 410 core
out vec2 uv;
void main() {
  vec2 corner = vec2(float((gl_VertexID & 1) << 1), float(gl_VertexID & 2));
  uv = corner * 0.5;
  gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
)";

const char* const kFragment = R"(#version 410 core
in vec2 uv;
uniform sampler2D InputTexture;
out vec4 fragColor;
void main() { fragColor = texture(InputTexture, uv); }
)";

GLuint Compile(GLenum stage, const char* source, std::string& error) {
  const GLuint shader = glCreateShader(stage);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[512] = {};
  glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
  error = std::string("pass-through shader: ") + log;
  glDeleteShader(shader);
  return 0;
}

}  // namespace

bool PassthroughProgram::Create(std::string& error) {
  Release();
  const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertex, error);
  const GLuint fragment = vertex ? Compile(GL_FRAGMENT_SHADER, kFragment, error) : 0;
  if (!fragment) {
    glDeleteShader(vertex);
    return false;
  }
  program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    error = "pass-through program does not link";
    Release();
    return false;
  }
  glGenVertexArrays(1, &vertexArray);
  return true;
}

void PassthroughProgram::Draw(GLuint texture) const {
  glUseProgram(program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(glGetUniformLocation(program, "InputTexture"), 0);
  glBindVertexArray(vertexArray);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glBindVertexArray(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

void PassthroughProgram::Release() {
  if (program) glDeleteProgram(program);
  if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
  program = vertexArray = 0;
}

}  // namespace hostkit
