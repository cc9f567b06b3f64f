#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "tools/hostkit/platform/file_system.h"

namespace hostkit {

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
  struct stat facts {};
  if (stat(path.c_str(), &facts) != 0) return false;
  identity = {static_cast<uint64_t>(facts.st_dev), static_cast<uint64_t>(facts.st_ino)};
  return true;
}

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

bool ReadSmallRegularFile(const std::string& path, size_t limit, std::string& text, std::string& reason) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  struct stat about {};
  bool read = false;
  if (fstat(fd, &about) != 0) {
    reason = std::strerror(errno);
  } else if (!S_ISREG(about.st_mode)) {
    reason = "not a regular file";
  } else if (static_cast<unsigned long long>(about.st_size) > limit) {
    reason = "larger than " + std::to_string(limit / 1024) + " KiB";
  } else {
    text.assign(static_cast<size_t>(about.st_size), '\0');
    size_t done = 0;
    read = true;
    while (done < text.size()) {
      const ssize_t got = ::read(fd, text.data() + done, text.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        reason = std::strerror(errno);
        read = false;
        break;
      }
      if (got == 0) break;  // shortened while read: what is there
      done += static_cast<size_t>(got);
    }
    text.resize(done);
  }
  close(fd);
  return read;
}

long ProcessId() { return static_cast<long>(getpid()); }

void SetEnvironment(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

std::string ExecutablePath() {
  char self[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

}  // namespace hostkit
