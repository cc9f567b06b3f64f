#pragma once
// Frame numbers in file names, as image sequences are named in and out.

#include <string>

namespace hostkit {

// A frame-number pattern in a file name: "%d", "%04d" or a run of '#' (its length is the
// zero-padded width).
struct NumberPattern {
  std::string prefix;
  std::string suffix;
  int width = 0;
  std::string Format(int number) const;
};
// True when `path` holds one pattern; `pattern` is filled then.
bool FindNumberPattern(const std::string& path, NumberPattern& pattern);

}  // namespace hostkit
