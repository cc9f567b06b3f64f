#include "host/debugger_output.h"

// No debugger channel on this platform: the line still reaches standard output.
void DebuggerOutput(const char*) {}
