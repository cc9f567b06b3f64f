#include "tools/hostkit/render/render_loop.h"

#include <chrono>

#include "tools/hostkit/media/frame_output.h"

namespace hostkit {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

bool RenderFrames(InstanceDriver& driver, const ParameterPlan& plan, int frames, FrameSink* sink,
                  RenderObserver* observer, RenderTiming* timing, std::string& error) {
  return RenderSpanFrames(driver, plan, RenderSpan{frames, 0, frames}, nullptr, sink, observer, timing, error);
}

bool RenderSpanFrames(InstanceDriver& driver, const ParameterPlan& plan, const RenderSpan& span, FrameSource* source,
                      FrameSink* sink, RenderObserver* observer, RenderTiming* timing, std::string& error) {
  RenderObserver silent;
  if (!observer) observer = &silent;
  FrameOutput output;
  if (sink && !output.Start(*sink, driver.Width(), driver.Height(), span.start, error)) return false;
  auto fail = [&](std::string why) {
    if (sink && !output.Stop(error)) return false;  // the write's own error says more
    error = std::move(why);
    return false;
  };
  // The frames already passed on are written first: a sequence keeps them, and says so.
  auto interrupted = [&] {
    fail("interrupted");
    if (!sink || sink->FramesKept() == 0) error += "; nothing was written";
    return false;
  };

  const Clock::time_point start = Clock::now();
  for (int frame = 0; frame < span.start; ++frame) {
    if (observer->Cancelled()) return interrupted();
    plan.Apply(driver, frame, span.total);
    driver.StepWithoutDrawing();
    driver.DrainEvents();
  }
  Image input;  // the source's frames pass through here; its buffer is reused
  const bool still = source && source->Info().still;
  const int end = span.start + span.count;
  for (int frame = span.start; frame < end; ++frame) {
    if (observer->Cancelled()) return interrupted();
    if (source && (!still || frame == span.start)) {
      std::string why;
      if (!source->Next(input, why)) {
        if (why.empty() && span.toSourceEnd && frame > span.start) break;
        return fail(why.empty() ? source->Info().description + " ran out at frame " + std::to_string(frame) : why);
      }
      if (!driver.UploadInput(input)) return fail("the input's frames changed size mid-stream");
    }
    plan.Apply(driver, frame, span.total);
    if (frame == span.start) observer->FirstFrameStarting();
    if (!driver.RenderFrame()) {
      return fail("the plugin failed to render frame " + std::to_string(frame) + " (code 17 answered failure)");
    }
    driver.DrainEvents();
    if (frame == span.start) {
      glFinish();
      if (timing) timing->firstFrameSeconds = SecondsSince(start);
      observer->FirstFrameDone(SecondsSince(start));
    }
    if (sink) {
      if (!output.Add()) return fail("writing the output failed");
    } else {
      glFinish();
    }
    observer->FrameDone(frame - span.start + 1, span.toSourceEnd ? 0 : span.count);
    if (timing) timing->frames = frame - span.start + 1;
  }
  if (sink && !output.Finish(error)) return false;
  if (timing) timing->seconds = SecondsSince(start);
  return true;
}

}  // namespace hostkit
