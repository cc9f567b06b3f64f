// The real plugin behind a wrapper that prints a log line on standard output at every call
// and every frame, as plugins that log to standard output do: a frame stream on standard
// output must stay exact regardless.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {
union Word {
  uint32_t u32;
  void* pointer;
  uint64_t all;
};
using PlugMain = Word (*)(uint32_t, Word, void*);

PlugMain Real() {
  static PlugMain real = [] {
    void* library = dlopen(SWIRLMOSS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<PlugMain>(dlsym(library, "plugMain")) : nullptr;
  }();
  return real;
}
}  // namespace

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word input, void* instance) {
  if (code == 17) {
    std::printf("chatty: frame through stdio\n");
    std::fflush(stdout);
    const char raw[] = "chatty: frame through the descriptor\n";
    if (write(STDOUT_FILENO, raw, sizeof raw - 1) < 0) std::perror("chatty");
  } else if (code == 34) {
    std::printf("chatty: initialise (left in the stdio buffer)\n");
  }
  PlugMain real = Real();
  if (!real) {
    Word fail{};
    fail.all = 0x00000000FFFFFFFFull;
    return fail;
  }
  return real(code, input, instance);
}
