#pragma once
// What the preview's window tests share: the small picture they run at, the program, the control
// dump read back, and the window's picture area compared with a render of the same settings.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/tool_test_util.h"

namespace previewtest {

constexpr int kW = 96;
constexpr int kH = 64;
const std::string kSize = std::to_string(kW) + "x" + std::to_string(kH);

// A window pixel is the render's pixel through an 8-bit texture and a linear sample at the
// texel's centre: the two may differ by a rounding step.
constexpr int kTolerance = 2;

// The swirlmoss program under test (SWIRLMOSS_CLI_PATH) run with `args`.
inline tooltest::RunResult Swirlmoss(const std::vector<std::string>& args) {
  return tooltest::Run(SWIRLMOSS_CLI_PATH, args);
}

inline nlohmann::json ReadJson(const std::string& path) {
  std::ifstream file(path);
  return nlohmann::json::parse(file, nullptr, false);
}

// Largest difference of any colour channel between the window's picture area and the render
// as the window shows it: over grey squares of 8 pixels (0.4 and 0.6, counted from the
// framebuffer's lower-left corner) where it is not opaque.
inline int LargestDifference(const tooltest::PngOnDisk& render, const tooltest::PngOnDisk& window,
                             const nlohmann::json& picture) {
  const int x0 = picture["x"].get<int>(), y0 = picture["y"].get<int>();
  int largest = 0;
  for (int y = 0; y < render.height; ++y) {
    for (int x = 0; x < render.width; ++x) {
      const int windowX = x0 + x, windowY = y0 + y;
      const int fromBottom = window.height - 1 - windowY;
      const double checker = ((windowX / 8 + fromBottom / 8) & 1) == 0 ? 0.4 : 0.6;
      const double alpha = render.At(x, y)[3] / 255.0;
      for (int c = 0; c < 3; ++c) {
        const double shown = (checker * (1.0 - alpha) + render.At(x, y)[c] / 255.0 * alpha) * 255.0;
        largest = std::max(largest, static_cast<int>(std::lround(std::abs(shown - window.At(windowX, windowY)[c]))));
      }
    }
  }
  return largest;
}

}  // namespace previewtest
