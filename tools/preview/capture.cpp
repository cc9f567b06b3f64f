#include "tools/preview/capture.h"

#include <ctime>
#include <filesystem>
#include <vector>

namespace preview {
namespace {

// Reads the framebuffer bound for reading, rows bottom to top, into `pixels`.
void ReadPixels(int width, int height, uint8_t* pixels) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void ReadInstanceFrame(const hostkit::InstanceDriver& driver, uint8_t* pixels) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, driver.Framebuffer());
  ReadPixels(driver.Width(), driver.Height(), pixels);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

}  // namespace

std::string StampedName(const std::string& extension) {
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "swirlmoss";
  if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "swirlmoss-%Y%m%d-%H%M%S", local);
  std::string name = std::string(stamp) + "." + extension;
  for (int n = 2; std::filesystem::exists(name); ++n) name = std::string(stamp) + "-" + std::to_string(n) + "." + extension;
  return name;
}

bool SaveFrame(const hostkit::InstanceDriver& driver, const std::string& path, std::string& error) {
  auto sink = hostkit::OpenSink({path, 1, hostkit::kDefaultFrameRate, driver.Width(), driver.Height()}, error);
  if (!sink) return false;
  std::vector<uint8_t> pixels(static_cast<size_t>(driver.Width()) * driver.Height() * 4);
  ReadInstanceFrame(driver, pixels.data());
  const hostkit::FrameView frame{pixels.data(), driver.Width(), driver.Height(), hostkit::PixelFormat::Rgba8, 0};
  return sink->Write(frame, error) && sink->Commit(error);
}

bool SaveWindow(hostkit::FrameSink& sink, int width, int height, std::string& error) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  ReadPixels(width, height, pixels.data());
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  const hostkit::FrameView frame{pixels.data(), width, height, hostkit::PixelFormat::Rgba8, 0};
  return sink.Write(frame, error) && sink.Commit(error);
}

bool Recorder::Start(const std::string& target, int frameWidth, int frameHeight, double fps, std::string& error) {
  sink = hostkit::OpenSink({target, 1, fps, frameWidth, frameHeight}, error);
  if (!sink) return false;
  worker = std::make_unique<hostkit::EncodePool>(*sink, frameWidth, frameHeight);
  path = target;
  width = frameWidth;
  height = frameHeight;
  frames = 0;
  return true;
}

bool Recorder::Add(const hostkit::InstanceDriver& driver, std::string& error) {
  uint8_t* buffer = worker->Acquire();
  if (!buffer || driver.Width() != width || driver.Height() != height) {
    Stop(error);
    if (error.empty()) error = "recording " + path + " stopped: the frame size changed";
    return false;
  }
  ReadInstanceFrame(driver, buffer);
  worker->Submit(buffer, frames++);
  return true;
}

bool Recorder::Stop(std::string& error) {
  const bool written = worker->Finish(error) && sink->Commit(error);
  worker.reset();
  sink.reset();  // without a commit this removes what was written
  return written;
}

}  // namespace preview
