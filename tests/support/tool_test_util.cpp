#include "tests/support/tool_test_util.h"

#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace tooltest {

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/swirlmoss-test-XXXXXX";
  path = mkdtemp(pattern) ? pattern : "";
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool LoadPng(const std::string& path, PngOnDisk& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  png.width = static_cast<int>(image.width);
  png.height = static_cast<int>(image.height);
  png.rgba.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr) != 0;
}

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& environment) {
  RunResult result;
  int out[2], err[2];
  // Close-on-exec, so that a program started at the same time from another thread (a test that
  // runs a consumer beside a preview) does not keep this one's pipes open.
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  std::vector<std::string> argStore = {program};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argStore) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
  envStore.insert(envStore.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (auto& entry : envStore) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    close(out[0]);
    close(err[0]);
    return result;
  }
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

RunResult RunInterrupted(const std::string& program, const std::vector<std::string>& args, int seconds,
                         bool twice) {
  std::string script = "\"$0\" \"$@\" & pid=$!; sleep " + std::to_string(seconds) + "; kill -INT $pid; ";
  if (twice) script += "sleep 0.05; kill -INT $pid; ";
  std::vector<std::string> shellArgs = {"-c", script + "wait $pid", program};
  shellArgs.insert(shellArgs.end(), args.begin(), args.end());
  return Run("/bin/sh", shellArgs);
}

RunResult RunTool(const std::string& name, std::vector<std::string> args) {
  args.insert(args.begin(), name);
  return Run("/usr/bin/env", args);
}

bool DecodeFirstFrame(const std::string& path, int width, int height, PngOnDisk& frame) {
  std::vector<std::string> args = {"-v", "error", "-nostdin"};
  if (path.size() > 5 && path.compare(path.size() - 5, 5, ".webm") == 0) args.insert(args.end(), {"-c:v", "libvpx-vp9"});
  args.insert(args.end(), {"-i", path, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgba", "-"});
  const RunResult run = RunTool("ffmpeg", args);
  if (run.exitCode != 0 || run.out.size() != static_cast<size_t>(width) * height * 4) return false;
  frame.width = width;
  frame.height = height;
  frame.rgba.assign(run.out.begin(), run.out.end());
  return true;
}

bool MakeClipWithSound(const std::string& path, const std::string& soundExpression, double seconds, int fps) {
  const std::string length = std::to_string(seconds);
  return RunTool("ffmpeg", {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                            "color=c=black:s=64x64:r=" + std::to_string(fps) + ":d=" + length, "-f", "lavfi", "-i",
                            "aevalsrc=" + soundExpression + ":s=44100:d=" + length, "-c:v", "ffv1", "-c:a",
                            "pcm_s16le", "-shortest", path})
             .exitCode == 0;
}

std::string ClickTrack(double bpm, double first) {
  const std::string period = std::to_string(60.0 / bpm), start = std::to_string(first);
  return "'if(gte(t," + start + ")*lt(mod(t-" + start + "," + period + "),0.005),0.8*sin(2*PI*1000*t),0)'";
}

int LineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tooltest
