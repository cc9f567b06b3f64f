#include "gl/screen_quad.h"

#include <cstdint>

#include "gl/scoped_bindings.h"

namespace {

// u, v, then x, y, z per vertex; both triangles wind clockwise in device coordinates.
constexpr GLfloat QuadVertices[6][5] = {
    {0.0f, 1.0f, -1.0f, 1.0f, 0.0f},   // top left
    {1.0f, 1.0f, 1.0f, 1.0f, 0.0f},    // top right
    {0.0f, 0.0f, -1.0f, -1.0f, 0.0f},  // bottom left
    {0.0f, 0.0f, -1.0f, -1.0f, 0.0f},  // bottom left
    {1.0f, 1.0f, 1.0f, 1.0f, 0.0f},    // top right
    {1.0f, 0.0f, 1.0f, -1.0f, 0.0f},   // bottom right
};
static_assert(sizeof(QuadVertices) == 120, "six vertices of five floats");

constexpr GLsizei kVertexStride = 5 * sizeof(GLfloat);
constexpr uintptr_t kPositionOffset = 2 * sizeof(GLfloat);
constexpr uintptr_t kTexCoordOffset = 0;

const void* BufferOffset(uintptr_t bytes) { return reinterpret_cast<const void*>(bytes); }

}  // namespace

bool ScreenQuad::Create() {
  glGenVertexArrays(1, &vaoId);
  glGenBuffers(1, &vboId);
  if (vaoId == 0 || vboId == 0) {
    Release();
    return false;
  }
  ScopedVertexArrayBinding vertexArrayBinding(vaoId);
  ffglex::ScopedVBOBinding bufferBinding(vboId);
  glBufferData(GL_ARRAY_BUFFER, sizeof(QuadVertices), QuadVertices, GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kVertexStride, BufferOffset(kPositionOffset));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kVertexStride, BufferOffset(kTexCoordOffset));
  return true;
}

void ScreenQuad::Draw() const {
  if (vaoId == 0 || vboId == 0) return;
  ScopedVertexArrayBinding vertexArrayBinding(vaoId);
  glDrawArrays(GL_TRIANGLES, 0, 6);
}

void ScreenQuad::Release() {
  glDeleteBuffers(1, &vboId);
  vboId = 0;
  glDeleteVertexArrays(1, &vaoId);
  vaoId = 0;
}
