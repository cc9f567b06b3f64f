#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/interrupt.h"

extern char** environ;

namespace hostkit {
namespace {

// An unnamed file for the child's messages: removed from its directory at once, so nothing
// is left behind however this process ends.
int MakeLogFile() {
  const char* directory = std::getenv("TMPDIR");
  std::string name = std::string(directory && *directory ? directory : "/tmp") + "/swirlmoss-log-XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) unlink(name.c_str());
  return fd;
}

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const ChildOptions& options, std::string& error) {
  if (options.arguments.empty()) {
    error = "no program to start";
    return nullptr;
  }
  IgnoreBrokenPipes();
  const std::string& program = options.arguments[0];
  std::unique_ptr<ChildProcess> child(new ChildProcess());
  int inputEnds[2] = {-1, -1}, outputEnds[2] = {-1, -1};
  child->log = MakeLogFile();
  if (child->log < 0 || (options.pipeInput && pipe2(inputEnds, O_CLOEXEC) != 0) ||
      (options.pipeOutput && pipe2(outputEnds, O_CLOEXEC) != 0)) {
    error = "cannot set up pipes to " + program + ": " + std::strerror(errno);
    for (int fd : {inputEnds[0], inputEnds[1], outputEnds[0], outputEnds[1]}) CloseDescriptor(fd);
    return nullptr;
  }
  SpawnSetup setup;
  if (options.pipeInput) {
    posix_spawn_file_actions_adddup2(&setup.actions, inputEnds[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (options.pipeOutput) {
    posix_spawn_file_actions_adddup2(&setup.actions, outputEnds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&setup.actions, child->log, STDERR_FILENO);
  // The child starts with default signal dispositions and no blocked signals: this host
  // ignores SIGPIPE and SIGXFSZ for itself, and an ignored SIGXFSZ in an encoder turns a file
  // size limit into a short file that the encoder reports as written.
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM}) sigaddset(&defaults, signal);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  std::vector<char*> argv;
  for (const auto& argument : options.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
  // Our copies of the child's ends go, so its end of stream and ours are seen.
  CloseDescriptor(inputEnds[0]);
  CloseDescriptor(outputEnds[1]);
  child->input = inputEnds[1];
  child->output = outputEnds[0];
  if (spawned != 0) {
    error = "cannot start " + program + ": " + std::strerror(spawned);
    return nullptr;
  }
  child->process = pid;
  child->forcedExitTicket = RememberChildProcess(pid);
  return child;
}

ChildProcess::~ChildProcess() {
  if (process > 0) {
    Kill();
    std::string ignored;
    Wait(ignored);
  }
  CloseDescriptor(input);
  CloseDescriptor(output);
  CloseDescriptor(log);
}

bool ChildProcess::Write(const ByteRange* ranges, int count, std::string& error) {
  if (input < 0) {
    error = "its input is closed";
    return false;
  }
  return WriteRanges(input, ranges, count, error);
}

bool ChildProcess::Read(uint8_t* data, size_t size, size_t& got, std::string& error) {
  got = 0;
  if (output < 0) return true;
  return ReadFully(output, data, size, got, error);
}

void ChildProcess::CloseInput() {
  CloseDescriptor(input);
  input = -1;
}

void ChildProcess::Kill() {
  if (process > 0) kill(static_cast<pid_t>(process), SIGKILL);
}

bool ChildProcess::Wait(std::string& outcome) {
  CloseInput();
  CloseDescriptor(output);
  output = -1;
  if (process <= 0) {
    outcome = "was not running";
    return false;
  }
  // Forgotten before it is reaped, so a forced exit can never kill a process that took its id.
  Forget(forcedExitTicket);
  forcedExitTicket = -1;
  int status = 0;
  pid_t reaped;
  while ((reaped = waitpid(static_cast<pid_t>(process), &status, 0)) < 0 && errno == EINTR) {
  }
  process = -1;
  if (reaped < 0) {
    outcome = "could not be waited for";
    return false;
  }
  if (WIFEXITED(status)) {
    if (WEXITSTATUS(status) == 0) return true;
    outcome = "exited with status " + std::to_string(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    outcome = "was killed by signal " + std::to_string(WTERMSIG(status));
  } else {
    outcome = "ended abnormally";
  }
  return false;
}

std::string ChildProcess::LogTail(int lines) const {
  if (log < 0 || lines <= 0) return "";
  const off_t size = lseek(log, 0, SEEK_END);
  if (size <= 0) return "";
  char tail[4096];
  const off_t from = size > static_cast<off_t>(sizeof tail) ? size - static_cast<off_t>(sizeof tail) : 0;
  const ssize_t count = pread(log, tail, static_cast<size_t>(size - from), from);
  if (count <= 0) return "";
  std::vector<std::string> found;
  size_t end = static_cast<size_t>(count);
  while (end > 0 && static_cast<int>(found.size()) < lines) {
    size_t start = end;
    while (start > 0 && tail[start - 1] != '\n' && tail[start - 1] != '\r') --start;
    std::string line(tail + start, end - start);
    if (line.find_first_not_of(" \t") != std::string::npos) found.push_back(line);
    end = start > 0 ? start - 1 : 0;
  }
  std::string joined;
  for (auto it = found.rbegin(); it != found.rend(); ++it) joined += (joined.empty() ? "" : " | ") + *it;
  return joined;
}

bool FindProgram(const std::string& name, std::string& found) {
  if (name.find('/') != std::string::npos) {
    found = name;
    return access(name.c_str(), X_OK) == 0;
  }
  const char* path = std::getenv("PATH");
  const std::string list = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = list.find(':', start);
    std::string directory = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (directory.empty()) directory = ".";
    const std::string candidate = directory + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) {
      found = candidate;
      return true;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace hostkit
