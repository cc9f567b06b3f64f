#pragma once
// Changes from remote controllers on their way to the frame loop. Input threads (OSC, MIDI)
// push fixed-size events into a bounded queue; the loop takes them all at once before a frame.
// Between two frames only the last value of a parameter can show, so a value for a parameter
// that already has one waiting replaces it in place (the loop applies the values between two
// presets or MIDI messages together, in any order), and a MIDI control change replaces the one
// just before it from the same control. A controller flooding faster than the frames therefore
// never fills the queue; what was replaced is counted as superseded. Nothing is allocated
// after construction: a queue full of presets and MIDI notes refuses the event, and the pusher
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
  // `parameters`: how many parameters a Set may name (values for others are queued as they come).
  explicit LiveQueue(size_t parameters, size_t capacity = 4096);

  // From any thread. False when the queue is full (the event is not taken); true when it was
  // queued or replaced a waiting value.
  bool Push(const LiveEvent& event);
  // Moves every waiting event into `out` (its capacity is kept; sized to Capacity() once)
  // in arrival order.
  void TakeAll(std::vector<LiveEvent>& out);
  size_t Capacity() const { return slots.size(); }
  // Events replaced by a later one before the loop took them, since the start.
  uint64_t Superseded() const;

 private:
  // Events are numbered from the start; event n lives in slot n % capacity.
  bool ReplaceWaiting(const LiveEvent& event);

  mutable std::mutex lock;
  std::vector<LiveEvent> slots;
  uint64_t first = 0;    // the oldest waiting event
  uint64_t next = 0;     // the next event pushed
  uint64_t barrier = 0;  // the first event after the last preset or MIDI message
  std::vector<uint64_t> waitingSet;  // per parameter: its waiting Set's number + 1, 0 when none
  uint64_t superseded = 0;
};

}  // namespace hostkit
