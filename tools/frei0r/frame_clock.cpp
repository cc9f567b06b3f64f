#include "tools/frei0r/frame_clock.h"

#include <algorithm>
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

constexpr double kLongestTime = 1e6;         // seconds; later ones are nonsense
constexpr double kSameTime = 1e-6;           // seconds; closer times are one frame repeated
constexpr double kLowestRate = 1.0;
constexpr double kHighestRate = 240.0;
constexpr double kRateTolerance = 0.015;     // relative, to a usual rate
constexpr int kLargestDivisor = 6;           // 25/2 = 12.5 fps is usual, 25/7 is not

bool Usable(double seconds) { return std::isfinite(seconds) && seconds >= 0.0 && seconds <= kLongestTime; }

// The usual rate nearest to `rate` within the tolerance, or 0 when none is near.
double UsualRate(double rate) {
  static const double kCommon[] = {24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 48, 50, 60000.0 / 1001,
                                   60,             72, 90, 100,            120, 144, 240};
  if (!(rate >= kLowestRate * (1 - kRateTolerance) && rate <= kHighestRate * (1 + kRateTolerance))) return 0.0;
  double best = 0.0, bestError = kRateTolerance;
  const auto consider = [&](double candidate) {
    const double error = std::fabs(rate - candidate) / candidate;
    if (candidate >= kLowestRate && candidate <= kHighestRate && error <= bestError) {
      best = candidate;
      bestError = error;
    }
  };
  consider(std::round(rate));
  for (double common : kCommon) {
    for (int divisor = 1; divisor <= kLargestDivisor; ++divisor) consider(common / divisor);
  }
  return best;
}

}  // namespace

bool ParseFrameRate(const std::string& text, double& rate, std::string& error) {
  if (hostkit::SameName(text, "auto")) {
    rate = 0.0;
    return true;
  }
  const size_t slash = text.find('/');
  double value = 0.0, divisor = 1.0;
  const bool ok = slash == std::string::npos
                      ? ParsePositive(text, value)
                      : ParsePositive(text.substr(0, slash), value) && ParsePositive(text.substr(slash + 1), divisor);
  if (!ok || value / divisor > 1000.0) {
    error = "Frame Rate \"" + text +
            "\" is not auto or a rate such as 30, 29.97 or 30000/1001 (above 0, at most 1000)";
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

double HostSeconds(double time, TimeUnit unit, bool hostSendsMilliseconds) {
  const bool milliseconds = unit == TimeUnit::Milliseconds || (unit == TimeUnit::Auto && hostSendsMilliseconds);
  return milliseconds ? time / 1000.0 : time;
}

int64_t FrameAt(double seconds, double rate) {
  const double frame = seconds * rate;
  // Compared before rounding, so that a huge value never reaches the integer conversion.
  if (!std::isfinite(frame) || frame <= -0.5 || frame >= static_cast<double>(kLargestFrame) + 0.5) {
    return kUnknownFrame;
  }
  return std::llround(frame);
}

int64_t FrameAt(double time, TimeUnit unit, bool hostSendsMilliseconds, double rate) {
  return FrameAt(HostSeconds(time, unit, hostSendsMilliseconds), rate);
}

RateFinding FindFrameRate(const double* seconds, size_t count) {
  std::array<double, kRateSamples> times{};
  size_t n = 0;
  for (size_t i = 0; i < count && n < times.size(); ++i) {
    const double t = seconds[i];
    if (!Usable(t)) continue;
    if (std::none_of(times.begin(), times.begin() + n, [t](double seen) { return std::fabs(seen - t) < kSameTime; })) {
      times[n++] = t;
    }
  }
  RateFinding finding;
  if (n < 2) return finding;
  std::sort(times.begin(), times.begin() + n);
  double smallest = HUGE_VAL;
  for (size_t i = 1; i < n; ++i) smallest = std::min(smallest, times[i] - times[i - 1]);
  double sum = 0.0;
  int agreeing = 0;
  for (size_t i = 1; i < n; ++i) {
    const double step = times[i] - times[i - 1];
    if (step - smallest <= 0.02 * smallest + 0.001) {
      sum += step;
      ++agreeing;
    }
  }
  if (agreeing < 2 && n < kRateSamples) {
    const double provisional = UsualRate(1.0 / smallest);
    if (provisional > 0.0) finding.rate = provisional;
    return finding;
  }
  finding.step = sum / agreeing;
  const double usual = UsualRate(1.0 / finding.step);
  finding.state = usual > 0.0 ? RateFinding::State::Found : RateFinding::State::NoRate;
  if (usual > 0.0) finding.rate = usual;
  return finding;
}

RateFinding HostRate::Feed(double seconds, bool& decided) {
  decided = false;
  std::lock_guard<std::mutex> guard(lock);
  if (finding.state != RateFinding::State::Waiting || count == samples.size() || !Usable(seconds)) return finding;
  for (size_t i = 0; i < count; ++i) {
    if (std::fabs(samples[i] - seconds) < kSameTime) return finding;
  }
  samples[count++] = seconds;
  finding = FindFrameRate(samples.data(), count);
  decided = finding.state != RateFinding::State::Waiting;
  return finding;
}

}  // namespace swirlfrei0r
