#include "tools/hostkit/media/frame_ring.h"

#include <algorithm>

namespace hostkit {

FrameRing::FrameRing(int count, size_t frameBytes) : slots(static_cast<size_t>(std::max(count, 3))), bytes(frameBytes) {
  for (Slot& slot : slots) slot.pixels.assign(frameBytes, 0);
}

int FrameRing::Find(State state, bool newest) const {
  int found = -1;
  for (int i = 0; i < static_cast<int>(slots.size()); ++i) {
    if (slots[i].state != state) continue;
    if (found < 0 || (newest ? slots[i].order > slots[found].order : slots[i].order < slots[found].order)) found = i;
  }
  return found;
}

uint8_t* FrameRing::BeginWrite() {
  std::lock_guard<std::mutex> lock(mutex);
  int slot = Find(State::Free, false);
  if (slot < 0) {
    // Every slot but the one being read holds a frame nobody took yet: the oldest goes.
    slot = Find(State::Ready, false);
    ++dropped;
  }
  slots[slot].state = State::Writing;
  return slots[slot].pixels.data();
}

void FrameRing::EndWrite(int64_t index) {
  std::lock_guard<std::mutex> lock(mutex);
  const int slot = Find(State::Writing, false);
  if (slot < 0) return;
  slots[slot].state = State::Ready;
  slots[slot].index = index;
  slots[slot].order = ++written;
}

bool FrameRing::BeginRead(const uint8_t*& pixels, int64_t& index) {
  std::lock_guard<std::mutex> lock(mutex);
  const int slot = Find(State::Ready, true);
  if (slot < 0) return false;
  for (Slot& older : slots) {
    if (older.state == State::Ready && older.order < slots[slot].order) {
      older.state = State::Free;
      ++dropped;
    }
  }
  slots[slot].state = State::Reading;
  pixels = slots[slot].pixels.data();
  index = slots[slot].index;
  return true;
}

void FrameRing::EndRead() {
  std::lock_guard<std::mutex> lock(mutex);
  const int slot = Find(State::Reading, false);
  if (slot >= 0) slots[slot].state = State::Free;
}

uint64_t FrameRing::Dropped() const {
  std::lock_guard<std::mutex> lock(mutex);
  return dropped;
}

}  // namespace hostkit
