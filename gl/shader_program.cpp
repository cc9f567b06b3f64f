#include "gl/shader_program.h"

#include <vector>

#include "host/log_channel.h"

namespace {

constexpr const char* kVertexErrorPrefix = "Vertex Shader error: ";
constexpr const char* kFragmentErrorPrefix = "Fragment Shader error: ";

// Creates, sources and compiles one shader into `shaderId` (written even when GL answers
// 0). On a failed compile writes the prefix and the shader's info log as one line.
bool CompileStage(GLenum type, const char* source, const char* logPrefix, GLuint& shaderId) {
  shaderId = glCreateShader(type);
  glShaderSource(shaderId, 1, &source, nullptr);
  glCompileShader(shaderId);
  GLint status = GL_FALSE;
  glGetShaderiv(shaderId, GL_COMPILE_STATUS, &status);
  if (status == GL_TRUE) return true;

  GLint logLength = 0;
  glGetShaderiv(shaderId, GL_INFO_LOG_LENGTH, &logLength);
  if (logLength < 0) logLength = 0;
  std::vector<GLchar> log(static_cast<size_t>(logLength) + 1, '\0');
  glGetShaderInfoLog(shaderId, logLength, nullptr, log.data());
  LogLine(logPrefix, log.data());
  return false;
}

}  // namespace

bool ShaderProgram::Build(const char* vertexSource, const char* fragmentSource) {
  if (!vertexSource || !*vertexSource || !fragmentSource || !*fragmentSource) return false;
  if (CompileVertexStage(vertexSource) && CompileFragmentStage(fragmentSource) && LinkStages()) return true;
  Release();
  return false;
}

bool ShaderProgram::CompileVertexStage(const char* source) {
  return CompileStage(GL_VERTEX_SHADER, source, kVertexErrorPrefix, vertexShaderId);
}

bool ShaderProgram::CompileFragmentStage(const char* source) {
  return CompileStage(GL_FRAGMENT_SHADER, source, kFragmentErrorPrefix, fragmentShaderId);
}

bool ShaderProgram::LinkStages() {
  programId = glCreateProgram();
  glAttachShader(programId, vertexShaderId);
  glAttachShader(programId, fragmentShaderId);
  GLint status = GL_FALSE;
  glLinkProgram(programId);
  glGetProgramiv(programId, GL_LINK_STATUS, &status);
  if (status == GL_TRUE) return true;

  // A fixed buffer: a longer link log is cut after its 1022nd character.
  GLchar log[1024];
  GLsizei written = 0;
  glGetProgramInfoLog(programId, 1023, &written, log);
  if (written < 0) written = 0;
  if (written > 1022) written = 1022;
  log[written] = '\0';
  LogLine(kFragmentErrorPrefix, log);
  return false;
}

GLint ShaderProgram::UniformLocation(const char* name) const { return glGetUniformLocation(programId, name); }

void ShaderProgram::Release() {
  // Shaders go first while still attached; GL frees them with the program.
  if (vertexShaderId != 0) {
    glDeleteShader(vertexShaderId);
    vertexShaderId = 0;
  }
  if (fragmentShaderId != 0) {
    glDeleteShader(fragmentShaderId);
    fragmentShaderId = 0;
  }
  if (programId != 0) {
    glDeleteProgram(programId);
    programId = 0;
  }
}
