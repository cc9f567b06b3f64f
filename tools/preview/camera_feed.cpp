#include "tools/preview/camera_feed.h"

#include <algorithm>

namespace preview {

void CameraFeed::Use(std::unique_ptr<hostkit::PipeWireCamera> next) { camera = std::move(next); }

GLuint CameraFeed::ReadSource(const hostkit::InstanceDriver& driver) {
  const int width = camera->Width(), height = camera->Height();
  if (driver.Width() == width && driver.Height() == height) return driver.Framebuffer();
  if (scaledFramebuffer == 0) {
    glGenTextures(1, &scaledTexture);
    glBindTexture(GL_TEXTURE_2D, scaledTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &scaledFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, scaledFramebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, scaledTexture, 0);
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, driver.Framebuffer());
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, scaledFramebuffer);
  glBlitFramebuffer(0, 0, driver.Width(), driver.Height(), 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  return scaledFramebuffer;
}

void CameraFeed::FrameDrawn(const hostkit::InstanceDriver& driver, int index) {
  if (!camera || !camera->Wanted()) return;
  if (!readbackMade) {
    if (!readback.Create(camera->Width(), camera->Height(), hostkit::PixelFormat::Rgba8)) return;
    readbackMade = true;
  }
  // Two reads in flight already (a GPU far behind): the oldest is taken now, waiting for it.
  if (readback.Pending() == 2) HandOldest();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, ReadSource(driver));
  readback.Start();
  ++readBack;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  const int slot = readback.Pending() - 1;
  fences[slot] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  indices[slot] = index;
  glFlush();  // so the fence can signal before the next turn needs it
}

void CameraFeed::Poll() {
  while (readback.Pending() > 0) {
    const GLenum state = glClientWaitSync(fences[0], 0, 0);
    if (state != GL_ALREADY_SIGNALED && state != GL_CONDITION_SATISFIED) return;
    HandOldest();
  }
}

void CameraFeed::HandOldest() {
  const int index = indices[0];
  readback.TakeOldest([&](const unsigned char* pixels) {
    if (pixels == nullptr) return;
    uint8_t* slot = camera->BeginFrame();
    std::copy(pixels, pixels + readback.FrameBytes(), slot);
    camera->Send(index);
  });
  glDeleteSync(fences[0]);
  fences[0] = fences[1];
  indices[0] = indices[1];
  fences[1] = nullptr;
}

void CameraFeed::Release() {
  for (GLsync& fence : fences) {
    if (fence != nullptr) glDeleteSync(fence);
    fence = nullptr;
  }
  readback.Release();
  readbackMade = false;
  if (scaledFramebuffer != 0) glDeleteFramebuffers(1, &scaledFramebuffer);
  if (scaledTexture != 0) glDeleteTextures(1, &scaledTexture);
  scaledFramebuffer = scaledTexture = 0;
}

std::string CameraFeed::StatusLine() const {
  if (!camera) return "";
  const hostkit::CameraState state = camera->State();
  const std::string size = std::to_string(camera->Width()) + "x" + std::to_string(camera->Height());
  const std::string name = "camera \"" + camera->Name() + "\" " + size;
  if (!state.streaming) return name + ": waiting for a program to take it";
  return name + " " + hostkit::CameraLayoutName(state.layout) + ": " +
         std::to_string(state.sent) + " frames sent, " + std::to_string(state.dropped) + " dropped";
}

}  // namespace preview
