#pragma once
// Another program run for us (ffmpeg, ffprobe): started by argument list, never through a
// shell, with its standard input and/or output as pipes to this process and its standard
// error kept in a private log, so its messages never mix with our own progress output and can
// be shown when it fails. It runs in a process group of its own: a Ctrl-C at the terminal
// reaches only this host, which then stops the child itself and cleans up.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/platform/descriptor_io.h"

namespace hostkit {

struct ChildOptions {
  std::vector<std::string> arguments;  // arguments[0] is the program's path (see FindProgram)
  bool pipeInput = false;              // else its standard input reads nothing
  bool pipeOutput = false;             // else its standard output is discarded
};

class ChildProcess {
 public:
  // Null with a one-line `error` when the pipes, the log or the program cannot be started.
  static std::unique_ptr<ChildProcess> Start(const ChildOptions& options, std::string& error);
  // A child still running is killed and reaped: dropping it is how work is abandoned.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes all ranges to its standard input. False with `error` when it stopped reading.
  bool Write(const ByteRange* ranges, int count, std::string& error);
  // Reads up to `size` bytes from its standard output, fewer only at its end (`got` says how
  // many). May run on another thread than the rest of these calls.
  bool Read(uint8_t* data, size_t size, size_t& got, std::string& error);
  // Ends its input, which tells a program reading to the end (an encoder) to finish.
  void CloseInput();
  // Stops it now; Wait still has to reap it.
  void Kill();
  // Closes our pipe ends and waits for it to end. True when it exited with status 0; else
  // `outcome` says how it ended ("exited with status 1", "was killed by signal 9").
  bool Wait(std::string& outcome);
  // The last `lines` non-empty lines it wrote to its standard error, joined by " | ".
  std::string LogTail(int lines) const;

 private:
  ChildProcess() = default;
  long process = -1;
  int forcedExitTicket = -1;  // kills it if a second Ctrl-C ends this program
  int input = -1;
  int output = -1;
  int log = -1;
};

// Looks `name` up in the directories of PATH. False when no executable of that name is found.
bool FindProgram(const std::string& name, std::string& path);

}  // namespace hostkit
