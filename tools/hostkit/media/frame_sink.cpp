#include "tools/hostkit/media/frame_sink.h"

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/media/sinks.h"
#include "tools/hostkit/media/output_formats.h"

namespace hostkit {
namespace {

// Hands the rows of `frame` top to bottom to `write` in batches of row ranges.
template <typename Write>
bool WriteRowsUpright(const FrameView& frame, Write write) {
  const size_t stride = static_cast<size_t>(frame.width) * 4;
  ByteRange batch[64];
  int row = frame.height - 1;
  while (row >= 0) {
    int count = 0;
    for (; count < 64 && row >= 0; ++count, --row) batch[count] = {frame.pixels + stride * static_cast<size_t>(row), stride};
    if (!write(batch, count)) return false;
  }
  return true;
}

}  // namespace

PixelFormat FormatForPath(const std::string& path) {
  const OutputFormat* format = FindOutputFormat(path);
  return format ? format->pixels : PixelFormat::Rgba8;
}

bool ResolveOutput(const std::string& path, OutputTarget& target, std::string& error) {
  target = {path, FindOutputFormat(path)};
  if (target.format) return true;
  error = "unknown output type \"" + path + "\": use " + OutputNameList();
  return false;
}

bool KnownOutputType(const std::string& path, std::string& error) {
  OutputTarget target;
  return ResolveOutput(path, target, error);
}

std::unique_ptr<FrameSink> OpenSink(const OutputRequest& request, std::string& error) {
  OutputTarget target{request.path, request.format};
  if (!target.format && !ResolveOutput(request.path, target, error)) return nullptr;
  const OutputFormat& format = *target.format;
  if (format.kind == OutputKind::Stream) return OpenRawSink(error);
  if (format.kind == OutputKind::Video) return OpenVideoSink(request, format, error);
  return OpenPictureSink(request, format, error);
}

bool WriteUprightRows(int fd, const FrameView& frame, std::string& error) {
  return WriteRowsUpright(frame, [&](const ByteRange* rows, int count) { return WriteRanges(fd, rows, count, error); });
}

bool WriteUprightRows(ChildProcess& child, const FrameView& frame, std::string& error) {
  return WriteRowsUpright(frame, [&](const ByteRange* rows, int count) { return child.Write(rows, count, error); });
}

}  // namespace hostkit
