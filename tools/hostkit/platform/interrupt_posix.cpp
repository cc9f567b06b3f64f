#include <signal.h>

#include "tools/hostkit/platform/descriptor_io.h"
#include "tools/hostkit/platform/interrupt.h"

namespace hostkit {
namespace {

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  IgnoreBrokenPipes();
  // A file growing past the size limit (ulimit -f) must likewise fail the write, which the
  // render reports and cleans up after, instead of ending the program.
  signal(SIGXFSZ, SIG_IGN);
}

bool InterruptRequested() { return interrupted != 0; }

}  // namespace hostkit
