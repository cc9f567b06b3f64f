// Picture outputs: one PNG or EXR file holding the last frame, or one file per frame named
// by a number pattern. A sequence appears only when every frame of it has been written.
// Compression runs in Encode, on as many threads as the request allows; Write only stores
// the bytes, in frame order.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "tools/hostkit/image/exr_io.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/media/sinks.h"

namespace hostkit {
namespace {

class PictureSink final : public FrameSink {
 public:
  PictureSink(PixelFormat format, int lastFrame, bool sequence, NumberPattern pattern, int jobs)
      : format(format), lastFrame(lastFrame), sequence(sequence), pattern(std::move(pattern)), jobs(jobs) {}

  PixelFormat Format() const override { return format; }
  // A single picture encodes only the last frame: more threads would only hold more frames.
  int EncodeJobs() const override { return sequence ? jobs : 1; }

  bool Open(const std::string& path, int frames, std::string& error) {
    if (!sequence) {
      single = PendingFile::Create(path, error);
      return single != nullptr;
    }
    if (!CheckOutputDirectory(pattern.Format(0), error)) return false;
    files.reserve(static_cast<size_t>(frames));
    return true;
  }

  bool Encode(const FrameView& frame, EncodeScratch& scratch, std::vector<uint8_t>& encoded,
              std::string& error) const override {
    encoded.clear();
    if (!Wanted(frame)) return true;
    if (format == PixelFormat::Rgba8) return EncodePng(frame.pixels, frame.width, frame.height, scratch.rows, encoded, error);
    return EncodeExr(frame.pixels, frame.width, frame.height, scratch.upright, encoded, error);
  }

  bool Write(const FrameView& frame, std::string& error) override {
    if (!Wanted(frame)) return true;
    const std::vector<uint8_t>* encoded = frame.encoded;
    if (!encoded) {
      if (!Encode(frame, ownScratch, ownBytes, error)) return false;
      encoded = &ownBytes;
    }
    std::unique_ptr<PendingFile> created;
    if (sequence) {
      created = PendingFile::Create(pattern.Format(frame.index), error);
      if (!created) return false;
    }
    PendingFile& file = sequence ? *created : *single;
    if (!Store(file, *encoded, error)) return false;
    if (sequence) files.push_back(std::move(created));
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
  // A single picture keeps only the last frame.
  bool Wanted(const FrameView& frame) const { return sequence || frame.index == lastFrame; }

  // Writes and flushes the bytes so that a full disk or a file size limit shows here, with
  // the system's reason, rather than as a bare failure when the file is closed.
  static bool Store(PendingFile& file, const std::vector<uint8_t>& bytes, std::string& error) {
    FILE* stream = file.Stream();
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() && std::fflush(stream) == 0;
    const int reason = errno;
    if (!written || !file.CloseStream()) {
      error = "writing " + file.FinalPath() + " failed: " +
              (reason != 0 ? std::strerror(reason) : std::string("the file could not be completed (disk full?)"));
      return false;
    }
    return true;
  }

  // A sequence that fails while being moved into place takes back what already moved.
  void RemoveCommitted(size_t count) {
    for (size_t i = 0; i < count; ++i) std::remove(files[i]->FinalPath().c_str());
    files.clear();
  }

  PixelFormat format;
  int lastFrame;
  bool sequence;
  NumberPattern pattern;
  int jobs;
  std::unique_ptr<PendingFile> single;
  std::vector<std::unique_ptr<PendingFile>> files;
  EncodeScratch ownScratch;  // for frames that reach Write without Encode
  std::vector<uint8_t> ownBytes;
};

}  // namespace

std::unique_ptr<FrameSink> OpenPictureSink(const OutputRequest& request, const OutputFormat& format,
                                           std::string& error) {
  NumberPattern pattern;
  const bool sequence = format.kind == OutputKind::Sequence && FindNumberPattern(request.path, pattern);
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const int jobs = request.jobs > 0 ? request.jobs : (cores > 0 ? cores : 1);
  auto sink = std::make_unique<PictureSink>(format.pixels, request.firstFrame + request.frames - 1, sequence, pattern, jobs);
  if (!sink->Open(request.path, request.frames, error)) return nullptr;
  return sink;
}

}  // namespace hostkit
