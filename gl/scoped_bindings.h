#pragma once
// Scope guards for GL bindings. Each binds on construction and binds 0 when its scope
// ends; none remembers or restores the binding that was in force before it.

#include <GL/glew.h>

// Holds a vertex array object bound for the length of a scope.
class ScopedVertexArrayBinding {
 public:
  // GL context current. Binds the vertex array (0 is allowed).
  explicit ScopedVertexArrayBinding(GLuint vertexArray);
  // Binds vertex array 0 once, unless already done.
  ~ScopedVertexArrayBinding();
  ScopedVertexArrayBinding(const ScopedVertexArrayBinding&) = delete;
  ScopedVertexArrayBinding& operator=(const ScopedVertexArrayBinding&) = delete;

  bool bound = false;
};

namespace ffglex {

// Holds a buffer bound to one binding point for the length of a scope.
class ScopedBufferBinding {
 public:
  // GL context current. Binds the buffer to the target (0 is allowed).
  ScopedBufferBinding(GLenum target, GLuint buffer);
  // Binds buffer 0 to the target once, unless already done.
  virtual ~ScopedBufferBinding();
  ScopedBufferBinding(const ScopedBufferBinding&) = delete;
  ScopedBufferBinding& operator=(const ScopedBufferBinding&) = delete;

  GLenum target;
  bool bound = false;
};

// A buffer on GL_ARRAY_BUFFER.
class ScopedVBOBinding : public ScopedBufferBinding {
 public:
  // GL context current. Binds the buffer to GL_ARRAY_BUFFER.
  explicit ScopedVBOBinding(GLuint buffer);
};

}  // namespace ffglex
