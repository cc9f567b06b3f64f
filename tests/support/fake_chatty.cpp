// The real plugin behind a wrapper that prints a log line on standard output at every call
// and every frame, as plugins that log to standard output do: a frame stream on standard
// output must stay exact regardless.

#include <unistd.h>

#include <cstdio>

#include "tests/support/wrapped_plugin.h"

using wrapped::Word;

extern "C" __attribute__((visibility("default"))) Word plugMain(uint32_t code, Word input, void* instance) {
  if (code == 17) {
    std::printf("chatty: frame through stdio\n");
    std::fflush(stdout);
    const char raw[] = "chatty: frame through the descriptor\n";
    if (write(STDOUT_FILENO, raw, sizeof raw - 1) < 0) std::perror("chatty");
  } else if (code == 34) {
    std::printf("chatty: initialise (left in the stdio buffer)\n");
  }
  wrapped::PlugMain real = wrapped::Real();
  return real ? real(code, input, instance) : wrapped::Failure();
}
