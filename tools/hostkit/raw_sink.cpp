// Raw output: RGBA8 frames, rows top to bottom, one after another on standard output, with no
// header, for piping into other programs. Nothing is renamed: the stream is the output.

#include "tools/hostkit/descriptor_io.h"
#include "tools/hostkit/sinks.h"

namespace hostkit {
namespace {

class RawSink final : public FrameSink {
 public:
  PixelFormat Format() const override { return PixelFormat::Rgba8; }
  bool Write(const FrameView& frame, std::string& error) override {
    return WriteUprightRows(kStandardOutput, frame, error);
  }
  bool Commit(std::string&) override { return true; }
};

}  // namespace

std::unique_ptr<FrameSink> OpenRawSink(std::string& error) {
  if (IsTerminal(kStandardOutput)) {
    error = "-o - writes raw frames to standard output, which is a terminal here: pipe it into a program";
    return nullptr;
  }
  return std::make_unique<RawSink>();
}

}  // namespace hostkit
