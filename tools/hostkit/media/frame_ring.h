#pragma once
// Whole frames handed from one thread that draws to one thread that sends them on, through a
// few slots made up front, newest first: the writer never waits (with every slot full it takes
// the oldest frame not yet read, which is then dropped) and the reader takes the newest frame,
// dropping any older one still waiting. Nothing is allocated after construction.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace hostkit {

class FrameRing {
 public:
  // `slots` of `frameBytes` each; at least 3, so that one can be read, one wait and one be
  // written at the same time.
  FrameRing(int slots, size_t frameBytes);
  FrameRing(const FrameRing&) = delete;
  FrameRing& operator=(const FrameRing&) = delete;

  size_t FrameBytes() const { return bytes; }

  // Writer. The slot to fill with the next frame; never null. One write at a time.
  uint8_t* BeginWrite();
  // Writer. The slot filled since BeginWrite holds frame `index` and may be read.
  void EndWrite(int64_t index);

  // Reader. The newest frame written and not yet read: false when there is none. One read at
  // a time; the slot stays the reader's until EndRead.
  bool BeginRead(const uint8_t*& pixels, int64_t& index);
  void EndRead();

  // Frames written that no reader took.
  uint64_t Dropped() const;

 private:
  enum class State { Free, Writing, Ready, Reading };
  struct Slot {
    std::vector<uint8_t> pixels;
    State state = State::Free;
    int64_t index = 0;
    uint64_t order = 0;  // when it was written, to find the newest and oldest
  };
  int Find(State state, bool newest) const;  // -1 when no slot is in that state

  mutable std::mutex mutex;
  std::vector<Slot> slots;
  size_t bytes = 0;
  uint64_t written = 0;
  uint64_t dropped = 0;
};

}  // namespace hostkit
