// An LD_PRELOAD shim that counts GL readback calls (glReadPixels, glReadnPixels, glGetTexImage,
// glGetnTexImage) by the library that made them. The plugin never links GL functions: its GLEW
// asks glXGetProcAddressARB for them (eglGetProcAddress is answered the same way); our module
// calls the linked symbols. The shim defines both the lookups, answering counting wrappers for
// the readback functions, and the symbols. Each call is counted under the file of the code that
// called it; readback_calls(part) answers the calls from files whose name holds `part`.
// Loaders that open the GL library and look names up with dlsym (OBS's, GStreamer's GL library
// through GLib) get the wrappers too: dlsym itself is wrapped, so a readback by those libraries
// is counted under their own file.

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <mutex>

namespace {

using Proc = void (*)();

struct Counter {
  char file[256];
  long calls;
};
std::mutex lock;
Counter counters[32];
int used = 0;

// The GL libraries themselves (the dispatch libraries, the drivers) look entry points up too,
// to fill their tables: they get the real ones.
bool FromGlLibrary(const void* caller) {
  Dl_info info{};
  if (!dladdr(caller, &info) || !info.dli_fname) return false;
  const char* base = std::strrchr(info.dli_fname, '/');
  base = base ? base + 1 : info.dli_fname;
  for (const char* library : {"libGL.so", "libGLX", "libGLdispatch", "libEGL", "libOpenGL", "libgallium", "_dri.so",
                              "libglapi"}) {
    if (std::strncmp(base, library, std::strlen(library)) == 0 || std::strstr(base, library)) return true;
  }
  return false;
}

void Count(const void* caller) {
  Dl_info info{};
  const char* file = dladdr(caller, &info) && info.dli_fname ? info.dli_fname : "?";
  std::lock_guard<std::mutex> guard(lock);
  for (int i = 0; i < used; ++i) {
    if (std::strcmp(counters[i].file, file) == 0) {
      ++counters[i].calls;
      return;
    }
  }
  if (used == 32) return;
  std::strncpy(counters[used].file, file, sizeof counters[used].file - 1);
  counters[used].calls = 1;
  ++used;
}

using DlsymFn = void* (*)(void*, const char*);
DlsymFn RealDlsym() {
  static const DlsymFn real = reinterpret_cast<DlsymFn>(dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34"));
  static const DlsymFn older = real ? real : reinterpret_cast<DlsymFn>(dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5"));
  return older;
}

// `name` from the libraries after the shim, else from `library` (a GL library that a plugin
// loaded privately, out of RTLD_NEXT's reach).
void* Next(const char* name, const char* library) {
  if (void* found = RealDlsym()(RTLD_NEXT, name)) return found;
  void* handle = dlopen(library, RTLD_LAZY | RTLD_LOCAL);
  return handle ? RealDlsym()(handle, name) : nullptr;
}

template <typename Fn>
Fn Real(const char* name) {
  return reinterpret_cast<Fn>(Next(name, "libOpenGL.so.0"));
}

using ReadPixelsFn = void (*)(int, int, int, int, unsigned, unsigned, void*);
using ReadnPixelsFn = void (*)(int, int, int, int, unsigned, unsigned, int, void*);
using GetTexImageFn = void (*)(unsigned, int, unsigned, unsigned, void*);
using GetnTexImageFn = void (*)(unsigned, int, unsigned, unsigned, int, void*);

}  // namespace

extern "C" {

__attribute__((visibility("default"))) long readback_calls(const char* part) {
  std::lock_guard<std::mutex> guard(lock);
  long total = 0;
  for (int i = 0; i < used; ++i) {
    if (std::strstr(counters[i].file, part)) total += counters[i].calls;
  }
  return total;
}

__attribute__((visibility("default"), noinline)) void glReadPixels(int x, int y, int w, int h, unsigned f, unsigned t,
                                                                   void* p) {
  Count(__builtin_return_address(0));
  static const ReadPixelsFn real = Real<ReadPixelsFn>("glReadPixels");
  real(x, y, w, h, f, t, p);
}
__attribute__((visibility("default"), noinline)) void glReadnPixels(int x, int y, int w, int h, unsigned f, unsigned t,
                                                                    int n, void* p) {
  Count(__builtin_return_address(0));
  static const ReadnPixelsFn real = Real<ReadnPixelsFn>("glReadnPixels");
  real(x, y, w, h, f, t, n, p);
}
__attribute__((visibility("default"), noinline)) void glGetTexImage(unsigned target, int level, unsigned f, unsigned t,
                                                                    void* p) {
  Count(__builtin_return_address(0));
  static const GetTexImageFn real = Real<GetTexImageFn>("glGetTexImage");
  real(target, level, f, t, p);
}
__attribute__((visibility("default"), noinline)) void glGetnTexImage(unsigned target, int level, unsigned f,
                                                                     unsigned t, int n, void* p) {
  Count(__builtin_return_address(0));
  static const GetnTexImageFn real = Real<GetnTexImageFn>("glGetnTexImage");
  real(target, level, f, t, n, p);
}

// The lookups: a readback function's name answers our wrapper, any other the real function.
Proc eglGetProcAddress(const char* name);
Proc glXGetProcAddressARB(const unsigned char* name);
Proc glXGetProcAddress(const unsigned char* name);

static Proc Wrapped(const char* name) {
  if (!name) return nullptr;
  if (!std::strcmp(name, "glReadPixels")) return reinterpret_cast<Proc>(&glReadPixels);
  if (!std::strcmp(name, "glReadnPixels") || !std::strcmp(name, "glReadnPixelsARB") ||
      !std::strcmp(name, "glReadnPixelsKHR")) {
    return reinterpret_cast<Proc>(&glReadnPixels);
  }
  if (!std::strcmp(name, "glGetTexImage")) return reinterpret_cast<Proc>(&glGetTexImage);
  if (!std::strcmp(name, "glGetnTexImage") || !std::strcmp(name, "glGetnTexImageARB")) {
    return reinterpret_cast<Proc>(&glGetnTexImage);
  }
  return nullptr;
}

__attribute__((visibility("default"), noinline)) void* dlsym(void* handle, const char* name) {
  if (!FromGlLibrary(__builtin_return_address(0))) {
    if (Proc wrapped = Wrapped(name)) return reinterpret_cast<void*>(wrapped);
  }
  return RealDlsym()(handle, name);
}

__attribute__((visibility("default"), noinline)) Proc eglGetProcAddress(const char* name) {
  if (!FromGlLibrary(__builtin_return_address(0))) {
    if (Proc wrapped = Wrapped(name)) return wrapped;
  }
  static const auto real = reinterpret_cast<Proc (*)(const char*)>(Next("eglGetProcAddress", "libEGL.so.1"));
  return real ? real(name) : nullptr;
}
__attribute__((visibility("default"), noinline)) Proc glXGetProcAddressARB(const unsigned char* name) {
  if (!FromGlLibrary(__builtin_return_address(0))) {
    if (Proc wrapped = Wrapped(reinterpret_cast<const char*>(name))) return wrapped;
  }
  static const auto real =
      reinterpret_cast<Proc (*)(const unsigned char*)>(Next("glXGetProcAddressARB", "libGLX.so.0"));
  return real ? real(name) : nullptr;
}
__attribute__((visibility("default"), noinline)) Proc glXGetProcAddress(const unsigned char* name) {
  if (!FromGlLibrary(__builtin_return_address(0))) {
    if (Proc wrapped = Wrapped(reinterpret_cast<const char*>(name))) return wrapped;
  }
  static const auto real = reinterpret_cast<Proc (*)(const unsigned char*)>(Next("glXGetProcAddress", "libGLX.so.0"));
  return real ? real(name) : nullptr;
}


}  // extern "C"
