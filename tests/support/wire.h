#pragma once
// A host's view of the plugin: the module loaded with dlopen, plugMain called with raw
// words, and records built as bytes at their wire offsets. Nothing here includes the
// plugin's own headers, so a layout mistake on either side shows up as a failure.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace wire {

// The 64-bit word plugMain takes and answers.
union Word {
  uint32_t u;
  float f;
  void* p;
  uint64_t raw;
};

constexpr uint64_t kFail = 0xFFFFFFFFull;  // FF_FAIL, and the pointer-sized failure word
constexpr uint64_t kSuccess = 0;

typedef Word (*PlugMainFunction)(uint32_t, Word, void*);
typedef void (*SetLogCallbackFunction)(void (*)(const char*));

inline Word U(uint32_t value) {
  Word w;
  w.raw = value;
  return w;
}
inline Word P(const void* pointer) {
  Word w;
  w.raw = 0;
  w.p = const_cast<void*>(pointer);
  return w;
}
inline float LowFloat(Word w) {
  const uint32_t bits = static_cast<uint32_t>(w.raw);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// A record of `size` bytes, 8-aligned, zero-filled unless a fill byte is given.
class Record {
 public:
  explicit Record(size_t size, unsigned char fill = 0) : bytes(size + 8, fill) {}
  Record& U32(size_t offset, uint32_t value) { return Put(offset, &value, 4); }
  Record& F32(size_t offset, float value) { return Put(offset, &value, 4); }
  Record& F64(size_t offset, double value) { return Put(offset, &value, 8); }
  Record& Ptr(size_t offset, const void* value) { return Put(offset, &value, 8); }
  uint32_t GetU32(size_t offset) const { return Get<uint32_t>(offset); }
  uint64_t GetU64(size_t offset) const { return Get<uint64_t>(offset); }
  float GetF32(size_t offset) const { return Get<float>(offset); }
  void* GetPtr(size_t offset) const { return Get<void*>(offset); }
  void* data() { return Aligned(); }
  unsigned char Byte(size_t offset) const { return Aligned()[offset]; }

 private:
  unsigned char* Aligned() const {
    auto address = reinterpret_cast<uintptr_t>(bytes.data());
    return reinterpret_cast<unsigned char*>((address + 7) & ~uintptr_t{7});
  }
  Record& Put(size_t offset, const void* value, size_t size) {
    std::memcpy(Aligned() + offset, value, size);
    return *this;
  }
  template <typename T>
  T Get(size_t offset) const {
    T value;
    std::memcpy(&value, Aligned() + offset, sizeof value);
    return value;
  }
  mutable std::vector<unsigned char> bytes;
};

// The built module, loaded the way a host loads it.
class Plugin {
 public:
  explicit Plugin(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      error = dlerror();
      return;
    }
    plugMain = reinterpret_cast<PlugMainFunction>(dlsym(handle, "plugMain"));
    setLogCallback = reinterpret_cast<SetLogCallbackFunction>(dlsym(handle, "SetLogCallback"));
  }
  // The library stays loaded: sanitizer reports must be able to name its frames.
  bool Loaded() const { return plugMain != nullptr; }
  Word Call(uint32_t code, Word input = U(0), void* instance = nullptr) const {
    return plugMain(code, input, instance);
  }
  Word Call(uint32_t code, Record& record, void* instance = nullptr) const {
    return plugMain(code, P(record.data()), instance);
  }
  void* handle = nullptr;
  PlugMainFunction plugMain = nullptr;
  SetLogCallbackFunction setLogCallback = nullptr;
  std::string error;
};

}  // namespace wire
