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

LiveQueue::LiveQueue(size_t parameters, size_t capacity)
    : slots(capacity > 0 ? capacity : 1), waitingSet(parameters) {}

bool LiveQueue::ReplaceWaiting(const LiveEvent& event) {
  if (event.kind == LiveEvent::Kind::Set) {
    if (event.index >= waitingSet.size() || waitingSet[event.index] == 0) return false;
    const uint64_t number = waitingSet[event.index] - 1;
    if (number < first || number < barrier) return false;  // taken already, or before a preset
    slots[number % slots.size()] = event;
    return true;
  }
  // A control change says where a control stands: the one just before it from the same control
  // is of no more use. Only the last event is replaced, so the order of everything else holds.
  if (event.kind != LiveEvent::Kind::Midi || event.midiSize != 3 || (event.midi[0] & 0xF0) != 0xB0) return false;
  if (next == first) return false;
  LiveEvent& last = slots[(next - 1) % slots.size()];
  if (last.kind != LiveEvent::Kind::Midi || last.midiSize != 3 || last.midi[0] != event.midi[0] ||
      last.midi[1] != event.midi[1]) {
    return false;
  }
  last = event;
  return true;
}

bool LiveQueue::Push(const LiveEvent& event) {
  std::lock_guard<std::mutex> guard(lock);
  if (ReplaceWaiting(event)) {
    ++superseded;
    return true;
  }
  if (next - first == slots.size()) return false;
  slots[next % slots.size()] = event;
  if (event.kind == LiveEvent::Kind::Set) {
    if (event.index < waitingSet.size()) waitingSet[event.index] = next + 1;
  } else {
    barrier = next + 1;
  }
  ++next;
  return true;
}

void LiveQueue::TakeAll(std::vector<LiveEvent>& out) {
  out.clear();
  if (out.capacity() < slots.size()) out.reserve(slots.size());
  std::lock_guard<std::mutex> guard(lock);
  for (; first < next; ++first) out.push_back(slots[first % slots.size()]);
}

uint64_t LiveQueue::Superseded() const {
  std::lock_guard<std::mutex> guard(lock);
  return superseded;
}

}  // namespace hostkit
