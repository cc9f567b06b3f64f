// The real plugin behind a wrapper that writes what the host sends of its music to the file
// named by SWIRLMOSS_BEAT_LOG, one line per call: "rate R" (code 40), "beat TEMPO PHASE"
// (code 38) and "frame" for every frame record (code 17), in the order they came.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/wrapped_plugin.h"

using wrapped::Word;

namespace {

std::FILE* Log() {
  static std::FILE* log = [] {
    const char* path = std::getenv("SWIRLMOSS_BEAT_LOG");
    return path ? std::fopen(path, "w") : nullptr;
  }();
  return log;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word input, void* instance) {
  if (std::FILE* log = Log()) {
    if (code == 40) {
      std::fprintf(log, "rate %u\n", input.u32);
    } else if (code == 38 && input.pointer) {
      float beat[2];
      std::memcpy(beat, input.pointer, sizeof beat);
      std::fprintf(log, "beat %.9g %.9g\n", static_cast<double>(beat[0]), static_cast<double>(beat[1]));
    } else if (code == 17) {
      std::fputs("frame\n", log);
    }
    std::fflush(log);
  }
  wrapped::PlugMain real = wrapped::Real();
  return real ? real(code, input, instance) : wrapped::Failure();
}
