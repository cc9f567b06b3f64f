#pragma once
// Pixel layouts the host renders into and reads back. Rows always run bottom to top, as GL
// stores them; writers turn them upright.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostkit {

enum class PixelFormat {
  Rgba8,     // 8-bit unsigned normalised: PNG, video, raw output
  RgbaHalf,  // 16-bit float per channel: keeps values above 1 for OpenEXR
};

inline size_t BytesPerPixel(PixelFormat format) { return format == PixelFormat::Rgba8 ? 4 : 8; }

// An RGBA8 picture held by the host, rows bottom to top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  uint8_t* Pixel(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* Pixel(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// One rendered frame handed to an output, rows bottom to top.
struct FrameView {
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Rgba8;
  int index = 0;  // frame number within the render, from 0
  // What the sink's Encode made of these pixels, when it ran for this frame; null otherwise.
  const std::vector<uint8_t>* encoded = nullptr;
};

}  // namespace hostkit
