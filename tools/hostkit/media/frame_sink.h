#pragma once
// Where rendered frames go. A sink receives every frame of a render in order, on one encoding
// thread at a time, and makes its output visible only on Commit: an output is written whole or
// not at all, and a sink destroyed without Commit removes whatever it had written. A picture
// sequence is the exception: each frame is a file of its own, in place whole as soon as it is
// written, and a render that stops early keeps them (FramesKept). Sinks whose
// frames are costly to compress (pictures) split that work off into Encode, which several
// threads run at once.

#include <memory>
#include <string>
#include <vector>
#include <utility>

#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/params/frame_rate.h"

namespace hostkit {

// Working memory of one encoding thread, kept between frames so that a warm encoder
// allocates nothing of its own.
struct EncodeScratch {
  std::vector<const uint8_t*> rows;
  std::vector<uint8_t> upright;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // The pixel layout this sink wants rendered.
  virtual PixelFormat Format() const = 0;
  // How many threads may run Encode at once: 1 for sinks that do all their work in Write.
  virtual int EncodeJobs() const { return 1; }
  // Any encoding thread, several at once, frames in any order: compresses the frame into
  // `encoded`, which reaches Write as frame.encoded. `scratch` belongs to the calling thread.
  // False with a one-line `error`. Sinks that do all their work in Write leave this as it is.
  virtual bool Encode(const FrameView& /*frame*/, EncodeScratch& /*scratch*/, std::vector<uint8_t>& /*encoded*/,
                      std::string& /*error*/) const {
    return true;
  }
  // One encoding thread at a time, frames in order. A frame that Encode has not seen
  // (frame.encoded null) is encoded here. False with a one-line `error` when the frame cannot
  // be written; no further frame is offered then.
  virtual bool Write(const FrameView& frame, std::string& error) = 0;
  // After the last frame: moves the output into place. False with `error` when that fails,
  // and nothing is left behind.
  virtual bool Commit(std::string& error) = 0;
  // Frames this sink has put in place for good, which stay when it is destroyed without
  // Commit: those of a picture sequence, 0 for every other output.
  virtual int FramesKept() const { return 0; }
};

struct OutputFormat;

// An output as a command line names it: the path, and the row of the output-format table
// (output_formats.h) that its name chose, looked up once.
struct OutputTarget {
  std::string path;  // "-" for raw frames on standard output
  const OutputFormat* format = nullptr;
};

struct OutputRequest {
  OutputRequest() = default;
  OutputRequest(std::string path, int frames, double fps, int width, int height, int jobs = 0)
      : path(std::move(path)), frames(frames), fps(fps), width(width), height(height), jobs(jobs) {}

  std::string path;  // "-" for raw frames on standard output
  const OutputFormat* format = nullptr;  // the row `path` chose (OutputTarget); null: looked up here
  int frames = 1;
  double fps = kDefaultFrameRate;
  int width = 0;
  int height = 0;
  int jobs = 0;  // threads compressing PNG and EXR frames; 0: one per CPU core
  // Sound for containers that hold it: the first sound stream of this file (any file the
  // ffmpeg program reads), from audioStart seconds on, for audioSeconds (0: the length of the
  // frames). Empty: no sound.
  std::string audioPath;
  double audioStart = 0.0;
  double audioSeconds = 0.0;
  // The number of frames is not known up front (`frames` is then an upper bound): the sound is
  // padded with silence and ends where the last frame does.
  bool audioToLastFrame = false;
  int firstFrame = 0;  // number of the first frame: the pieces of a split render number files from there
  // Frames of a picture sequence already whole on disk (a resumed render): drawn, not written.
  std::vector<int> present;
};

// Chooses the sink from the path by the table of output formats (output_formats.h): raw
// frames on standard output, pictures, picture sequences or video through the ffmpeg
// program, with sound where asked. Checks up front that the output can be written
// (directory exists and is writable, ffmpeg installed) so no render time is spent on an
// output that cannot be made. Null with a one-line `error` otherwise.
std::unique_ptr<FrameSink> OpenSink(const OutputRequest& request, std::string& error);

// For "-o -", before anything that may print (the plugin logs to standard output): frames go
// to a private copy of standard output, and standard output itself is pointed at standard
// error for the rest of the run, so no stray line can corrupt the frame stream. False with a
// one-line `error` when standard output is a terminal or cannot be set aside.
bool ReserveStandardOutputForFrames(std::string& error);

// The target `path` names. False with a one-line `error` listing the accepted outputs when it
// names none of them, so that a render can refuse it before any other work.
bool ResolveOutput(const std::string& path, OutputTarget& target, std::string& error);
bool KnownOutputType(const std::string& path, std::string& error);

// Raw RGBA8 frames, rows top to bottom, on the open descriptor `fd`, which stays the
// caller's to close.
std::unique_ptr<FrameSink> OpenRawStream(int fd);

// True when the ffmpeg program that video outputs need is on the PATH.
bool VideoOutputAvailable();

// A frame file of a PNG (Rgba8) or EXR (RgbaHalf) sequence as a resumed render finds it: whole
// (the picture format's head and, for PNG, its size and closing chunk), missing, unfinished
// (empty, unreadable, cut short: to be rendered again) or a PNG of another size than
// width x height. `why` says what is wrong with an unfinished or other-size file.
enum class SequenceFrame { Missing, Whole, Unfinished, OtherSize };
SequenceFrame ExamineSequenceFrame(const std::string& path, PixelFormat format, int width, int height,
                                   std::string& why);

// The pixel layout the sink for `path` will want, so the renderer can be made first.
PixelFormat FormatForPath(const std::string& path);

}  // namespace hostkit
