#pragma once
// The frame rate used where nothing says otherwise: stills, numbered sequences and the test
// card have none of their own, and a frei0r host that sends no rate is taken to run at it.

#include <string>

namespace hostkit {

constexpr double kDefaultFrameRate = 30.0;

// A rate as ffmpeg and people read it: "30", "29.97", "29.97002997" (ten significant digits,
// enough for ffmpeg to find 30000/1001 again).
std::string RateText(double fps);

}  // namespace hostkit
