#include "tools/frei0r/frame_clock.h"

#include <cmath>
#include <cstdlib>

#include "tools/hostkit/params/parameter_model.h"

namespace swirlfrei0r {
namespace {

bool ParsePositive(const std::string& text, double& value) {
  if (text.empty() || text.find_first_of(" \t") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && std::isfinite(value) && value > 0.0;
}

}  // namespace

bool ParseFrameRate(const std::string& text, double& rate, std::string& error) {
  const size_t slash = text.find('/');
  double value = 0.0, divisor = 1.0;
  const bool ok = slash == std::string::npos
                      ? ParsePositive(text, value)
                      : ParsePositive(text.substr(0, slash), value) && ParsePositive(text.substr(slash + 1), divisor);
  if (!ok || value / divisor > 1000.0) {
    error = "Frame Rate \"" + text + "\" is not a rate such as 30, 29.97 or 30000/1001 (above 0, at most 1000)";
    return false;
  }
  rate = value / divisor;
  return true;
}

bool ParseTimeUnit(const std::string& text, TimeUnit& unit, std::string& error) {
  if (hostkit::SameName(text, "auto")) {
    unit = TimeUnit::Auto;
  } else if (hostkit::SameName(text, "s")) {
    unit = TimeUnit::Seconds;
  } else if (hostkit::SameName(text, "ms")) {
    unit = TimeUnit::Milliseconds;
  } else {
    error = "Time Unit \"" + text + "\" is not one of: auto, s, ms";
    return false;
  }
  return true;
}

int64_t FrameAt(double time, TimeUnit unit, bool hostSendsMilliseconds, double rate) {
  const bool milliseconds = unit == TimeUnit::Milliseconds || (unit == TimeUnit::Auto && hostSendsMilliseconds);
  const double frame = (milliseconds ? time / 1000.0 : time) * rate;
  // Compared before rounding, so that a huge value never reaches the integer conversion.
  if (!std::isfinite(frame) || frame <= -0.5 || frame >= static_cast<double>(kLargestFrame) + 0.5) {
    return kUnknownFrame;
  }
  return std::llround(frame);
}

}  // namespace swirlfrei0r
