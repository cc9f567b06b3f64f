// Video output through the ffmpeg program: frames are piped to it as raw RGBA and it writes
// a temporary file, renamed into place once ffmpeg has finished successfully.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/hostkit/pending_file.h"
#include "tools/hostkit/sinks.h"

extern char** environ;

namespace hostkit {
namespace {

bool FindProgram(const char* name, std::string& found) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/bin:/bin";
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

class VideoSink final : public FrameSink {
 public:
  // Without Commit the clip is unfinished: ffmpeg is stopped before it writes a trailer, and
  // the temporary file goes with the pending file.
  ~VideoSink() override {
    if (child > 0) kill(child, SIGKILL);
    Stop();
    if (log) std::fclose(log);
  }

  PixelFormat Format() const override { return PixelFormat::Rgba8; }

  bool Start(const std::string& program, const OutputRequest& request, VideoContainer container,
             std::string& error) {
    file = PendingFile::Create(request.path, error);
    if (!file) return false;
    file->CloseStream();  // ffmpeg writes the reserved temporary file by name
    // ffmpeg's messages go to an unnamed temporary file, shown only when it fails, so they
    // never cut through the progress line.
    log = std::tmpfile();
    if (!log) {
      error = "cannot make a temporary file for ffmpeg's messages";
      return false;
    }
    std::vector<std::string> args = FfmpegArguments(request, container, file->TemporaryPath());
    args.insert(args.begin(), program);

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
      error = "cannot make a pipe to ffmpeg";
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(log), STDERR_FILENO);
    // A process group of its own keeps a Ctrl-C at the terminal for this host, which then
    // stops ffmpeg itself and leaves no half-written clip.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[0]);
    if (spawned != 0) {
      close(pipeEnds[1]);
      child = -1;
      error = "cannot start " + program;
      return false;
    }
    input = pipeEnds[1];
    return true;
  }

  bool Write(const FrameView& frame, std::string& error) override {
    if (WriteUprightRows(input, frame, error)) return true;
    Stop();
    error = "ffmpeg stopped taking frames for " + file->FinalPath() + " (" + error + ")" + LogTail();
    return false;
  }

  bool Commit(std::string& error) override {
    const int status = Stop();
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      error = "ffmpeg failed to write " + file->FinalPath() + LogTail();
      return false;
    }
    return file->Commit(error);
  }

 private:
  // Closes ffmpeg's input and waits for it; answers its wait status (-1 when none ran).
  int Stop() {
    if (input >= 0) close(input);
    input = -1;
    if (child <= 0) return -1;
    int status = -1;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    return status;
  }

  // ffmpeg's last few message lines, each on a line of its own after the error, or nothing.
  std::string LogTail() {
    constexpr long kTailBytes = 2048;
    constexpr int kTailLines = 6;
    std::fflush(log);
    std::fseek(log, 0, SEEK_END);
    const long size = std::ftell(log);
    const long start = size > kTailBytes ? size - kTailBytes : 0;
    std::fseek(log, start, SEEK_SET);
    std::string text(static_cast<size_t>(size - start), '\0');
    text.resize(std::fread(text.data(), 1, text.size(), log));
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
      const size_t end = std::min(text.find('\n', begin), text.size());
      if (end > begin) lines.push_back(text.substr(begin, end - begin));
      begin = end + 1;
    }
    if (start > 0 && !lines.empty()) lines.erase(lines.begin());  // cut mid-line
    std::string tail;
    for (size_t i = lines.size() > kTailLines ? lines.size() - kTailLines : 0; i < lines.size(); ++i) {
      tail += "\n  ffmpeg: " + lines[i];
    }
    return tail;
  }

  std::unique_ptr<PendingFile> file;
  FILE* log = nullptr;
  pid_t child = -1;
  int input = -1;
};

}  // namespace

bool VideoOutputAvailable() {
  std::string program;
  return FindProgram("ffmpeg", program);
}

std::unique_ptr<FrameSink> OpenVideoSink(const OutputRequest& request, VideoContainer container,
                                         const std::string& name, std::string& error) {
  std::string program;
  if (!FindProgram("ffmpeg", program)) {
    error = "ffmpeg is not installed: " + name +
            " output needs it (PNG, EXR and raw output work without it; scripts/setup.sh installs it)";
    return nullptr;
  }
  auto sink = std::make_unique<VideoSink>();
  if (!sink->Start(program, request, container, error)) return nullptr;
  return sink;
}

}  // namespace hostkit
