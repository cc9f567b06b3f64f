// Picture outputs: one PNG or EXR file holding the last frame, or one file per frame named
// by a number pattern. A sequence appears only when every frame of it has been written.

#include <cstdio>
#include <vector>

#include "tools/hostkit/exr_io.h"
#include "tools/hostkit/pending_file.h"
#include "tools/hostkit/png_io.h"
#include "tools/hostkit/sinks.h"

namespace hostkit {
namespace {

class PictureSink final : public FrameSink {
 public:
  PictureSink(PictureKind kind, int lastFrame, bool sequence, NumberPattern pattern)
      : kind(kind), lastFrame(lastFrame), sequence(sequence), pattern(std::move(pattern)) {}

  PixelFormat Format() const override { return kind == PictureKind::Exr ? PixelFormat::RgbaHalf : PixelFormat::Rgba8; }

  bool Open(const std::string& path, int frames, std::string& error) {
    if (!sequence) {
      single = PendingFile::Create(path, error);
      return single != nullptr;
    }
    if (!CheckOutputDirectory(pattern.Format(0), error)) return false;
    files.reserve(static_cast<size_t>(frames));
    return true;
  }

  bool Write(const FrameView& frame, std::string& error) override {
    if (!sequence) return frame.index == lastFrame ? Encode(*single, frame, error) : true;
    std::unique_ptr<PendingFile> file = PendingFile::Create(pattern.Format(frame.index), error);
    if (!file || !Encode(*file, frame, error)) return false;
    files.push_back(std::move(file));
    return true;
  }

  bool Commit(std::string& error) override {
    if (!sequence) return single->Commit(error);
    for (size_t i = 0; i < files.size(); ++i) {
      if (!files[i]->Commit(error)) {
        RemoveCommitted(i);
        return false;
      }
    }
    return true;
  }

 private:
  bool Encode(PendingFile& file, const FrameView& frame, std::string& error) {
    if (kind == PictureKind::Png) {
      if (!WritePng(file.Stream(), frame.pixels, frame.width, frame.height, rows, error)) return false;
      if (!file.CloseStream()) {
        error = "writing " + file.FinalPath() + " failed (disk full?)";
        return false;
      }
      return true;
    }
    file.CloseStream();  // OpenEXR writes by name into the reserved temporary file
    return WriteExr(file.TemporaryPath(), frame.pixels, frame.width, frame.height, error);
  }

  // A sequence that fails while being moved into place takes back what already moved.
  void RemoveCommitted(size_t count) {
    for (size_t i = 0; i < count; ++i) std::remove(files[i]->FinalPath().c_str());
    files.clear();
  }

  PictureKind kind;
  int lastFrame;
  bool sequence;
  NumberPattern pattern;
  std::unique_ptr<PendingFile> single;
  std::vector<std::unique_ptr<PendingFile>> files;
  std::vector<const uint8_t*> rows;
};

}  // namespace

std::unique_ptr<FrameSink> OpenPictureSink(const OutputRequest& request, PictureKind kind, std::string& error) {
  NumberPattern pattern;
  const bool sequence = FindNumberPattern(request.path, pattern);
  auto sink = std::make_unique<PictureSink>(kind, request.firstFrame + request.frames - 1, sequence, pattern);
  if (!sink->Open(request.path, request.frames, error)) return nullptr;
  return sink;
}

}  // namespace hostkit
