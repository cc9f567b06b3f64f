#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "tools/hostkit/platform/file_system.h"

namespace hostkit {

FILE* CreateNewFile(const std::string& path, std::string& reason) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    reason = std::strerror(errno);
    close(fd);
  }
  return stream;
}

bool SyncFileToDisk(const std::string& path, std::string& reason) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  bool synced = true;
  while (fsync(fd) != 0) {
    if (errno == EINTR) continue;
    // Some file systems (pipes named by path, certain network mounts) cannot sync; the write
    // itself already succeeded, so only real I/O errors count.
    if (errno != EINVAL && errno != EROFS) {
      reason = std::strerror(errno);
      synced = false;
    }
    break;
  }
  close(fd);
  return synced;
}

std::string MakeTemporaryDirectory(const std::string& prefix, std::string& reason) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    reason = std::strerror(errno);
    return "";
  }
  return pattern;
}

long ProcessId() { return static_cast<long>(getpid()); }

std::string ExecutablePath() {
  char self[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

}  // namespace hostkit
