#pragma once
// The host's side of a frame: the one input set-up every suite uses (RGBA8, linear, no
// mipmaps, clamped) and the float framebuffer the effect draws into, both of one size.
// Sharing the set-up with the other suites keeps llvmpipe's pipeline variants, and so its
// shader compiles, to one. Made and destroyed with the GL context current.

#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "host/ffgl_types.h"
#include "tests/gl/gl_test_helpers.h"

namespace reliability {

class HostSurface {
 public:
  HostSurface(uint32_t width, uint32_t height);
  ~HostSurface();
  HostSurface(const HostSurface&) = delete;
  HostSurface& operator=(const HostSurface&) = delete;

  // The input texture's record, as the host hands it in a frame.
  FFGLTextureStruct* Input() { return &input; }
  GLuint Framebuffer() const { return target.Framebuffer(); }
  // Binds the framebuffer over its whole size and clears it to transparent black, so that
  // pixels the effect discards read the same in every run.
  void BindCleared() const;
  std::vector<testgl::Rgba> Read() const { return target.Read(); }

 private:
  testgl::FloatTarget target;
  FFGLTextureStruct input{};
};

}  // namespace reliability
