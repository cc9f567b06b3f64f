#include "tools/hostkit/gl/async_readback.h"

namespace hostkit {

bool AsyncReadback::Create(int w, int h, PixelFormat f) {
  Release();
  width = w;
  height = h;
  format = f;
  bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * BytesPerPixel(f);
  while (glGetError() != GL_NO_ERROR) {
  }
  glGenBuffers(2, buffers);
  for (GLuint buffer : buffers) {
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_READ);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  if (glGetError() != GL_NO_ERROR) {
    Release();
    return false;
  }
  return true;
}

void AsyncReadback::Release() {
  if (buffers[0] || buffers[1]) glDeleteBuffers(2, buffers);
  buffers[0] = buffers[1] = 0;
  next = pending = 0;
}

void AsyncReadback::Start() {
  glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[next]);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const bool half = format == PixelFormat::RgbaHalf;
  glReadPixels(0, 0, width, height, GL_RGBA, half ? GL_HALF_FLOAT : GL_UNSIGNED_BYTE, nullptr);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  next = (next + 1) % 2;
  ++pending;
}

}  // namespace hostkit
