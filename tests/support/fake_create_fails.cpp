// A plugin that loads and initialises but whose instance creation (code 18) always fails,
// answering the pointer-sized failure word, as a plugin whose shader does not build would.

#include <cstdint>

namespace {
union Word {
  uint32_t u32;
  void* pointer;
  uint64_t all;
};
}  // namespace

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word, void*) {
  Word result{};
  switch (code) {
    case 34:  // initialise
      result.all = 0;
      break;
    case 4:  // no parameters
      result.all = 0;
      break;
    default:
      result.all = 0x00000000FFFFFFFFull;
  }
  return result;
}
