#include "tools/hostkit/media/frame_output.h"

#include <cstring>

namespace hostkit {

bool FrameOutput::Start(FrameSink& sink, int width, int height, int firstIndex, std::string& error) {
  if (!readback.Create(width, height, sink.Format())) {
    error = "not enough memory to read frames back";
    return false;
  }
  pool = std::make_unique<EncodePool>(sink, width, height);
  nextIndex = firstIndex;
  return true;
}

bool FrameOutput::Add() {
  readback.Start();
  return readback.Pending() < 2 || PassOldest();
}

// Copies the oldest finished read into a free encoder buffer and queues it.
bool FrameOutput::PassOldest() {
  uint8_t* buffer = pool->Acquire();
  if (!buffer) return false;
  readback.TakeOldest([&](const unsigned char* pixels) {
    if (pixels) std::memcpy(buffer, pixels, readback.FrameBytes());
  });
  pool->Submit(buffer, nextIndex++);
  return true;
}

bool FrameOutput::Finish(std::string& error) {
  while (readback.Pending() > 0) {
    if (!PassOldest()) break;
  }
  return Stop(error);
}

bool FrameOutput::Stop(std::string& error) {
  readback.Release();
  return !pool || pool->Finish(error);
}

}  // namespace hostkit
