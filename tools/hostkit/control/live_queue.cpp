#include "tools/hostkit/control/live_queue.h"

#include <chrono>
#include <cstring>

namespace hostkit {

double LiveClock() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool LiveEvent::SetPreset(std::string_view name) {
  if (name.size() >= kPresetMax) return false;
  std::memcpy(preset, name.data(), name.size());
  preset[name.size()] = '\0';
  return true;
}

LiveQueue::LiveQueue(size_t capacity) : slots(capacity > 0 ? capacity : 1) {}

bool LiveQueue::Push(const LiveEvent& event) {
  std::lock_guard<std::mutex> guard(lock);
  if (count == slots.size()) return false;
  slots[(head + count) % slots.size()] = event;
  ++count;
  return true;
}

void LiveQueue::TakeAll(std::vector<LiveEvent>& out) {
  out.clear();
  if (out.capacity() < slots.size()) out.reserve(slots.size());
  std::lock_guard<std::mutex> guard(lock);
  for (; count > 0; --count) {
    out.push_back(slots[head]);
    head = (head + 1) % slots.size();
  }
}

}  // namespace hostkit
