#include "tools/hostkit/gl/gl_program.h"

namespace hostkit {
namespace {

const char* const kQuadVertex = R"(#version 410 core
out vec2 uv;
void main() {
  vec2 corner = vec2(float((gl_VertexID & 1) << 1), float(gl_VertexID & 2));
  uv = corner * 0.5;
  gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
)";

GLuint Compile(GLenum stage, const char* source, const std::string& what, std::string& error) {
  const GLuint shader = glCreateShader(stage);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[512] = {};
  glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
  error = what + " shader: " + log;
  glDeleteShader(shader);
  return 0;
}

}  // namespace

GLuint BuildQuadProgram(const char* fragmentSource, const std::string& what, std::string& error) {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, kQuadVertex, what, error);
  const GLuint fragment = vertex ? Compile(GL_FRAGMENT_SHADER, fragmentSource, what, error) : 0;
  if (!fragment) {
    glDeleteShader(vertex);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok) return program;
  error = what + " program does not link";
  glDeleteProgram(program);
  return 0;
}

}  // namespace hostkit
