#pragma once
// Encodes frames on threads of their own so that compressing frame N overlaps rendering the
// frames after it. As many threads as the sink allows compress frames at once; whichever
// finishes the oldest outstanding frame also writes it and every finished frame after it, so
// the sink sees its writes one at a time and in frame order.
//
// Frame memory comes from a fixed set of 2 x threads buffers made up front: the render loop
// allocates nothing, and it waits for a free buffer only when that many frames are in flight.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/hostkit/media/frame_sink.h"

namespace hostkit {

class EncodePool {
 public:
  // Starts sink.EncodeJobs() threads with two buffers each of width x height pixels of the
  // sink's format.
  EncodePool(FrameSink& sink, int width, int height);
  // Stops the threads; frames not yet written are dropped.
  ~EncodePool();
  EncodePool(const EncodePool&) = delete;
  EncodePool& operator=(const EncodePool&) = delete;

  int Threads() const { return static_cast<int>(threads.size()); }
  // Waits for a free buffer. Null once a frame has failed: the render should stop.
  uint8_t* Acquire();
  // Queues a buffer from Acquire as frame `index`. Frames are submitted in increasing order.
  void Submit(uint8_t* buffer, int index);
  // Waits until every queued frame is written and stops the threads. False with the first
  // failure ("frame N: reason") when a frame could not be encoded or written.
  bool Finish(std::string& error);
  // CPU time the threads have used, complete once Finish has returned or the pool is gone.
  double CpuSeconds();

 private:
  enum class State { Free, Filling, Queued, Encoding, Encoded };
  struct Slot {
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> encoded;
    State state = State::Free;
    int index = 0;
    bool ok = true;
    std::string error;
  };

  void Run();
  void Work();
  // Lock held. Writes finished frames from the oldest on while no other thread is writing.
  void WriteReady(std::unique_lock<std::mutex>& lock);
  void Fail(Slot& slot);
  Slot& Oldest() { return slots[order[orderHead]]; }

  FrameSink& sink;
  int width;
  int height;
  std::vector<Slot> slots;
  std::vector<size_t> order;  // ring of slot numbers in submission order
  size_t orderHead = 0;
  size_t orderCount = 0;
  bool writing = false;
  bool stopping = false;
  bool abandoning = false;
  bool failed = false;
  std::string failure;
  double cpuSeconds = 0.0;
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<std::thread> threads;
};

}  // namespace hostkit
