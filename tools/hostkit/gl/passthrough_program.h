#pragma once
// A pass-through frame of the same size as the effect's: one full-screen quad that copies
// the input texture. The benchmark's yardstick for what a frame costs before any effect work.
// Upside down, it is how a host whose textures hold the top row first (GStreamer's) turns
// frames to GL's order and back: texel for texel, by integer fetches, so the bytes are the
// source's exactly whatever the texture's filters.

#include <string>

#include "tools/hostkit/gl/gl_api.h"

namespace hostkit {

class PassthroughProgram {
 public:
  PassthroughProgram() = default;
  ~PassthroughProgram() = default;  // GL names are freed by Release, with the context current
  PassthroughProgram(const PassthroughProgram&) = delete;
  PassthroughProgram& operator=(const PassthroughProgram&) = delete;

  // GL context current. False with the GL info log in `error` when the program does not build.
  bool Create(std::string& error, bool upsideDown = false);
  // GL context current. Draws `texture` over the bound framebuffer's viewport (upside down:
  // a viewport of the texture's size).
  void Draw(GLuint texture) const;
  // GL context current. Deletes the GL objects; may be repeated.
  void Release();

 private:
  GLuint program = 0;
  GLuint vertexArray = 0;
};

}  // namespace hostkit
