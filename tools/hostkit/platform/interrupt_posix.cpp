#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

#include "tools/hostkit/platform/descriptor_io.h"
#include "tools/hostkit/platform/interrupt.h"

namespace hostkit {
namespace {

volatile sig_atomic_t interrupted = 0;

// The forced exit's to-do list. The handler reads it while other threads may be filling it,
// so each entry is published through its state: free, being written, then ready.
enum EntryState : int { kFree = 0, kWriting = 1, kReady = 2 };
struct ExitEntry {
  std::atomic<int> state{kFree};
  long processGroup = 0;  // > 0: kill this group; else remove `path`
  char path[PATH_MAX] = {};
};
constexpr int kEntries = 256;
ExitEntry entries[kEntries];
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads entry states");

int Remember(const std::string& path, long processGroup) {
  if (path.size() >= sizeof entries[0].path) return -1;
  for (int i = 0; i < kEntries; ++i) {
    int expected = kFree;
    if (!entries[i].state.compare_exchange_strong(expected, kWriting)) continue;
    entries[i].processGroup = processGroup;
    std::memcpy(entries[i].path, path.c_str(), path.size() + 1);
    entries[i].state.store(kReady);
    return i;
  }
  return -1;
}

// Only async-signal-safe calls from here on.
void OnInterrupt(int signal) {
  if (!interrupted) {
    interrupted = signal;
    return;
  }
  for (ExitEntry& entry : entries) {
    if (entry.state.load() != kReady) continue;
    if (entry.processGroup > 0) kill(static_cast<pid_t>(-entry.processGroup), SIGKILL);
    else unlink(entry.path);
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Either signal waits while the other's handler runs: one forced exit, not two.
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  IgnoreBrokenPipes();
  // A file growing past the size limit (ulimit -f) must likewise fail the write, which the
  // render reports and cleans up after, instead of ending the program.
  signal(SIGXFSZ, SIG_IGN);
}

bool InterruptRequested() { return interrupted != 0; }

int InterruptSignal() { return interrupted; }

int RememberTemporaryFile(const std::string& path) { return Remember(path, 0); }

int RememberChildProcess(long processGroup) { return processGroup > 0 ? Remember("", processGroup) : -1; }

void Forget(int ticket) {
  if (ticket >= 0 && ticket < kEntries) entries[ticket].state.store(kFree);
}

}  // namespace hostkit
