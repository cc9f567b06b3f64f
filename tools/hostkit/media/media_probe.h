#pragma once
// What ffprobe says about a file or device: its first picture stream (size, rate, length,
// pixel layout, colour tags) and whether it has sound.

#include <cstdint>
#include <string>
#include <vector>

namespace hostkit {

struct MediaFacts {
  std::string container;  // ffprobe's format name: "mov,mp4,m4a,3gp,3g2,mj2", "png_pipe", "video4linux2,v4l2"
  std::string codec;
  std::string pixelFormat;
  std::string colorSpace;  // matrix tag; empty or "unknown" when untagged
  std::string colorRange;  // "tv", "pc"; empty or "unknown" when untagged
  std::string colorTransfer;  // "bt709", "smpte2084" (PQ), "arib-std-b67" (HLG); empty or "unknown" when untagged
  int width = 0, height = 0;
  double fps = 0.0;        // 0 when the stream does not say
  double nominalFps = 0.0; // the rate every frame's time is a step of (ffprobe's r_frame_rate); 0 when not said
  bool variableRate = false;  // frames come at changing intervals (a phone's clip): `fps` is only their average
  int64_t frames = 0;      // 0 when unknown: nothing says how long the picture stream is
  bool framesEstimated = false;  // no count kept: `frames` is the duration at the stream's rate
  bool alphaTagged = false;  // VP9 streams that carry alpha in a side channel say alpha_mode=1
  bool hasAudio = false;
  int audioRate = 0;  // the first sound stream's samples per second; 0 when none or unsaid
};

// Reads the report of `ffprobe -print_format json -show_format -show_streams` into `facts`: the
// first picture stream that is not cover art, its size as ffmpeg delivers it (turned upright),
// its rate (average, else nominal; variable when they differ) and its length (the frame count, else the stream's duration
// at that rate, else unknown: never the file's, which the sound may outlast the picture by). False with a one-line `error` when the text is no such report,
// has no picture stream or gives it no size; `facts` is then left as it was. Any text at all may
// come in: nothing is thrown.
bool ParseProbeReport(const std::string& report, MediaFacts& facts, std::string& error);

// Runs ffprobe (`program`) with `inputArguments` (for example {"-f", "v4l2", "-i", "/dev/video0"})
// and reads its report. False with a one-line `error` carrying ffprobe's own reason, or one of
// ParseProbeReport's.
bool ProbeMedia(const std::string& program, const std::vector<std::string>& inputArguments, MediaFacts& facts,
                std::string& error);

// True when the pixel layout carries alpha (yuva420p, rgba, gbrap, ya8, pal8, ...).
bool PixelFormatHasAlpha(const std::string& pixelFormat);
// True for layouts stored as RGB or grey, which need no matrix or range to become RGB.
bool PixelFormatIsRgb(const std::string& pixelFormat);

}  // namespace hostkit
