#include "tools/hostkit/image/test_card.h"

#include <algorithm>
#include <cmath>

namespace hostkit {
namespace {

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f)); }

void Hue(float h, float& r, float& g, float& b) {
  const float k = h * 6.0f;
  r = std::clamp(std::fabs(k - 3.0f) - 1.0f, 0.0f, 1.0f);
  g = std::clamp(2.0f - std::fabs(k - 2.0f), 0.0f, 1.0f);
  b = std::clamp(2.0f - std::fabs(k - 4.0f), 0.0f, 1.0f);
}

}  // namespace

Image MakeTestCard(int width, int height) {
  static const float bars[7][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
  Image image;
  image.width = width;
  image.height = height;
  image.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  const float holeRadius = TestCardHole::kRadius * static_cast<float>(height);
  for (int row = 0; row < height; ++row) {
    // Designed top-down; stored bottom-up as GL reads it.
    const float v = (static_cast<float>(row) + 0.5f) / static_cast<float>(height);
    for (int x = 0; x < width; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width);
      float r, g, b;
      if (v < 0.5f) {
        const float* bar = bars[std::min(6, static_cast<int>(u * 7.0f))];
        r = bar[0] * 0.9f + 0.1f;
        g = bar[1] * 0.9f + 0.1f;
        b = bar[2] * 0.9f + 0.1f;
      } else if (v < 0.75f) {
        r = g = b = u;
      } else {
        Hue(u, r, g, b);
      }
      const float dx = (u - TestCardHole::kCentreX) * static_cast<float>(width);
      const float dy = (v - TestCardHole::kCentreY) * static_cast<float>(height);
      const bool hole = dx * dx + dy * dy < holeRadius * holeRadius;
      uint8_t* pixel = image.Pixel(x, height - 1 - row);
      pixel[0] = ToByte(r);
      pixel[1] = ToByte(g);
      pixel[2] = ToByte(b);
      pixel[3] = hole ? 0 : 255;
    }
  }
  return image;
}

}  // namespace hostkit
