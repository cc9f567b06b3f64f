#pragma once
// Tallies for --stats: a histogram of durations in milliseconds with fixed bins, so that adding
// a sample on the frame loop allocates nothing however long the preview runs; percentiles are
// read to the bin's width.

#include <cstdint>
#include <string>
#include <vector>

namespace hostkit {

class DurationHistogram {
 public:
  // Bins of `binMs` up to `limitMs`; longer samples count in one last bin (and in Max()).
  explicit DurationHistogram(double binMs = 0.25, double limitMs = 2000.0);

  void Add(double ms);
  uint64_t Count() const { return count; }
  double Mean() const { return count ? sum / static_cast<double>(count) : 0.0; }
  double Min() const { return count ? low : 0.0; }
  double Max() const { return count ? high : 0.0; }
  // The upper edge of the bin holding the `fraction` (0..1) sample in order; Max() for the
  // last one or the overflow bin.
  double Percentile(double fraction) const;
  // "median 12.3 ms, 95% 20.1 ms, max 31.0 ms"; "none" without samples.
  std::string Summary() const;

 private:
  double binMs;
  std::vector<uint64_t> bins;
  uint64_t count = 0;
  double sum = 0.0, low = 0.0, high = 0.0;
};

}  // namespace hostkit
