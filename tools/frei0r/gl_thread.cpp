#include "tools/frei0r/gl_thread.h"

#include <cstdlib>

#include "tools/frei0r/module_state.h"
#include "tools/hostkit/gl/egl_devices.h"

namespace swirlfrei0r {

GlThread& GlThread::Get() {
  static GlThread* thread = new GlThread();
  return *thread;
}

GlThread::GlThread() {
  thread = std::thread([this] { Loop(); });
  thread.detach();
}

void GlThread::Run(void (*work)(void*), void* workArgument) {
  std::lock_guard<std::mutex> turn(submit);
  std::unique_lock<std::mutex> guard(lock);
  job = work;
  argument = workArgument;
  done = false;
  wake.notify_all();
  wake.wait(guard, [this] { return done; });
}

void GlThread::Loop() {
  std::unique_lock<std::mutex> guard(lock);
  for (;;) {
    wake.wait(guard, [this] { return job != nullptr; });
    if (!tried) {
      // Made at the first job, never at construction: hosts construct instances they never
      // run (GStreamer's registry scan). The context is never destroyed and the display never
      // terminated, since other users in the process share the display.
      tried = true;
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
    }
    // Nothing thrown may end this thread: the caller would wait for ever, or the host would
    // be terminated. A job that throws leaves its frame unrendered, which passes it through.
    try {
      job(argument);
    } catch (...) {
    }
    job = nullptr;
    done = true;
    wake.notify_all();
  }
}

}  // namespace swirlfrei0r
