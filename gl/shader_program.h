#pragma once
// One linked GL program built from a vertex and a fragment source text. Holds GL names
// only: construction and destruction never touch GL; Release frees the objects.

#include <GL/glew.h>

class ShaderProgram {
 public:
  ShaderProgram() = default;
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  // GL context current. Compiles vertex then fragment stage and links them. Answers false
  // at once (no GL call, no log) for a null or empty text; answers false after one log
  // line and with every name released when a stage fails to compile or the link fails.
  bool Build(const char* vertexSource, const char* fragmentSource);
  // GL context current. The location of the named uniform, -1 when it is not active.
  GLint UniformLocation(const char* name) const;
  // The linked program's name, 0 when none is held.
  GLuint ProgramId() const { return programId; }
  // GL context current. Deletes what is held and zeroes the names; safe to repeat.
  void Release();

  GLuint vertexShaderId = 0;
  GLuint fragmentShaderId = 0;
  GLuint programId = 0;

 private:
  bool CompileVertexStage(const char* source);
  bool CompileFragmentStage(const char* source);
  bool LinkStages();
};
