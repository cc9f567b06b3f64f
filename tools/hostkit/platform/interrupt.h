#pragma once
// Ctrl-C and termination requests, turned into a flag that long-running work polls, so it can
// stop and leave nothing behind instead of being cut off mid-write.

namespace hostkit {

// The first SIGINT or SIGTERM sets the flag; a second one ends the program at once. Writes
// to a closed pipe, and writes past the file size limit, become write errors rather than
// ending the program.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace hostkit
