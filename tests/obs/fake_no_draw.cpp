// The real plugin behind a wrapper whose frames draw nothing: a frame record reaches the plugin
// without its input, so the clock, the mode switch and the labels still run, and the answer is
// success. With it, the OBS filter's cost is everything but the effect's own draw.

#include <dlfcn.h>

#include <cstdint>

namespace {
union Word {
  uint32_t u32;
  void* pointer;
  uint64_t all;
};
using PlugMain = Word (*)(uint32_t, Word, void*);

struct Frame {  // the frame record's layout (code 17)
  uint32_t inputCount;
  void** inputs;
  uint32_t framebuffer;
};

PlugMain Real() {
  static PlugMain real = [] {
    void* library = dlopen(SWIRLMOSS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<PlugMain>(dlsym(library, "plugMain")) : nullptr;
  }();
  return real;
}
}  // namespace

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word input, void* instance) {
  PlugMain real = Real();
  if (!real) {
    Word fail{};
    fail.all = 0x00000000FFFFFFFFull;
    return fail;
  }
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
