#pragma once
// The concrete outputs behind OpenSink. Internal to the host library.

#include <memory>
#include <string>

#include "tools/hostkit/frame_sink.h"
#include "tools/hostkit/video_formats.h"

namespace hostkit {

class ChildProcess;

// A frame-number pattern in a file name: "%d", "%04d" or a run of '#' (its length is the
// zero-padded width).
struct NumberPattern {
  std::string prefix;
  std::string suffix;
  int width = 0;
  std::string Format(int number) const;
};
// True when `path` holds one pattern; `pattern` is filled then.
bool FindNumberPattern(const std::string& path, NumberPattern& pattern);

enum class PictureKind { Png, Exr };

// One picture file (the last frame) or, with a pattern, one picture per frame.
std::unique_ptr<FrameSink> OpenPictureSink(const OutputRequest& request, PictureKind kind, std::string& error);
// Raw RGBA8 frames, rows top to bottom, on standard output.
std::unique_ptr<FrameSink> OpenRawSink(std::string& error);
// A video file through the ffmpeg program; `name` is the container's name for messages.
std::unique_ptr<FrameSink> OpenVideoSink(const OutputRequest& request, VideoContainer container,
                                         const std::string& name, std::string& error);

// Writes the rows of an RGBA8 frame top to bottom (upright) to `fd` or to a child's input.
// False with `error` when the reader has gone or the write fails.
bool WriteUprightRows(int fd, const FrameView& frame, std::string& error);
bool WriteUprightRows(ChildProcess& child, const FrameView& frame, std::string& error);

}  // namespace hostkit
