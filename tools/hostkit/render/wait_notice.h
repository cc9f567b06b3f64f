#pragma once
// A line said only when a wait turns out long: the first frame waits while the GL driver
// compiles the effect's shader, some 20 s on a software renderer with a cold shader cache and
// a blink with a warm one. A watcher thread says it once the wait passes a threshold, so a long
// wait is never silent and a short one says nothing.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace hostkit {

// How long a first frame may take before its wait is announced.
constexpr std::chrono::milliseconds kFirstFrameNoticeAfter{1500};

class WaitNotice {
 public:
  // Calls `late` from a thread of its own unless Finish comes within `after`.
  WaitNotice(std::chrono::milliseconds after, std::function<void()> late);
  ~WaitNotice();
  WaitNotice(const WaitNotice&) = delete;
  WaitNotice& operator=(const WaitNotice&) = delete;

  // Ends the wait; true when `late` was called (it has returned by then).
  bool Finish();

 private:
  std::mutex lock;
  std::condition_variable finishedSignal;
  bool finished = false;
  bool said = false;
  std::thread watcher;
};

}  // namespace hostkit
