#include "tools/frei0r/module_paths.h"

#include <dlfcn.h>

namespace swirlfrei0r {

std::string ModuleDirectory() {
  Dl_info info{};
  // Any address inside this module names its file.
  if (!dladdr(reinterpret_cast<const void*>(&ModuleDirectory), &info) || !info.dli_fname) return {};
  const std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

bool ProcessHasLibavfilter() { return dlsym(RTLD_DEFAULT, "avfilter_version") != nullptr; }

}  // namespace swirlfrei0r
