#pragma once
// A frame source fed by the ffmpeg program: it writes raw RGBA frames, already scaled, padded
// and flipped to rows bottom to top, into a pipe; a reader thread fills a small fixed pool of
// frame buffers from it, so decoding overlaps with rendering and no frame allocates once the
// pool is warm. Internal to the host library.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/media/frame_source.h"

namespace hostkit {

struct DecodePlan {
  std::vector<std::string> first;  // ffmpeg's arguments for frames from the requested start
  std::vector<std::string> again;  // and for every later pass of a looping source, from frame 0
  int width = 0, height = 0;       // size of the delivered frames
  int64_t expected = 0;            // frames the first pass should give (0: unknown or unbounded)
  int64_t start = 0;               // the first pass's first frame
  bool expectedIsEstimate = false;  // the container kept no count; it was derived from the duration
  bool loop = false;
};

class DecodedStream final : public FrameSource {
 public:
  static std::unique_ptr<DecodedStream> Start(SourceInfo info, DecodePlan plan, std::string& error);
  ~DecodedStream() override;

  const SourceInfo& Info() const override { return info; }
  bool Next(Image& image, std::string& error) override;

 private:
  static constexpr int kPool = 3;
  DecodedStream(SourceInfo info, DecodePlan plan);
  void ReadFrames();
  bool EndOfPass(std::string& error);

  SourceInfo info;
  DecodePlan plan;
  size_t frameBytes = 0;
  std::vector<uint8_t> pool[kPool];
  std::mutex mutex;
  std::condition_variable changed;
  std::unique_ptr<ChildProcess> child;  // replaced between passes under `mutex`
  int freeSlots[kPool] = {};
  int freeCount = 0;
  int ready[kPool] = {};  // ring of filled slots, oldest at readyHead
  int readyHead = 0, readyCount = 0;
  bool finished = false;  // the reader thread has stopped: see `failure`
  bool stopping = false;
  std::string failure;
  int64_t passFrames = 0;   // frames the current pass has given
  int64_t totalFrames = 0;  // frames given over all passes
  int64_t repeated = 0;     // last frames shown again to make up an estimated count
  std::thread reader;
};

}  // namespace hostkit
