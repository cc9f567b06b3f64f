#pragma once
// The concrete outputs behind OpenSink. Internal to the host library.

#include <memory>
#include <string>

#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/video_formats.h"

namespace hostkit {

class ChildProcess;

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
