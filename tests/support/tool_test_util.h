#pragma once
// Helpers for the host's tests: scratch directories, reading PNG files back as they lie on
// disk (rows top to bottom), and running the CLI.

#include <cstdint>
#include <string>
#include <vector>

namespace tooltest {

// A fresh empty directory, removed with its contents when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& Path() const { return path; }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  // Names of the entries, hidden ones included, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path;
};

// A picture as a file holds it, rows top to bottom.
struct PngOnDisk {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // rows top to bottom, as the file holds them
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};
// False when the file is missing or not a PNG.
bool LoadPng(const std::string& path, PngOnDisk& png);

struct RunResult {
  int exitCode = -1;
  int signal = 0;  // the signal that ended the program, 0 when it exited
  std::string out;
  std::string err;
};
// Runs `program` with `args` and extra environment entries "NAME=VALUE", collecting both streams.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& environment = {});

// Runs `program` and, `seconds` after its start, sends SIGINT to it alone, as a terminal's
// Ctrl-C reaches a program whose helpers run in process groups of their own; with `twice`, a
// second one 50 ms later. exitCode is the program's own status (128 + N when signal N ended it).
RunResult RunInterrupted(const std::string& program, const std::vector<std::string>& args, int seconds,
                         bool twice = false);

// Runs the program `name` found on the PATH (ffmpeg, ffprobe) with `args`.
RunResult RunTool(const std::string& name, std::vector<std::string> args);

// The first video frame of `path`, decoded by ffmpeg to RGBA of width x height (as the clip's
// own tags say), into `frame`. WebM goes through libvpx: ffmpeg 5.1's own VP9 decoder drops
// the alpha plane. False when ffmpeg fails or the size differs.
bool DecodeFirstFrame(const std::string& path, int width, int height, PngOnDisk& frame);

// A small clip (64x64 black at `fps`, Matroska) of `seconds` whose mono sound at 44.1 kHz is
// ffmpeg's aevalsrc `soundExpression` of t, such as "sin(2*PI*440*t)". False when ffmpeg fails.
bool MakeClipWithSound(const std::string& path, const std::string& soundExpression, double seconds, int fps = 30);
// An aevalsrc expression of clicks (5 ms of 1 kHz) every 60/bpm seconds from `first` seconds.
std::string ClickTrack(double bpm, double first);

// Number of '\n' in `text`.
int LineCount(const std::string& text);

// The bytes of the file at `path`; empty when it cannot be read.
std::string Slurp(const std::string& path);

}  // namespace tooltest
