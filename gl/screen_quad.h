#pragma once
// Two triangles covering the whole viewport, each vertex carrying a texture coordinate
// (0,0 at the lower left) and a clip-space position. Holds GL names only: construction
// and destruction never touch GL; Release frees the objects.

#include <GL/glew.h>

class ScreenQuad {
 public:
  ScreenQuad() = default;
  ScreenQuad(const ScreenQuad&) = delete;
  ScreenQuad& operator=(const ScreenQuad&) = delete;

  // GL context current. Makes the vertex array and buffer, uploads the six vertices and
  // records attribute 0 (position) and 1 (texture coordinate); leaves both bindings at 0.
  // Answers false, holding nothing, when GL hands out the name 0.
  bool Create();
  // GL context current. One draw of six vertices with whatever program is bound; does
  // nothing (no GL call) unless Create succeeded.
  void Draw() const;
  // GL context current. Deletes both objects and zeroes the names; safe to repeat.
  void Release();

  GLuint vaoId = 0;
  GLuint vboId = 0;
};
