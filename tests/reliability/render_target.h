#pragma once
// The host's side of a frame: an input texture and a framebuffer the plugin draws into,
// both RGBA8 and of one size. One input set-up for every suite (linear filtering without
// mipmaps, clamped to the edge) keeps llvmpipe's pipeline variants, and so its shader
// compiles, to one. GL context current for every operation.

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/ffgl_types.h"

namespace reliability {

class RenderTarget {
 public:
  RenderTarget() = default;
  ~RenderTarget() = default;  // makes no GL call: Release first, with the context current
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // Entry points loaded. Makes the textures and the framebuffer; false with the reason in
  // `error` (and nothing left behind) when the framebuffer is incomplete.
  bool Create(uint32_t width, uint32_t height, std::string& error);
  // Deletes what Create made; harmless when repeated.
  void Release();
  // Binds the framebuffer and sets the viewport to the whole target, as a host does.
  void Bind() const;
  // Clears the framebuffer to transparent black, as a host does before the plugin draws:
  // pixels the effect discards then read the same in every run.
  void Clear() const;
  // The drawn pixels, RGBA8, bottom row first.
  std::vector<uint8_t> ReadPixels() const;

  FFGLTextureStruct* Input() { return &input; }
  GLuint Framebuffer() const { return framebuffer; }

 private:
  uint32_t width = 0;
  uint32_t height = 0;
  GLuint inputTexture = 0;
  GLuint colorTexture = 0;
  GLuint framebuffer = 0;
  FFGLTextureStruct input{};
};

}  // namespace reliability
