// The real plugin behind a wrapper whose frames draw nothing: a frame record reaches the plugin
// without its input, so the clock, the mode switch and the labels still run, and the answer is
// success. With it, the OBS filter's cost is everything but the effect's own draw.

#include <cstdint>

#include "tests/support/wrapped_plugin.h"

namespace {

using wrapped::Word;

struct Frame {  // the frame record's layout (code 17)
  uint32_t inputCount;
  void** inputs;
  uint32_t framebuffer;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word input, void* instance) {
  wrapped::PlugMain real = wrapped::Real();
  if (!real) return wrapped::Failure();
  if (code == 17 && input.pointer) {
    Frame empty = *static_cast<const Frame*>(input.pointer);
    empty.inputCount = 0;
    empty.inputs = nullptr;
    Word record{};
    record.pointer = &empty;
    real(code, record, instance);
    Word success{};
    return success;
  }
  return real(code, input, instance);
}
