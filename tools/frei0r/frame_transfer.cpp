#include "tools/frei0r/frame_transfer.h"

#include <cstring>

namespace swirlfrei0r {
namespace {

// Copies `height` rows of `rowBytes` from `from` to `to` in reverse order.
void CopyFlipped(const uint8_t* from, uint8_t* to, size_t rowBytes, int height) {
  for (int y = 0; y < height; ++y) {
    std::memcpy(to + static_cast<size_t>(height - 1 - y) * rowBytes, from + static_cast<size_t>(y) * rowBytes,
                rowBytes);
  }
}

}  // namespace

FrameTransfer::FrameTransfer(int frameWidth, int frameHeight)
    : width(frameWidth), height(frameHeight), staging(static_cast<size_t>(frameWidth) * frameHeight * 4) {}

void FrameTransfer::Upload(const uint32_t* frame, GLuint texture) {
  CopyFlipped(reinterpret_cast<const uint8_t*>(frame), staging.data(), static_cast<size_t>(width) * 4, height);
  // The plugin may leave any of these changed; the upload depends on all of them.
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, staging.data());
  glBindTexture(GL_TEXTURE_2D, 0);
}

void FrameTransfer::Readback(GLuint framebuffer, uint32_t* frame) {
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, staging.data());
  CopyFlipped(staging.data(), reinterpret_cast<uint8_t*>(frame), static_cast<size_t>(width) * 4, height);
}

}  // namespace swirlfrei0r
