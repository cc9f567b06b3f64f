#pragma once
// The concrete outputs behind OpenSink. Internal to the host library.

#include <memory>
#include <string>

#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/output_formats.h"

namespace hostkit {

class ChildProcess;

// One picture file (the last frame) or one picture per frame, as `format` says: PNG for
// 8-bit rows, EXR for half floats.
std::unique_ptr<FrameSink> OpenPictureSink(const OutputRequest& request, const OutputFormat& format,
                                           std::string& error);
// Raw RGBA8 frames, rows top to bottom, on standard output.
std::unique_ptr<FrameSink> OpenRawSink(std::string& error);
// A video file through the ffmpeg program.
std::unique_ptr<FrameSink> OpenVideoSink(const OutputRequest& request, const OutputFormat& format,
                                         std::string& error);

// Writes the rows of an RGBA8 frame top to bottom (upright) to `fd` or to a child's input.
// False with `error` when the reader has gone or the write fails.
bool WriteUprightRows(int fd, const FrameView& frame, std::string& error);
bool WriteUprightRows(ChildProcess& child, const FrameView& frame, std::string& error);

}  // namespace hostkit
