// Video output through the ffmpeg program: frames are piped to it as raw RGBA and it writes
// a temporary file, renamed into place once ffmpeg has finished successfully.

#include <vector>

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/media/sinks.h"

namespace hostkit {
namespace {

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
    std::vector<std::string> args = FfmpegArguments(request, format, file->TemporaryPath());
    args.insert(args.begin(), program);

    ChildOptions options;
    options.arguments = std::move(args);
    options.pipeInput = true;
    child = ChildProcess::Start(options, error);
    return child != nullptr;
  }

  bool Write(const FrameView& frame, std::string& error) override {
    if (WriteUprightRows(*child, frame, error)) return true;
    error = "ffmpeg stopped taking frames for " + file->FinalPath() + " (" + error + ")" + Said();
    return false;
  }

  bool Commit(std::string& error) override {
    std::string outcome;
    if (!child->Wait(outcome)) {
      error = "ffmpeg failed to write " + file->FinalPath() + " (it " + outcome + ")" + Said();
      return false;
    }
    return file->Commit(error);
  }

 private:
  // ffmpeg's last words, for a failure message.
  std::string Said() const {
    const std::string tail = child->LogTail(2);
    return tail.empty() ? "" : ": " + tail;
  }

  std::unique_ptr<PendingFile> file;
  std::unique_ptr<ChildProcess> child;
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
