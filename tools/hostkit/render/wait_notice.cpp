#include "tools/hostkit/render/wait_notice.h"

namespace hostkit {

WaitNotice::WaitNotice(std::chrono::milliseconds after, std::function<void()> late) {
  watcher = std::thread([this, after, late = std::move(late)] {
    std::unique_lock<std::mutex> guard(lock);
    if (finishedSignal.wait_for(guard, after, [this] { return finished; })) return;
    said = true;
    late();  // under the lock: Finish waits until the line is out
  });
}

WaitNotice::~WaitNotice() { Finish(); }

bool WaitNotice::Finish() {
  {
    std::lock_guard<std::mutex> guard(lock);
    finished = true;
  }
  finishedSignal.notify_one();
  if (watcher.joinable()) watcher.join();
  return said;
}

}  // namespace hostkit
