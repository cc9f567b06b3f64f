#include "tests/reliability/host_surface.h"

namespace reliability {
namespace {

// A diagonal gradient: the mask has something to cut when a test switches it on.
std::vector<uint8_t> Gradient(uint32_t width, uint32_t height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(255 * x / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<uint8_t>(255 * y / (height > 1 ? height - 1 : 1));
      p[2] = static_cast<uint8_t>((p[0] + p[1]) / 2);
      p[3] = 255;
    }
  return pixels;
}

}  // namespace

HostSurface::HostSurface(uint32_t width, uint32_t height)
    : target(static_cast<int>(width), static_cast<int>(height)) {
  const GLuint texture =
      testgl::MakeInputTexture(static_cast<int>(width), static_cast<int>(height), Gradient(width, height));
  input = FFGLTextureStruct{width, height, width, height, texture};
}

HostSurface::~HostSurface() {
  const GLuint texture = input.Handle;
  glDeleteTextures(1, &texture);
}

void HostSurface::BindCleared() const { target.Clear({0.0f, 0.0f, 0.0f, 0.0f}); }

}  // namespace reliability
