// Raw output: RGBA8 frames, rows top to bottom, one after another on standard output, with no
// header, for piping into other programs. Nothing is renamed: the stream is the output.

#include <cstdio>

#include "tools/hostkit/platform/descriptor_io.h"
#include "tools/hostkit/media/sinks.h"

namespace hostkit {
namespace {

// Standard output, or the private copy of it that ReserveStandardOutputForFrames made.
int framesOut = kStandardOutput;

bool RefuseTerminal(std::string& error) {
  if (!IsTerminal(framesOut)) return true;
  error = "-o - writes raw frames to standard output, which is a terminal here: pipe it into a program";
  return false;
}

class RawSink final : public FrameSink {
 public:
  // `fd` < 0: standard output as the frames have it (see ReserveStandardOutputForFrames).
  explicit RawSink(int fd) : fd(fd) {}
  PixelFormat Format() const override { return PixelFormat::Rgba8; }
  bool Write(const FrameView& frame, std::string& error) override {
    return WriteUprightRows(fd >= 0 ? fd : framesOut, frame, error);
  }
  bool Commit(std::string&) override { return true; }

 private:
  int fd;
};

}  // namespace

std::unique_ptr<FrameSink> OpenRawSink(std::string& error) {
  if (!RefuseTerminal(error)) return nullptr;
  return std::make_unique<RawSink>(-1);
}

std::unique_ptr<FrameSink> OpenRawStream(int fd) { return std::make_unique<RawSink>(fd); }

bool ReserveStandardOutputForFrames(std::string& error) {
  if (framesOut != kStandardOutput) return true;
  if (!RefuseTerminal(error)) return false;
  std::fflush(stdout);  // what is already buffered belongs before the frames
  const int kept = DivertStandardOutput(error);
  if (kept < 0) return false;
  framesOut = kept;
  return true;
}

}  // namespace hostkit
