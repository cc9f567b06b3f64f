#pragma once
// The one thread that does the module's GL work. Hosts call a frei0r instance from changing
// threads and destroy it on yet another (melt), and several instances may be busy at once; an
// EGL context can be current on one thread only. So one thread owns the process's context and
// every GL call: callers hand it a job and wait for it.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/hostkit/gl/egl_context.h"

namespace swirlfrei0r {

class GlThread {
 public:
  // The process's GL thread, started at the first call. Never destroyed: the module stays
  // loaded (it is linked not to unload), and a thread cannot be joined safely at exit.
  static GlThread& Get();

  // Runs `job(argument)` on the GL thread and returns when it is done. Jobs of different
  // callers run one at a time, in turn. Allocates nothing.
  void Run(void (*job)(void*), void* argument);

  // On the GL thread only: whether the context exists. The first job makes it; when that
  // fails, the reason is reported once and this stays false.
  bool HasContext() const { return context != nullptr; }

 private:
  GlThread();
  void Loop();

  std::mutex submit;  // one caller at a time
  std::mutex lock;
  std::condition_variable wake;
  void (*job)(void*) = nullptr;
  void* argument = nullptr;
  bool done = false;
  bool tried = false;
  std::unique_ptr<hostkit::EglContext> context;
  std::thread thread;
};

}  // namespace swirlfrei0r
