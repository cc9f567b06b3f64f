#pragma once
// Reading and writing whole buffers on open file descriptors (pipes, standard output), and the
// questions asked of the standard streams: the platform's part of streaming frames.

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostkit {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

struct ByteRange {
  const uint8_t* data;
  size_t size;
};

// Writes `count` ranges to `fd` in order, finishing partial writes and retrying interrupted
// ones. False with a one-line `error` when it fails; a reader that went away reads "the
// reading end of the output pipe closed early". The process must ignore SIGPIPE
// (IgnoreBrokenPipes), or such a reader ends it instead.
bool WriteRanges(int fd, const ByteRange* ranges, int count, std::string& error);

// Reads up to `size` bytes into `data`, stopping early only at the end of the stream; `got`
// says how many came. False with a one-line `error` when reading fails.
bool ReadFully(int fd, uint8_t* data, size_t size, size_t& got, std::string& error);

bool IsTerminal(int fd);

// Makes writes to a closed pipe fail with an error instead of ending the process.
void IgnoreBrokenPipes();

// Gives the caller a private descriptor on what standard output is now, and points standard
// output at standard error, so that whatever else writes to standard output (a plugin's log
// lines) cannot mix with a byte stream sent through the private one. -1 with `error` when the
// descriptors cannot be rearranged.
int DivertStandardOutput(std::string& error);

void CloseDescriptor(int fd);

// A descriptor that writes to the null device, for timing output that is not kept. -1 with
// `error` when it cannot be opened.
int OpenNullDevice(std::string& error);

}  // namespace hostkit
