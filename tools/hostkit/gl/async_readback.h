#pragma once
// Reads rendered frames back through two pixel buffer objects in turn: the read of frame N is
// started into one buffer while frame N-1 is mapped from the other, so the driver can finish
// the copy without the host waiting on it.

#include <cstddef>

#include "tools/hostkit/gl/gl_api.h"
#include "tools/hostkit/image/pixel_format.h"

namespace hostkit {

class AsyncReadback {
 public:
  AsyncReadback() = default;
  ~AsyncReadback() = default;  // GL names are freed by Release, with the context current
  AsyncReadback(const AsyncReadback&) = delete;
  AsyncReadback& operator=(const AsyncReadback&) = delete;

  // GL context current. Makes the two buffers. False when GL cannot allocate them.
  bool Create(int width, int height, PixelFormat format);
  // GL context current. Frees the buffers; may be repeated.
  void Release();

  // Starts reading the framebuffer bound for reading into the next buffer. Precondition:
  // fewer than two reads pending (call TakeOldest when Pending() is 2).
  void Start();
  int Pending() const { return pending; }
  // Maps the oldest pending read, hands its pixels (rows bottom to top) to `consume`, unmaps.
  template <typename Consume>
  void TakeOldest(Consume&& consume) {
    const int slot = (next + 2 - pending) % 2;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[slot]);
    const void* pixels = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT);
    consume(static_cast<const unsigned char*>(pixels));
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    --pending;
  }
  size_t FrameBytes() const { return bytes; }

 private:
  GLuint buffers[2] = {0, 0};
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Rgba8;
  size_t bytes = 0;
  int next = 0;
  int pending = 0;
};

}  // namespace hostkit
