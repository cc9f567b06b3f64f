#include "tools/hostkit/control/live_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace hostkit {

DurationHistogram::DurationHistogram(double binMs, double limitMs)
    : binMs(binMs), bins(static_cast<size_t>(std::ceil(limitMs / binMs)) + 1) {}

void DurationHistogram::Add(double ms) {
  if (!std::isfinite(ms)) return;
  ms = std::max(0.0, ms);
  const size_t bin = std::min(bins.size() - 1, static_cast<size_t>(ms / binMs));
  ++bins[bin];
  low = count ? std::min(low, ms) : ms;
  high = count ? std::max(high, ms) : ms;
  sum += ms;
  ++count;
}

double DurationHistogram::Percentile(double fraction) const {
  if (count == 0) return 0.0;
  const uint64_t rank = std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(std::clamp(fraction, 0.0, 1.0) * count)));
  uint64_t seen = 0;
  for (size_t i = 0; i + 1 < bins.size(); ++i) {
    seen += bins[i];
    if (seen >= rank) return std::min(high, (static_cast<double>(i) + 1.0) * binMs);
  }
  return high;
}

std::string DurationHistogram::Summary() const {
  if (count == 0) return "none";
  char text[160];
  std::snprintf(text, sizeof text, "median %.1f ms, 95%% %.1f ms, max %.1f ms", Percentile(0.5), Percentile(0.95), Max());
  return text;
}

}  // namespace hostkit
