#pragma once
// Changes from remote controllers on their way to the frame loop. Input threads (OSC, MIDI)
// push fixed-size events into a bounded queue; the loop takes them all at once before a frame.
// Nothing is allocated after construction: a full queue refuses the event, and the pusher
// counts it as dropped.

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace hostkit {

// Seconds on a steady clock shared by the input threads and the frame loop.
double LiveClock();

struct LiveEvent {
  enum class Kind : uint8_t {
    Set,     // parameter `index` to `value`, already checked against its declaration
    Preset,  // load the preset or look named `preset`
    Midi,    // a raw MIDI message, mapped by the loop (which owns the bindings and learning)
  };
  static constexpr size_t kPresetMax = 160;  // bytes of a preset name, its terminator included

  Kind kind = Kind::Set;
  uint32_t index = 0;
  float value = 0.0f;
  std::array<uint8_t, 3> midi{};
  uint8_t midiSize = 0;
  double arrival = 0.0;  // LiveClock() when the message arrived
  char preset[kPresetMax] = {};

  // False when `name` does not fit.
  bool SetPreset(std::string_view name);
};

class LiveQueue {
 public:
  explicit LiveQueue(size_t capacity = 4096);

  // From any thread. False when the queue is full (the event is not taken).
  bool Push(const LiveEvent& event);
  // Moves every waiting event into `out` (its capacity is kept; sized to Capacity() once)
  // in arrival order.
  void TakeAll(std::vector<LiveEvent>& out);
  size_t Capacity() const { return slots.size(); }

 private:
  std::mutex lock;
  std::vector<LiveEvent> slots;
  size_t head = 0;  // the oldest event
  size_t count = 0;
};

}  // namespace hostkit
