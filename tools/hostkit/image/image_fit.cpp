#include "tools/hostkit/image/image_fit.h"

#include <algorithm>
#include <cmath>

namespace hostkit {

void FittedSize(int width, int height, int frameWidth, int frameHeight, int& fittedWidth, int& fittedHeight) {
  // Compared in integers so that a picture of the frame's own aspect fills it exactly.
  if (static_cast<int64_t>(width) * frameHeight >= static_cast<int64_t>(height) * frameWidth) {
    fittedWidth = frameWidth;
    fittedHeight = static_cast<int>(std::lround(static_cast<double>(height) * frameWidth / width));
  } else {
    fittedHeight = frameHeight;
    fittedWidth = static_cast<int>(std::lround(static_cast<double>(width) * frameHeight / height));
  }
  fittedWidth = std::clamp(fittedWidth, 1, frameWidth);
  fittedHeight = std::clamp(fittedHeight, 1, frameHeight);
}

Image FitPicture(const Image& source, int frameWidth, int frameHeight) {
  Image frame;
  frame.width = frameWidth;
  frame.height = frameHeight;
  frame.rgba.assign(static_cast<size_t>(frameWidth) * static_cast<size_t>(frameHeight) * 4, 0);
  int fittedWidth = 0, fittedHeight = 0;
  FittedSize(source.width, source.height, frameWidth, frameHeight, fittedWidth, fittedHeight);
  const int left = (frameWidth - fittedWidth) / 2;
  // Centred with any odd pixel of margin at the bottom, as ffmpeg's pad filter places it.
  const int bottom = frameHeight - fittedHeight - (frameHeight - fittedHeight) / 2;
  const double scaleX = static_cast<double>(source.width) / fittedWidth;
  const double scaleY = static_cast<double>(source.height) / fittedHeight;
  // Each output pixel averages a grid of samples over its footprint, so shrinking does not alias.
  const int samplesX = std::clamp(static_cast<int>(std::ceil(scaleX)), 1, 8);
  const int samplesY = std::clamp(static_cast<int>(std::ceil(scaleY)), 1, 8);
  for (int y = 0; y < fittedHeight; ++y) {
    for (int x = 0; x < fittedWidth; ++x) {
      double sum[4] = {0, 0, 0, 0};
      for (int sy = 0; sy < samplesY; ++sy) {
        const double v = (y + (sy + 0.5) / samplesY) * scaleY - 0.5;
        const int y0 = std::clamp(static_cast<int>(std::floor(v)), 0, source.height - 1);
        const int y1 = std::min(y0 + 1, source.height - 1);
        const double fy = std::clamp(v - y0, 0.0, 1.0);
        for (int sx = 0; sx < samplesX; ++sx) {
          const double u = (x + (sx + 0.5) / samplesX) * scaleX - 0.5;
          const int x0 = std::clamp(static_cast<int>(std::floor(u)), 0, source.width - 1);
          const int x1 = std::min(x0 + 1, source.width - 1);
          const double fx = std::clamp(u - x0, 0.0, 1.0);
          const uint8_t* corners[4] = {source.Pixel(x0, y0), source.Pixel(x1, y0), source.Pixel(x0, y1),
                                       source.Pixel(x1, y1)};
          const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
          // Colour is weighted by alpha, so transparent pixels lend no colour to their neighbours.
          for (int k = 0; k < 4; ++k) {
            const double a = weights[k] * corners[k][3];
            for (int c = 0; c < 3; ++c) sum[c] += a * corners[k][c];
            sum[3] += a;
          }
        }
      }
      uint8_t* out = frame.Pixel(left + x, bottom + y);
      const double alpha = sum[3] / (samplesX * samplesY);
      for (int c = 0; c < 3; ++c) out[c] = sum[3] > 0 ? static_cast<uint8_t>(std::lround(sum[c] / sum[3])) : 0;
      out[3] = static_cast<uint8_t>(std::lround(alpha));
    }
  }
  return frame;
}

}  // namespace hostkit
