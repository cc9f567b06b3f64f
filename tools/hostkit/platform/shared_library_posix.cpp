#include <dlfcn.h>

#include "tools/hostkit/platform/shared_library.h"

namespace hostkit {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& path, std::string& error) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : "unknown loader error";
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() { dlclose(handle); }

void* SharedLibrary::Symbol(const char* name) const { return dlsym(handle, name); }

std::string FileHoldingAddress(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  return info.dli_fname;
}

bool ProcessExports(const char* name) { return dlsym(RTLD_DEFAULT, name) != nullptr; }

}  // namespace hostkit
