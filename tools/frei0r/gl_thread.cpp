#include "tools/frei0r/gl_thread.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <system_error>

#include "tools/frei0r/module_state.h"
#include "tools/frei0r/step_trace.h"
#include "tools/hostkit/gl/egl_devices.h"
#include "tools/hostkit/platform/forked_child.h"

namespace swirlfrei0r {
namespace {

// Set once the thread takes no more jobs. Outside the object and lock-free, so that a forked
// child can set it and callers can read it before taking a lock: a child inherits the locks in
// whatever state another thread held them.
std::atomic<bool> closed{false};
GlThread* started = nullptr;

// How long an exiting process waits for a job under way, so that the driver is not torn down
// under it, before it goes on regardless.
constexpr std::chrono::seconds kExitWait{2};

}  // namespace

GlThread& GlThread::Get() {
  static GlThread* thread = new GlThread();
  return *thread;
}

GlThread::GlThread() {
  hostkit::CallInForkedChild(&GlThread::InForkedChild);
  try {
    std::thread thread([this] { Loop(); });
    id = thread.get_id();
    thread.detach();
  } catch (const std::system_error& error) {
    closed = true;
    Report(std::string("the GL thread could not be started (") + error.what() + "); frames pass through unchanged");
  }
  started = this;
}

bool GlThread::Run(void (*work)(void*), void* workArgument, const char* what) {
  if (closed) {
    Trace("%s: answered at once, the GL thread takes no more jobs", what);
    return false;
  }
  Trace("%s: waiting for the GL thread", what);
  std::lock_guard<std::mutex> turn(submit);
  std::unique_lock<std::mutex> guard(lock);
  job = work;
  argument = workArgument;
  done = false;
  wake.notify_all();
  wake.wait(guard, [this] { return done; });
  Trace("%s: %s", what, ran ? "done" : "answered at once, the process is exiting");
  return ran;
}

void GlThread::Loop() {
  bool first = true;
  std::unique_lock<std::mutex> guard(lock);
  for (;;) {
    wake.wait(guard, [this] { return job != nullptr; });
    // Marked busy before closed is read, so that an exiting process either sees the job under
    // way or the job sees the process exiting.
    busy = true;
    ran = !closed;
    if (ran) {
      // Run outside the lock, so that the lock is never held for long.
      guard.unlock();
      if (first) {
        MakeContext();
        std::atexit(&GlThread::AtExit);  // see below
      }
      // Nothing thrown may end this thread: the caller would wait for ever, or the host would
      // be terminated. A job that throws leaves its frame unrendered, which passes it through.
      try {
        job(argument);
      } catch (...) {
      }
      if (first) {
        // Exit handlers run in reverse order, and the driver and its compiler register their
        // own as they go: when loaded (while the context is made) and at first use of parts of
        // the compiler (the first shader compile). Registered after each of the two, so that a
        // process that exits waits for a compile under way before they tear down what it uses.
        first = false;
        std::atexit(&GlThread::AtExit);
      }
      guard.lock();
    }
    busy = false;
    job = nullptr;
    done = true;
    wake.notify_all();
  }
}

void GlThread::MakeContext() {
  // Made at the first job, never at construction: hosts construct instances they never run
  // (GStreamer's registry scan). The context is never destroyed and the display never
  // terminated, since other users in the process share the display.
  Trace("GL thread: making the OpenGL context");
  std::string error;
  try {
    // The device is chosen as the swirlmoss program chooses it: automatically, or the EGL
    // device SWIRLMOSS_DEVICE names (hosts give filters no options of their own for this).
    const char* choice = std::getenv("SWIRLMOSS_DEVICE");
    int device = -1;
    if (!choice || hostkit::ParseDeviceChoice(choice, device, error)) {
      context = hostkit::EglContext::Create(device, error);
    } else {
      error = "SWIRLMOSS_DEVICE: " + error;
    }
  } catch (...) {
    error = "the OpenGL context could not be made (out of memory)";
  }
  if (!context) Report(error + "; frames pass through unchanged");
  Trace("GL thread: %s", context ? "context made" : "no context");
}

void GlThread::AtExit() {
  // No lock taken: a forked child inherits locks in whatever state other threads held them,
  // and a host may exit from a signal handler.
  if (closed.exchange(true)) return;
  const GlThread& self = *started;
  Trace("process exit: the GL thread takes no more jobs%s", self.busy ? "; waiting for the job under way" : "");
  if (std::this_thread::get_id() == self.id) return;  // the driver itself exits
  const auto end = std::chrono::steady_clock::now() + kExitWait;
  while (self.busy && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void GlThread::InForkedChild() { closed = true; }

}  // namespace swirlfrei0r
