#include "tools/cli/contact_sheet.h"

#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/platform/pending_file.h"

namespace swirlcli {
namespace {

uint8_t Checker(int x, int y) { return ((x / 8 + y / 8) % 2) ? 96 : 64; }

// Non-premultiplied colour over the checkerboard: colour * a + checker * (1 - a).
void Over(const float rgba[4], uint8_t background, uint8_t* out) {
  const float a = rgba[3] / 255.0f;
  for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(rgba[c] * a + background * (1.0f - a) + 0.5f);
  out[3] = 255;
}

}  // namespace

ContactSheet::ContactSheet(int columns, int rows, int cellWidth, int cellHeight, int gap)
    : cellWidth(cellWidth), cellHeight(cellHeight), gap(gap) {
  picture.width = columns * cellWidth + (columns + 1) * gap;
  picture.height = rows * cellHeight + (rows + 1) * gap;
  picture.rgba.assign(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 4, 0);
  for (size_t i = 0; i < picture.rgba.size(); i += 4) {
    picture.rgba[i] = picture.rgba[i + 1] = picture.rgba[i + 2] = 24;
    picture.rgba[i + 3] = 255;
  }
}

void ContactSheet::Place(int column, int row, const hostkit::FrameView& frame) {
  const int left = gap + column * (cellWidth + gap);
  const int top = gap + row * (cellHeight + gap);
  for (int cy = 0; cy < cellHeight; ++cy) {
    // Cell rows counted from the cell's top; frame and sheet rows are stored bottom to top.
    const int frameTop = cy * frame.height / cellHeight;
    const int frameBottom = (cy + 1) * frame.height / cellHeight;
    for (int cx = 0; cx < cellWidth; ++cx) {
      const int x0 = cx * frame.width / cellWidth;
      const int x1 = (cx + 1) * frame.width / cellWidth;
      float sum[4] = {0, 0, 0, 0};
      for (int fy = frameTop; fy < frameBottom; ++fy) {
        const uint8_t* row = frame.pixels + static_cast<size_t>(frame.height - 1 - fy) * frame.width * 4;
        for (int fx = x0; fx < x1; ++fx) {
          for (int c = 0; c < 4; ++c) sum[c] += row[fx * 4 + c];
        }
      }
      const float count = static_cast<float>((frameBottom - frameTop) * (x1 - x0));
      for (float& value : sum) value /= count;
      const int sheetX = left + cx;
      const int sheetY = picture.height - 1 - (top + cy);
      Over(sum, Checker(cx, cy), picture.Pixel(sheetX, sheetY));
    }
  }
}

void OverCheckerboard(const hostkit::FrameView& frame, uint8_t* out) {
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const size_t at = (static_cast<size_t>(y) * frame.width + x) * 4;
      float rgba[4];
      for (int c = 0; c < 4; ++c) rgba[c] = static_cast<float>(frame.pixels[at + static_cast<size_t>(c)]);
      Over(rgba, Checker(x, frame.height - 1 - y), out + at);
    }
  }
}

bool SheetRowSink::Write(const hostkit::FrameView& frame, std::string& /*error*/) {
  for (int column = 0; column < columns; ++column) {
    if (frame.index == column * (frames - 1) / (columns - 1)) sheet.Place(column, row, frame);
  }
  return true;
}

bool WriteSheet(const ContactSheet& sheet, const std::string& path, std::string& error) {
  auto file = hostkit::PendingFile::Create(path, error);
  std::vector<const uint8_t*> rows;
  const hostkit::Image& picture = sheet.Picture();
  return file && hostkit::WritePng(file->Stream(), picture.rgba.data(), picture.width, picture.height, rows, error) &&
         file->Commit(error);
}

}  // namespace swirlcli
