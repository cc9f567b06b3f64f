#pragma once
// Where input frames come from: a still picture used for every frame, a numbered picture
// sequence, a video file or a camera. Everything but PNG stills is decoded by the ffmpeg
// program (probed with ffprobe) on a reader thread that keeps a few frames ready, so decoding
// overlaps with rendering.

#include <cstdint>
#include <memory>
#include <string>

#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/params/frame_rate.h"

namespace hostkit {

struct SourceInfo {
  std::string description;  // one line for messages: "clip.mp4 (1920x1080, 25 fps, 250 frames, alpha, sound)"
  int width = 0, height = 0;  // the picture's own size
  double fps = kDefaultFrameRate;  // the source's rate (the default rate for stills and sequences)
  double averageFps = 0.0;    // a source whose rate varies: its frames' average rate, while `fps` is
                              // the constant rate it is delivered at; 0 for a steady rate
  int64_t frames = 0;         // length in frames: 1 for a still, -1 when unbounded (camera), 0 when
                              // unknown (a file that does not say: it ends where its frames do)
  bool still = false;
  bool hasAlpha = false;
  bool hasAudio = false;
  std::string hdrTransfer;    // "PQ" or "HLG" for HDR video, which is decoded as SDR (no tone
                              // mapping); empty otherwise
};

struct SourceRequest {
  std::string location;          // a file, a numbered pattern (shots/f_%04d.png) or /dev/videoN
  int width = 0, height = 0;  // deliver frames at this size (0 = the source's own): fit, aspect kept, padded with transparent black
  int64_t start = 0;          // first frame delivered
  bool loop = false;          // after the last frame start again at 0
  double fps = 0.0;           // a source whose rate varies is delivered at this constant rate (0 = its
                              // nominal rate), each frame the one on screen at its time
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual const SourceInfo& Info() const = 0;
  // The next frame as RGBA8, rows bottom to top, at the requested size, into `image`, whose buffer is reused
  // (no allocation per frame in steady state). False with a one-line `error` on failure; false with an empty
  // `error` at the end of a source that does not loop.
  virtual bool Next(Image& image, std::string& error) = 0;
};

// Probes and opens a source; null with a one-line error naming the problem.
std::unique_ptr<FrameSource> OpenFrameSource(const SourceRequest& request, std::string& error);

// One line for a user when `info` is HDR video, which is shown as SDR; empty otherwise.
std::string HdrNote(const SourceInfo& info);

// The first file that writing `output` (a file, or with `numbered` a pattern over the frames
// `first` to `first + count - 1`) would replace and that the input `location` (a file or a numbered
// pattern) reads, compared as files on disk, whatever the spelling or link; empty when none.
std::string InputFileOverwritten(const std::string& location, const std::string& output, bool numbered, int64_t first,
                                 int64_t count);

// True when `location` names a V4L2 camera device (/dev/videoN).
bool IsCameraLocation(const std::string& location);

}  // namespace hostkit
