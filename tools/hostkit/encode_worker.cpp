#include "tools/hostkit/encode_worker.h"

namespace hostkit {

EncodeWorker::EncodeWorker(FrameSink& sink, int width, int height, int depth)
    : sink(sink),
      width(width),
      height(height),
      frameBytes(static_cast<size_t>(width) * static_cast<size_t>(height) * BytesPerPixel(sink.Format())),
      buffers(static_cast<size_t>(depth)),
      queue(static_cast<size_t>(depth)) {
  freeSlots.reserve(buffers.size());
  for (size_t i = 0; i < buffers.size(); ++i) {
    buffers[i].resize(frameBytes);
    freeSlots.push_back(static_cast<int>(i));
  }
  thread = std::thread([this] { Run(); });
}

EncodeWorker::~EncodeWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    abandoning = true;
  }
  wake.notify_all();
  if (thread.joinable()) thread.join();
}

uint8_t* EncodeWorker::Acquire() {
  std::unique_lock<std::mutex> lock(mutex);
  wake.wait(lock, [this] { return failed || !freeSlots.empty(); });
  if (failed) return nullptr;
  const int slot = freeSlots.back();
  freeSlots.pop_back();
  return buffers[static_cast<size_t>(slot)].data();
}

void EncodeWorker::Submit(uint8_t* buffer, int index) {
  int slot = 0;
  while (buffers[static_cast<size_t>(slot)].data() != buffer) ++slot;
  {
    std::lock_guard<std::mutex> lock(mutex);
    queue[(queueHead + queueCount) % queue.size()] = {slot, index};
    ++queueCount;
  }
  wake.notify_all();
}

bool EncodeWorker::Finish(std::string& error) {
  {
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return failed || queueCount == 0; });
    stopping = true;
  }
  wake.notify_all();
  if (thread.joinable()) thread.join();
  if (failed) error = failure;
  return !failed;
}

void EncodeWorker::Run() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    wake.wait(lock, [this] { return stopping || queueCount > 0; });
    if (abandoning || queueCount == 0) return;  // dropped, or stopping with nothing left
    const auto [slot, index] = queue[queueHead];
    lock.unlock();
    FrameView frame{buffers[static_cast<size_t>(slot)].data(), width, height, sink.Format(), index};
    std::string error;
    const bool written = sink.Write(frame, error);
    lock.lock();
    queueHead = (queueHead + 1) % queue.size();
    --queueCount;
    freeSlots.push_back(slot);
    if (!written) {
      failed = true;
      failure = error;
      queueCount = 0;
    }
    wake.notify_all();
    if (failed) return;
  }
}

}  // namespace hostkit
