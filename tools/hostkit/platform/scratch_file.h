#pragma once
// Scratch space on disk for large data a child program writes (a clip's decoded sound): a file
// in the temporary folder whose name is gone as soon as it is made, reached by the child through
// this process's descriptor, then mapped read-only. Nothing is left behind however the process
// ends.

#include <cstddef>
#include <memory>
#include <string>

namespace hostkit {

class ScratchFile {
 public:
  // In $TMPDIR, else /tmp. Null with a one-line `error` when no file can be made there.
  static std::unique_ptr<ScratchFile> Create(std::string& error);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // A path by which a child program opens the file while this process holds it.
  const std::string& PathForChild() const { return childPath; }
  // Maps what was written so far, read-only. False with `error` when it cannot; an empty file
  // maps to no data and Size() 0.
  bool Map(std::string& error);
  const void* Data() const { return data; }
  size_t Size() const { return size; }

 private:
  explicit ScratchFile(int descriptor);
  int descriptor;
  std::string childPath;
  void* data = nullptr;
  size_t size = 0;
};

}  // namespace hostkit
