#pragma once
// Ctrl-C and termination requests, turned into a flag that long-running work polls, so it can
// stop and leave nothing behind instead of being cut off mid-write.

#include <string>

namespace hostkit {

// The first SIGINT or SIGTERM sets the flag; a second one ends the program at once, after
// removing the temporary files and stopping the programs remembered below (so a second
// Ctrl-C during the cleanup of the first still leaves nothing). Writes to a closed pipe, and
// writes past the file size limit, become write errors rather than ending the program.
void InstallInterruptHandler();
bool InterruptRequested();
// The signal that set the flag (SIGINT or SIGTERM), or 0.
int InterruptSignal();

// What a forced exit must undo: a temporary file to remove, or a child process (the leader of
// its own process group) to kill. Remember answers a ticket for Forget, or -1 when the table
// is full (then a forced exit leaves that one behind). Not for use inside a signal handler.
int RememberTemporaryFile(const std::string& path);
int RememberChildProcess(long processGroup);
void Forget(int ticket);

}  // namespace hostkit
