#pragma once
// What follows the draw in a render to an output: each frame is read back through pixel
// buffer objects and handed to the encoding pool, so that reading, compressing and writing
// overlap the frames drawn after it.

#include <memory>
#include <string>

#include "tools/hostkit/gl/async_readback.h"
#include "tools/hostkit/media/encode_pool.h"
#include "tools/hostkit/media/frame_sink.h"

namespace hostkit {

class FrameOutput {
 public:
  FrameOutput() = default;
  ~FrameOutput() = default;  // GL names are freed by Finish or Stop, with the context current
  FrameOutput(const FrameOutput&) = delete;
  FrameOutput& operator=(const FrameOutput&) = delete;

  // GL context current. Readback buffers for width x height frames in the sink's format and
  // the encoding threads; the first frame added is frame `firstIndex`, the next one after it.
  // False with `error` when GL cannot hold the buffers.
  bool Start(FrameSink& sink, int width, int height, int firstIndex, std::string& error);
  // GL context current, the frame drawn in the framebuffer bound for reading: starts reading
  // it and passes the one before it on. False once a frame has failed (Finish says which).
  bool Add();
  // GL context current. Passes on the frames still being read, frees the GL buffers and waits
  // until every frame is written. False with the first failure ("frame N: reason").
  bool Finish(std::string& error);
  // GL context current. For a render that ends early: frees the GL buffers and waits for the
  // frames already passed on. False with the first failure, when one happened.
  bool Stop(std::string& error);
  // CPU time of the encoding threads, complete once Finish or Stop has returned.
  double EncodeCpuSeconds() { return pool ? pool->CpuSeconds() : 0.0; }

 private:
  bool PassOldest();
  AsyncReadback readback;
  std::unique_ptr<EncodePool> pool;
  int nextIndex = 0;
};

}  // namespace hostkit
