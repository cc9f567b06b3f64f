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
  std::string out;
  std::string err;
};
// Runs `program` with `args` and extra environment entries "NAME=VALUE", collecting both streams.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& environment = {});

// Number of '\n' in `text`.
int LineCount(const std::string& text);

}  // namespace tooltest
