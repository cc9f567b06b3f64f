#pragma once
// Moving a frei0r frame into GL and back. frei0r frames run top row first, GL's bottom row
// first: rows are turned over through a staging buffer on the way in and out.

#include <cstdint>
#include <vector>

#include "tools/hostkit/gl/gl_api.h"

namespace swirlfrei0r {

class FrameTransfer {
 public:
  // Allocates the staging buffer for width x height RGBA frames; makes no GL call.
  FrameTransfer(int width, int height);

  // GL context current. Fills `texture` (RGBA8, width x height) from `frame`.
  void Upload(const uint32_t* frame, GLuint texture);
  // GL context current. Reads `framebuffer` (width x height) into `frame`.
  void Readback(GLuint framebuffer, uint32_t* frame);

 private:
  int width;
  int height;
  std::vector<uint8_t> staging;  // one frame, rows bottom to top
};

}  // namespace swirlfrei0r
