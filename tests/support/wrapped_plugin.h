#pragma once
// For stand-in plugins that wrap the real one (SWIRLMOSS_MODULE_PATH): the entry point's word,
// the real plugMain loaded privately once, and the failure word a wrapper answers without it.

#include <dlfcn.h>

#include <cstdint>

namespace wrapped {

union Word {
  uint32_t u32;
  void* pointer;
  uint64_t all;
};
using PlugMain = Word (*)(uint32_t, Word, void*);

inline PlugMain Real() {
  static PlugMain real = [] {
    void* library = dlopen(SWIRLMOSS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<PlugMain>(dlsym(library, "plugMain")) : nullptr;
  }();
  return real;
}

inline Word Failure() {
  Word fail{};
  fail.all = 0x00000000FFFFFFFFull;
  return fail;
}

}  // namespace wrapped
