#include <fcntl.h>
#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/hostkit/platform/descriptor_io.h"

namespace hostkit {

bool WriteRanges(int fd, const ByteRange* ranges, int count, std::string& error) {
  constexpr int kBatch = 64;
  iovec batch[kBatch];
  int next = 0;
  while (next < count) {
    int vectorCount = 0;
    size_t remaining = 0;
    for (; vectorCount < kBatch && next < count; ++vectorCount, ++next) {
      batch[vectorCount].iov_base = const_cast<uint8_t*>(ranges[next].data);
      batch[vectorCount].iov_len = ranges[next].size;
      remaining += ranges[next].size;
    }
    // writev may write part of the batch (pipes); finish the rest before the next batch.
    iovec* vector = batch;
    while (remaining > 0) {
      const ssize_t written = writev(fd, vector, vectorCount);
      if (written < 0) {
        if (errno == EINTR) continue;
        error = errno == EPIPE ? "the reading end of the output pipe closed early"
                               : std::string("writing frames failed: ") + std::strerror(errno);
        return false;
      }
      remaining -= static_cast<size_t>(written);
      size_t advance = static_cast<size_t>(written);
      while (vectorCount > 0 && advance >= vector->iov_len) {
        advance -= vector->iov_len;
        ++vector;
        --vectorCount;
      }
      if (vectorCount > 0) {
        vector->iov_base = static_cast<uint8_t*>(vector->iov_base) + advance;
        vector->iov_len -= advance;
      }
    }
  }
  return true;
}

bool ReadFully(int fd, uint8_t* data, size_t size, size_t& got, std::string& error) {
  got = 0;
  while (got < size) {
    const ssize_t count = read(fd, data + got, size - got);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      error = std::string("reading failed: ") + std::strerror(errno);
      return false;
    }
    got += static_cast<size_t>(count);
  }
  return true;
}

bool IsTerminal(int fd) { return isatty(fd) == 1; }

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

int DivertStandardOutput(std::string& error) {
  const int kept = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (kept < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    error = std::string("cannot set standard output aside: ") + std::strerror(errno);
    if (kept >= 0) close(kept);
    return -1;
  }
  return kept;
}

void CloseDescriptor(int fd) {
  if (fd >= 0) close(fd);
}

int OpenNullDevice(std::string& error) {
  const int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (fd < 0) error = std::string("cannot open /dev/null: ") + std::strerror(errno);
  return fd;
}

}  // namespace hostkit
