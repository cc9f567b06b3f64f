#pragma once
// The one thread that does the module's GL work. Hosts call a frei0r instance from changing
// threads and destroy it on yet another (melt), and several instances may be busy at once; an
// EGL context can be current on one thread only. So one thread owns the process's context and
// every GL call: callers hand it a job and wait for it.
//
// The thread is never joined or destroyed: the module stays loaded (it is linked not to
// unload), hosts exit without f0r_deinit, and a thread cannot be joined safely from a static
// destructor. Instead, once the process begins to exit (or in a child the host forked, where
// the thread does not exist), the thread takes no more jobs and every later job is answered at
// once without running: a host that destroys instances from its own exit handlers never waits
// for a thread that is gone or for GL that is being torn down.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/hostkit/gl/egl_context.h"

namespace swirlfrei0r {

class GlThread {
 public:
  // The process's GL thread, started at the first call.
  static GlThread& Get();

  // Runs `job(argument)` on the GL thread and returns true when it is done; `what` names the
  // job in the step trace. Jobs of different callers run one at a time, in turn. Returns false
  // at once, the job not run, when the GL thread takes no more jobs (see above) or could not be
  // started. Allocates nothing.
  bool Run(void (*job)(void*), void* argument, const char* what);

  // On the GL thread only: whether the context exists. The first job makes it; when that
  // fails, the reason is reported once and this stays false.
  bool HasContext() const { return context != nullptr; }

 private:
  GlThread();
  void Loop();
  void MakeContext();
  static void AtExit();
  static void InForkedChild();

  std::mutex submit;  // one caller at a time
  std::mutex lock;
  std::condition_variable wake;
  void (*job)(void*) = nullptr;
  void* argument = nullptr;
  bool ran = false;   // the last job handed over ran
  bool done = false;  // and is finished
  std::atomic<bool> busy{false};  // a job is running (outside the lock)
  std::thread::id id;
  std::unique_ptr<hostkit::EglContext> context;
};

}  // namespace swirlfrei0r
