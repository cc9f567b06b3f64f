#include "tools/hostkit/media/encode_pool.h"

#include <algorithm>

#include "tools/hostkit/platform/cpu_clock.h"

namespace hostkit {

EncodePool::EncodePool(FrameSink& sink, int width, int height) : sink(sink), width(width), height(height) {
  const size_t jobs = static_cast<size_t>(std::max(1, sink.EncodeJobs()));
  const size_t frameBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * BytesPerPixel(sink.Format());
  slots.resize(2 * jobs);
  for (Slot& slot : slots) slot.pixels.resize(frameBytes);
  order.resize(slots.size());
  threads.reserve(jobs);
  for (size_t i = 0; i < jobs; ++i) threads.emplace_back([this] { Run(); });
}

EncodePool::~EncodePool() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    abandoning = true;
  }
  wake.notify_all();
  for (std::thread& thread : threads) {
    if (thread.joinable()) thread.join();
  }
}

uint8_t* EncodePool::Acquire() {
  std::unique_lock<std::mutex> lock(mutex);
  auto isFree = [](const Slot& slot) { return slot.state == State::Free; };
  wake.wait(lock, [&] { return failed || std::any_of(slots.begin(), slots.end(), isFree); });
  if (failed) return nullptr;
  Slot& slot = *std::find_if(slots.begin(), slots.end(), isFree);
  slot.state = State::Filling;
  return slot.pixels.data();
}

void EncodePool::Submit(uint8_t* buffer, int index) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    size_t number = 0;
    while (slots[number].pixels.data() != buffer) ++number;
    slots[number].state = State::Queued;
    slots[number].index = index;
    order[(orderHead + orderCount) % order.size()] = number;
    ++orderCount;
  }
  wake.notify_all();
}

bool EncodePool::Finish(std::string& error) {
  {
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return failed || orderCount == 0; });
    stopping = true;
  }
  wake.notify_all();
  for (std::thread& thread : threads) {
    if (thread.joinable()) thread.join();
  }
  if (failed) error = failure;
  return !failed;
}

double EncodePool::CpuSeconds() {
  std::lock_guard<std::mutex> lock(mutex);
  return cpuSeconds;
}

void EncodePool::Run() {
  Work();
  const double used = ThreadCpuSeconds();
  std::lock_guard<std::mutex> lock(mutex);
  cpuSeconds += used;
}

void EncodePool::Work() {
  EncodeScratch scratch;
  std::string error;
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    Slot* next = nullptr;
    wake.wait(lock, [&] {
      if (abandoning || failed) return true;
      // The oldest frame nobody has taken yet.
      for (size_t i = 0; i < orderCount && !next; ++i) {
        Slot& slot = slots[order[(orderHead + i) % order.size()]];
        if (slot.state == State::Queued) next = &slot;
      }
      return next != nullptr || stopping;
    });
    if (abandoning || failed || !next) return;
    next->state = State::Encoding;
    lock.unlock();
    const FrameView frame{next->pixels.data(), width, height, sink.Format(), next->index};
    const bool encoded = sink.Encode(frame, scratch, next->encoded, error);
    lock.lock();
    next->state = State::Encoded;
    next->ok = encoded;
    if (!encoded) next->error = error;
    WriteReady(lock);
  }
}

void EncodePool::WriteReady(std::unique_lock<std::mutex>& lock) {
  if (writing) return;  // the thread that is writing takes this frame when it gets to it
  writing = true;
  while (!failed && !abandoning && orderCount > 0 && Oldest().state == State::Encoded) {
    Slot& slot = Oldest();
    if (!slot.ok) {
      Fail(slot);
      break;
    }
    lock.unlock();
    FrameView frame{slot.pixels.data(), width, height, sink.Format(), slot.index};
    frame.encoded = &slot.encoded;
    std::string error;
    const bool written = sink.Write(frame, error);
    lock.lock();
    if (!written) {
      slot.error = error;
      Fail(slot);
      break;
    }
    slot.state = State::Free;
    orderHead = (orderHead + 1) % order.size();
    --orderCount;
    wake.notify_all();
  }
  writing = false;
}

void EncodePool::Fail(Slot& slot) {
  failed = true;
  failure = "frame " + std::to_string(slot.index) + ": " + slot.error;
  wake.notify_all();
}

}  // namespace hostkit
