#pragma once
// Opening a shared library and finding a symbol in it, and what the process knows of the
// libraries loaded into it: the platform-specific concerns of plugin loading and of a module
// loaded into another program, kept in one small file per platform.

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

// The file of the library (or program) that holds `address`, such as a function of the
// caller's own; empty when the system cannot tell.
std::string FileHoldingAddress(const void* address);

// True when a library loaded into the process exports `name`.
bool ProcessExports(const char* name);

}  // namespace hostkit
