#pragma once
// The render loop shared by the CLI's commands: apply the frame's parameter values, run the
// frame, read it back asynchronously and hand it to the encoding threads.

#include <string>

#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/parameter_plan.h"

namespace hostkit {

// Told about the loop's progress; every call comes from the rendering thread.
class RenderObserver {
 public:
  virtual ~RenderObserver() = default;
  // Before the first frame's draw, which on a software rasteriser with a cold shader cache
  // waits while the driver compiles the effect's shader.
  virtual void FirstFrameStarting() {}
  virtual void FirstFrameDone(double /*seconds*/) {}
  virtual void FrameDone(int /*done*/, int /*total*/) {}  // total 0: unknown
  // Polled once a frame: true stops the render; frames already passed to the sink are written.
  virtual bool Cancelled() { return false; }
};

struct RenderTiming {
  double seconds = 0.0;            // wall time of the whole loop, the last write included
  double firstFrameSeconds = 0.0;  // wall time of the first frame up to glFinish
  int frames = 0;                  // frames rendered: the span's count, or fewer for a span open at its end
};

// The frames a render produces: `count` frames from frame `start` of a timeline of `total`
// frames, so that pieces of one long render can run on their own.
struct RenderSpan {
  int total = 1;
  int start = 0;
  int count = 1;
  // For a source that does not say its length: the render ends, complete, with the source's
  // last frame (total and count are then upper bounds); otherwise a source that ends early
  // fails the render.
  bool toSourceEnd = false;
};

// GL context current. Renders the frames of `span`, each exactly as a render of the whole
// timeline produces it: every frame before span.start has its parameter values applied (mode
// switches primed as usual) and runs as a frame record of no input, which advances the
// effect's clock as a drawn frame does without drawing. Ramps and keyframes are evaluated at
// the absolute frame over span.total, and frames reach the sink numbered absolutely. With a
// source, each drawn frame takes the source's next picture as its input (a still is uploaded
// once); the source must already be positioned at span.start and deliver the driver's input
// size. Otherwise as RenderFrames below.
bool RenderSpanFrames(InstanceDriver& driver, const ParameterPlan& plan, const RenderSpan& span, FrameSource* source,
                      FrameSink* sink, RenderObserver* observer, RenderTiming* timing, std::string& error);

// GL context current. Renders `frames` frames. With a sink, each frame is read back and
// written by the encoding threads (the sink is not committed: the caller does that once the
// output is complete); without one, each frame is waited for with glFinish, which times pure
// rendering. False with a one-line `error` when the plugin fails a frame, a write fails or the
// observer cancels. Precondition: the sink's format is the driver's.
bool RenderFrames(InstanceDriver& driver, const ParameterPlan& plan, int frames, FrameSink* sink,
                  RenderObserver* observer, RenderTiming* timing, std::string& error);

}  // namespace hostkit
