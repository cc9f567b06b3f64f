// Sizes as users write them, WIDTHxHEIGHT. A size that reads has pixels, and written back in
// digits reads the same.

#include <string>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/params/render_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = fuzzcheck::Text(data, size);
  int width = 0, height = 0;
  std::string error;
  const bool ok = hostkit::ParseFrameSize(input, width, height, error);
  fuzzcheck::CheckRefusal(ok, error, input, "ParseFrameSize");
  if (!ok) return 0;
  fuzzcheck::Check(width >= 1 && height >= 1 && width <= 999999 && height <= 999999, "a size out of range: " + input);
  int w = 0, h = 0;
  fuzzcheck::Check(hostkit::ParseFrameSize(std::to_string(width) + "x" + std::to_string(height), w, h, error) &&
                       w == width && h == height,
                   "size " + input + " does not read back");
  return 0;
}
