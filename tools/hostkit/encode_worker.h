#pragma once
// Encodes frames on a thread of its own so that writing frame N overlaps rendering frame N+1.
// Frame memory comes from a fixed pool made up front: the render loop allocates nothing, and
// when the encoder falls behind the renderer waits for a free buffer instead of queueing
// without bound.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/hostkit/frame_sink.h"

namespace hostkit {

class EncodeWorker {
 public:
  // Starts the thread with `depth` buffers of width x height pixels of the sink's format.
  EncodeWorker(FrameSink& sink, int width, int height, int depth = 3);
  // Stops the thread; frames not yet written are dropped.
  ~EncodeWorker();
  EncodeWorker(const EncodeWorker&) = delete;
  EncodeWorker& operator=(const EncodeWorker&) = delete;

  // Waits for a free buffer. Null once a write has failed: the render should stop.
  uint8_t* Acquire();
  // Queues a buffer from Acquire as frame `index`.
  void Submit(uint8_t* buffer, int index);
  // Waits until every queued frame is written and stops the thread. False with the first
  // write's error when one failed.
  bool Finish(std::string& error);

 private:
  void Run();
  FrameSink& sink;
  int width;
  int height;
  size_t frameBytes;
  std::vector<std::vector<uint8_t>> buffers;
  std::vector<int> freeSlots;               // stack of buffer numbers
  std::vector<std::pair<int, int>> queue;   // ring of (buffer number, frame index)
  size_t queueHead = 0;
  size_t queueCount = 0;
  bool stopping = false;
  bool abandoning = false;
  bool failed = false;
  std::string failure;
  std::mutex mutex;
  std::condition_variable wake;
  std::thread thread;
};

}  // namespace hostkit
