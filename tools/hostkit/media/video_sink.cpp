// Video output through the ffmpeg program: frames are piped to it as raw RGBA and it writes
// a temporary file, renamed into place once ffmpeg has finished successfully and the file
// reads back with every frame. Sound that ends at the last frame, which only the end of the
// render knows, is added then by a second ffmpeg that copies the picture.

#include <cstdlib>
#include <vector>

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/media/sinks.h"

namespace hostkit {
namespace {

// How many video packets ffprobe reads from `path`: an encoder can exit 0 after a failed
// write (a full disk while it writes the trailer), leaving a file without its index or with
// only the frames it wrote before. False with `error` when ffprobe cannot read the file.
bool CountVideoPackets(const std::string& path, long& packets, std::string& error) {
  std::string program;
  if (!FindProgram("ffprobe", program)) {
    error = "ffprobe is not installed";
    return false;
  }
  ChildOptions options;
  options.arguments = {program, "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                       "stream=nb_read_packets", "-of", "csv=p=0", "file:" + path};
  options.pipeOutput = true;
  auto probe = ChildProcess::Start(options, error);
  if (!probe) return false;
  uint8_t text[64] = {};
  size_t got = 0;
  const bool read = probe->Read(text, sizeof text - 1, got, error);
  std::string outcome;
  if (!probe->Wait(outcome) || !read) {
    const std::string said = probe->LogTail(1);
    error = said.empty() ? "ffprobe " + outcome : said;
    return false;
  }
  char* end = nullptr;
  packets = std::strtol(reinterpret_cast<const char*>(text), &end, 10);
  if (end == reinterpret_cast<const char*>(text)) {
    error = "it holds no video stream";
    return false;
  }
  return true;
}

class VideoSink final : public FrameSink {
 public:
  // Without Commit the clip is unfinished: ffmpeg is stopped before it writes a trailer, and
  // the temporary file goes with the pending file.
  ~VideoSink() override { child.reset(); }

  PixelFormat Format() const override { return PixelFormat::Rgba8; }

  bool Start(const std::string& program, const OutputRequest& request, const OutputFormat& format,
             std::string& error) {
    file = PendingFile::Create(request.path, error);
    if (!file) return false;
    file->CloseStream();  // ffmpeg writes the reserved temporary file by name
    ffmpeg = program;
    asked = request;
    row = &format;
    if (request.audioToLastFrame && !request.audioPath.empty() && !format.sound.empty()) {
      picture = PendingFile::Create(request.path, error);  // never committed: removed with the sink
      if (!picture) return false;
      picture->CloseStream();
    }
    std::vector<std::string> args = FfmpegArguments(request, format, (picture ? picture : file)->TemporaryPath());
    args.insert(args.begin(), program);

    ChildOptions options;
    options.arguments = std::move(args);
    options.pipeInput = true;
    child = ChildProcess::Start(options, error);
    return child != nullptr;
  }

  bool Write(const FrameView& frame, std::string& error) override {
    if (WriteUprightRows(*child, frame, error)) {
      ++written;
      return true;
    }
    error = "ffmpeg stopped taking frames for " + file->FinalPath() + " (" + error + ")" + Said();
    return false;
  }

  bool Commit(std::string& error) override {
    std::string outcome;
    if (!child->Wait(outcome)) {
      error = "ffmpeg failed to write " + file->FinalPath() + " (it " + outcome + ")" + Said();
      return false;
    }
    if (picture && !AddSound(error)) return false;
    long packets = 0;
    std::string unreadable;
    if (!CountVideoPackets(file->TemporaryPath(), packets, unreadable)) {
      error = "ffmpeg reported success but " + file->FinalPath() + " is unreadable (" + unreadable + ")" + Said();
      return false;
    }
    if (packets != written) {
      error = "ffmpeg reported success but " + file->FinalPath() + " holds " + std::to_string(packets) + " of its " +
              std::to_string(written) + " frames" + Said();
      return false;
    }
    return file->Commit(error);
  }

 private:
  // Copies the picture written so far into the output with the sound cut at its last frame.
  bool AddSound(std::string& error) {
    std::vector<std::string> args =
        SoundArguments(asked, *row, int(written), picture->TemporaryPath(), file->TemporaryPath());
    args.insert(args.begin(), ffmpeg);
    ChildOptions options;
    options.arguments = std::move(args);
    child = ChildProcess::Start(options, error);
    std::string outcome;
    if (!child) return false;
    if (!child->Wait(outcome)) {
      error = "ffmpeg failed to add the sound of " + asked.audioPath + " to " + file->FinalPath() + " (it " +
              outcome + ")" + Said();
      return false;
    }
    return true;
  }

  // ffmpeg's last words, for a failure message.
  std::string Said() const {
    const std::string tail = child->LogTail(2);
    return tail.empty() ? "" : ": " + tail;
  }

  std::unique_ptr<PendingFile> file;
  std::unique_ptr<PendingFile> picture;  // the picture alone, when the sound is added afterwards
  std::unique_ptr<ChildProcess> child;
  long written = 0;
  std::string ffmpeg;  // the program, the request and the format row, for the sound's pass
  OutputRequest asked;
  const OutputFormat* row = nullptr;
};

}  // namespace

bool VideoOutputAvailable() {
  std::string program;
  return FindProgram("ffmpeg", program);
}

std::unique_ptr<FrameSink> OpenVideoSink(const OutputRequest& request, const OutputFormat& format,
                                         std::string& error) {
  std::string program;
  if (!FindProgram("ffmpeg", program)) {
    error = "ffmpeg is not installed: " + format.extension +
            " output needs it (PNG, EXR and raw output work without it; scripts/setup.sh installs it)";
    return nullptr;
  }
  auto sink = std::make_unique<VideoSink>();
  if (!sink->Start(program, request, format, error)) return nullptr;
  return sink;
}

}  // namespace hostkit
