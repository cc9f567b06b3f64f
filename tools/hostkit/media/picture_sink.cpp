// Picture outputs: one PNG or EXR file holding the last frame, or one file per frame named
// by a number pattern. Each frame of a sequence takes its name, whole, as soon as it is
// written, and stays when the render stops early, so a long render keeps its finished work.
// Compression runs in Encode, on as many threads as the request allows; Write only stores
// the bytes, in frame order.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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
  PictureSink(PixelFormat format, int lastFrame, bool sequence, NumberPattern pattern, int jobs,
              std::vector<int> present)
      : format(format),
        lastFrame(lastFrame),
        sequence(sequence),
        pattern(std::move(pattern)),
        jobs(jobs),
        present(std::move(present)) {}

  PixelFormat Format() const override { return format; }
  // A single picture encodes only the last frame: more threads would only hold more frames.
  int EncodeJobs() const override { return sequence ? jobs : 1; }
  int FramesKept() const override { return kept; }

  bool Open(const std::string& path, std::string& error) {
    if (!sequence) {
      single = PendingFile::Create(path, error);
      return single != nullptr;
    }
    return CheckOutputDirectory(pattern.Format(0), error);
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
    if (!sequence) return Store(*single, *encoded, error);
    const std::unique_ptr<PendingFile> file = PendingFile::Create(pattern.Format(frame.index), error);
    if (!file || !Store(*file, *encoded, error) || !file->Commit(error)) return false;
    ++kept;
    return true;
  }

  // A sequence's frames are in place already.
  bool Commit(std::string& error) override { return !single || single->Commit(error); }

 private:
  // A single picture keeps only the last frame; a resumed sequence skips the frames it has.
  bool Wanted(const FrameView& frame) const {
    if (!sequence) return frame.index == lastFrame;
    return !std::binary_search(present.begin(), present.end(), frame.index);
  }

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

  PixelFormat format;
  int lastFrame;
  bool sequence;
  NumberPattern pattern;
  int jobs;
  std::vector<int> present;  // sorted
  int kept = 0;
  std::unique_ptr<PendingFile> single;
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
  std::vector<int> present = request.present;
  std::sort(present.begin(), present.end());
  auto sink = std::make_unique<PictureSink>(format.pixels, request.firstFrame + request.frames - 1, sequence, pattern,
                                            jobs, std::move(present));
  if (!sink->Open(request.path, error)) return nullptr;
  return sink;
}

SequenceFrame ExamineSequenceFrame(const std::string& path, PixelFormat format, int width, int height,
                                   std::string& why) {
  std::error_code failed;
  const auto status = std::filesystem::status(path, failed);
  if (!std::filesystem::exists(status)) return SequenceFrame::Missing;
  if (!std::filesystem::is_regular_file(status)) {
    why = path + " is not a file";
    return SequenceFrame::Unfinished;
  }
  // A PNG starts with its signature and IHDR (the size) and ends with the IEND chunk; an EXR
  // starts with its magic number. The head and the tail are read, not the pixels.
  std::ifstream file(path, std::ios::binary);
  char head[24] = {}, tail[8] = {};
  file.read(head, sizeof head);
  const std::streamsize headBytes = file.gcount();
  file.clear();
  file.seekg(-static_cast<std::streamoff>(sizeof tail), std::ios::end);
  file.read(tail, sizeof tail);
  if (!file.is_open() || headBytes == 0) {
    why = path + (file.is_open() ? " is empty" : " cannot be read");
    return SequenceFrame::Unfinished;
  }
  auto big = [&](size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(head[offset + i]);
    return value;
  };
  const bool png = format == PixelFormat::Rgba8;
  const bool whole = png ? headBytes == sizeof head && std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) == 0 &&
                               file.good() && std::memcmp(tail, "IEND\xae\x42\x60\x82", 8) == 0
                         : headBytes >= 4 && std::memcmp(head, "\x76\x2f\x31\x01", 4) == 0;
  if (!whole) {
    why = path + " is not a whole " + (png ? "PNG" : "EXR") + " file";
    return SequenceFrame::Unfinished;
  }
  if (png && (big(16) != static_cast<uint32_t>(width) || big(20) != static_cast<uint32_t>(height))) {
    why = path + " is " + std::to_string(big(16)) + "x" + std::to_string(big(20)) + ", not " + std::to_string(width) +
          "x" + std::to_string(height);
    return SequenceFrame::OtherSize;
  }
  return SequenceFrame::Whole;
}

}  // namespace hostkit
