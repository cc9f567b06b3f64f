#pragma once
// Pictures for people to look at: a contact sheet of small frames in a grid, and frames laid
// over a checkerboard so that transparent areas show in formats without alpha (MP4).

#include <string>
#include <vector>

#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/media/frame_sink.h"

namespace swirlcli {

class ContactSheet {
 public:
  // A grid of columns x rows cells of cellWidth x cellHeight pixels with `gap` pixels between.
  ContactSheet(int columns, int rows, int cellWidth, int cellHeight, int gap);
  // Shrinks an RGBA8 frame (box filter) over a checkerboard into the cell at `column`, `row`
  // (row 0 at the top). Precondition: the frame is at least as large as a cell.
  void Place(int column, int row, const hostkit::FrameView& frame);
  const hostkit::Image& Picture() const { return picture; }

 private:
  int cellWidth;
  int cellHeight;
  int gap;
  hostkit::Image picture;  // rows bottom to top
};

// One row of a sheet from a render of `frames` frames: the first, the last and evenly spaced
// frames between them fill its columns.
class SheetRowSink : public hostkit::FrameSink {
 public:
  SheetRowSink(ContactSheet& sheet, int row, int columns, int frames)
      : sheet(sheet), row(row), columns(columns), frames(frames) {}
  hostkit::PixelFormat Format() const override { return hostkit::PixelFormat::Rgba8; }
  bool Write(const hostkit::FrameView& frame, std::string& error) override;
  bool Commit(std::string& /*error*/) override { return true; }

 private:
  ContactSheet& sheet;
  int row;
  int columns;
  int frames;
};

// Writes the sheet as a PNG, whole or not at all. False with a one-line `error` otherwise.
bool WriteSheet(const ContactSheet& sheet, const std::string& path, std::string& error);

// Lays an RGBA8 frame over a grey checkerboard into `out` (same size, opaque).
void OverCheckerboard(const hostkit::FrameView& frame, uint8_t* out);

}  // namespace swirlcli
