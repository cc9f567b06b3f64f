#include "gl/scoped_bindings.h"

ScopedVertexArrayBinding::ScopedVertexArrayBinding(GLuint vertexArray) : bound(true) {
  glBindVertexArray(vertexArray);
}

ScopedVertexArrayBinding::~ScopedVertexArrayBinding() {
  if (!bound) return;
  glBindVertexArray(0);
  bound = false;
}

namespace ffglex {

ScopedBufferBinding::ScopedBufferBinding(GLenum target, GLuint buffer) : target(target), bound(true) {
  glBindBuffer(target, buffer);
}

ScopedBufferBinding::~ScopedBufferBinding() {
  if (!bound) return;
  glBindBuffer(target, 0);
  bound = false;
}

ScopedVBOBinding::ScopedVBOBinding(GLuint buffer) : ScopedBufferBinding(GL_ARRAY_BUFFER, buffer) {}

}  // namespace ffglex
