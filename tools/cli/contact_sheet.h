#pragma once
// Pictures for people to look at: a contact sheet of small frames in a grid, and frames laid
// over a checkerboard so that transparent areas show in formats without alpha (MP4).

#include "tools/hostkit/image/pixel_format.h"

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

// Lays an RGBA8 frame over a grey checkerboard into `out` (same size, opaque).
void OverCheckerboard(const hostkit::FrameView& frame, uint8_t* out);

}  // namespace swirlcli
