#include "tools/hostkit/media/frame_sink.h"

#include <algorithm>
#include <cctype>

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/media/sinks.h"
#include "tools/hostkit/media/video_formats.h"

namespace hostkit {
namespace {

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

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
  return LowerExtension(path) == "exr" ? PixelFormat::RgbaHalf : PixelFormat::Rgba8;
}

bool KnownOutputType(const std::string& path, std::string& error) {
  const std::string extension = LowerExtension(path);
  VideoContainer container;
  if (path == "-" || extension == "png" || extension == "exr" || VideoContainerFor(extension, container)) return true;
  error = "unknown output type \"" + path +
          "\": use NAME.png, NAME_%04d.png, NAME.exr, NAME_%04d.exr, NAME.mp4, NAME.mov, NAME.webm, NAME.gif "
          "or - (raw RGBA)";
  return false;
}

std::unique_ptr<FrameSink> OpenSink(const OutputRequest& request, std::string& error) {
  if (!KnownOutputType(request.path, error)) return nullptr;
  if (request.path == "-") return OpenRawSink(error);
  const std::string extension = LowerExtension(request.path);
  if (extension == "png") return OpenPictureSink(request, PictureKind::Png, error);
  if (extension == "exr") return OpenPictureSink(request, PictureKind::Exr, error);
  VideoContainer container = VideoContainer::Mp4;
  VideoContainerFor(extension, container);
  return OpenVideoSink(request, container, extension, error);
}

bool WriteUprightRows(int fd, const FrameView& frame, std::string& error) {
  return WriteRowsUpright(frame, [&](const ByteRange* rows, int count) { return WriteRanges(fd, rows, count, error); });
}

bool WriteUprightRows(ChildProcess& child, const FrameView& frame, std::string& error) {
  return WriteRowsUpright(frame, [&](const ByteRange* rows, int count) { return child.Write(rows, count, error); });
}

}  // namespace hostkit
