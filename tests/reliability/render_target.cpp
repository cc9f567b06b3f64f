#include "tests/reliability/render_target.h"

namespace reliability {
namespace {

GLuint MakeTexture(uint32_t width, uint32_t height, const void* pixels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
               GL_UNSIGNED_BYTE, pixels);
  glBindTexture(GL_TEXTURE_2D, 0);
  return name;
}

}  // namespace

bool RenderTarget::Create(uint32_t w, uint32_t h, std::string& error) {
  width = w;
  height = h;
  // A diagonal gradient: the mask has something to cut when a test switches it on.
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<uint8_t>(255 * x / (w > 1 ? w - 1 : 1));
      p[1] = static_cast<uint8_t>(255 * y / (h > 1 ? h - 1 : 1));
      p[2] = static_cast<uint8_t>((p[0] + p[1]) / 2);
      p[3] = 255;
    }
  inputTexture = MakeTexture(w, h, pixels.data());
  colorTexture = MakeTexture(w, h, nullptr);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    error = "the test framebuffer is incomplete (status 0x" + std::to_string(status) + ")";
    Release();
    return false;
  }
  input = FFGLTextureStruct{w, h, w, h, inputTexture};
  return true;
}

void RenderTarget::Release() {
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &colorTexture);
  glDeleteTextures(1, &inputTexture);
  framebuffer = colorTexture = inputTexture = 0;
  input = FFGLTextureStruct{};
}

void RenderTarget::Bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
}

void RenderTarget::Clear() const {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<uint8_t> RenderTarget::ReadPixels() const {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE,
               pixels.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  return pixels;
}

}  // namespace reliability
