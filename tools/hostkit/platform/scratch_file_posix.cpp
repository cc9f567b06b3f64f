#include "tools/hostkit/platform/scratch_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hostkit {

std::unique_ptr<ScratchFile> ScratchFile::Create(std::string& error) {
  const char* folder = std::getenv("TMPDIR");
  const std::string where = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  std::string name = where + "/swirlmoss-scratch-XXXXXX";
  const int descriptor = mkostemp(name.data(), O_CLOEXEC);
  if (descriptor < 0) {
    error = "cannot make a temporary file in " + where + ": " + std::strerror(errno);
    return nullptr;
  }
  unlink(name.c_str());
  return std::unique_ptr<ScratchFile>(new ScratchFile(descriptor));
}

ScratchFile::ScratchFile(int descriptor)
    : descriptor(descriptor),
      childPath("/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(descriptor)) {}

ScratchFile::~ScratchFile() {
  if (data != nullptr) munmap(data, size);
  close(descriptor);
}

bool ScratchFile::Map(std::string& error) {
  struct stat facts {};
  if (fstat(descriptor, &facts) != 0) {
    error = std::string("cannot read the temporary file: ") + std::strerror(errno);
    return false;
  }
  if (facts.st_size == 0) return true;
  void* mapped = mmap(nullptr, static_cast<size_t>(facts.st_size), PROT_READ, MAP_SHARED, descriptor, 0);
  if (mapped == MAP_FAILED) {
    error = std::string("cannot map the temporary file: ") + std::strerror(errno);
    return false;
  }
  madvise(mapped, static_cast<size_t>(facts.st_size), MADV_WILLNEED);
  data = mapped;
  size = static_cast<size_t>(facts.st_size);
  return true;
}

}  // namespace hostkit
