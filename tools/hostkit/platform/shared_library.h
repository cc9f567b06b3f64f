#pragma once
// Opening a shared library and finding a symbol in it: the one platform-specific concern of
// plugin loading, kept in one small file per platform.

#include <memory>
#include <string>

namespace hostkit {

class SharedLibrary {
 public:
  // Opens the library at `path` with every symbol resolved now. Returns null with `error`
  // set to the loader's own reason when the file cannot be loaded.
  static std::unique_ptr<SharedLibrary> Open(const std::string& path, std::string& error);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Address of the exported symbol, or null when the library does not export it.
  void* Symbol(const char* name) const;

 private:
  explicit SharedLibrary(void* handle) : handle(handle) {}
  void* handle;
};

}  // namespace hostkit
