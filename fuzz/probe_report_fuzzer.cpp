// ffprobe's JSON report: any text may come back from the child. A report that reads gives a
// picture with pixels, a finite rate and a length of 0 or more; one that does not leaves the
// facts as they were.

#include <cmath>
#include <string>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/media/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = fuzzcheck::Text(data, size);
  hostkit::MediaFacts facts;
  facts.codec = "before";
  facts.frames = 7;
  std::string error;
  const bool ok = hostkit::ParseProbeReport(input, facts, error);
  fuzzcheck::CheckRefusal(ok, error, "", "ParseProbeReport");
  if (!ok) {
    fuzzcheck::Check(facts.codec == "before" && facts.frames == 7 && facts.width == 0, "a refused report changed the facts");
    return 0;
  }
  fuzzcheck::Check(facts.width > 0 && facts.height > 0, "a picture without pixels");
  fuzzcheck::Check(std::isfinite(facts.fps) && facts.fps >= 0.0, "a rate that is not finite or below 0");
  fuzzcheck::Check(facts.frames >= 0, "a length below 0");
  return 0;
}
