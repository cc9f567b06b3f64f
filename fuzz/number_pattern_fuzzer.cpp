// Frame-number patterns in file names ("shot_####.png", "frame%04d.exr"). A pattern found
// writes names that hold its prefix, the number with at least `width` digits and its suffix,
// and the pattern written back in its own spelling is found again as the same pattern.

#include <climits>
#include <string>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/image/number_pattern.h"

namespace {

bool Same(const hostkit::NumberPattern& a, const hostkit::NumberPattern& b) {
  return a.prefix == b.prefix && a.suffix == b.suffix && a.width == b.width;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzcheck::Text(data, size);
  hostkit::NumberPattern pattern;
  if (!hostkit::FindNumberPattern(path, pattern)) return 0;
  fuzzcheck::Check(pattern.width >= 0, "a negative width");
  fuzzcheck::Check(pattern.prefix.size() + pattern.suffix.size() < path.size(), "a pattern of no characters");
  for (const int number : {0, 7, 123456, INT_MAX}) {
    const std::string name = pattern.Format(number);
    const std::string digits = std::to_string(number);
    const size_t length = name.size() - pattern.prefix.size() - pattern.suffix.size();
    fuzzcheck::Check(name.compare(0, pattern.prefix.size(), pattern.prefix) == 0 &&
                         name.compare(name.size() - pattern.suffix.size(), std::string::npos, pattern.suffix) == 0 &&
                         length >= static_cast<size_t>(pattern.width) &&
                         name.compare(pattern.prefix.size() + length - digits.size(), digits.size(), digits) == 0 &&
                         name.find_first_not_of('0', pattern.prefix.size()) >= pattern.prefix.size() + length - digits.size(),
                     "Format(" + digits + ") of \"" + path + "\" wrote \"" + name + "\"");
  }
  // Written back in the spelling it was found in ("%4d" as "%04d"), it is the same pattern.
  const std::string spelling = path[pattern.prefix.size()] == '#' ? std::string(static_cast<size_t>(pattern.width), '#')
                               : pattern.width > 0                 ? "%0" + std::to_string(pattern.width) + "d"
                                                                   : std::string("%d");
  const std::string again = pattern.prefix + spelling + pattern.suffix;
  hostkit::NumberPattern found;
  fuzzcheck::Check(hostkit::FindNumberPattern(again, found) && Same(found, pattern),
                   "\"" + path + "\" written back as \"" + again + "\" is another pattern");
  return 0;
}
