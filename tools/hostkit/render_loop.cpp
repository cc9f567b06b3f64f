#include "tools/hostkit/render_loop.h"

#include <chrono>

#include "tools/hostkit/frame_output.h"

namespace hostkit {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

bool RenderFrames(InstanceDriver& driver, const ParameterPlan& plan, int frames, FrameSink* sink,
                  RenderObserver* observer, RenderTiming* timing, std::string& error) {
  RenderObserver silent;
  if (!observer) observer = &silent;
  FrameOutput output;
  if (sink && !output.Start(*sink, driver.Width(), driver.Height(), error)) return false;
  auto fail = [&](std::string why) {
    if (sink && !output.Stop(error)) return false;  // the write's own error says more
    error = std::move(why);
    return false;
  };

  const Clock::time_point start = Clock::now();
  for (int frame = 0; frame < frames; ++frame) {
    if (observer->Cancelled()) return fail("interrupted; nothing was written");
    plan.Apply(driver, frame, frames);
    if (frame == 0) observer->FirstFrameStarting();
    if (!driver.RenderFrame()) {
      return fail("the plugin failed to render frame " + std::to_string(frame) + " (code 17 answered failure)");
    }
    driver.DrainEvents();
    if (frame == 0) {
      glFinish();
      if (timing) timing->firstFrameSeconds = SecondsSince(start);
      observer->FirstFrameDone(SecondsSince(start));
    }
    if (sink) {
      if (!output.Add()) return fail("writing the output failed");
    } else {
      glFinish();
    }
    observer->FrameDone(frame + 1, frames);
  }
  if (sink && !output.Finish(error)) return false;
  if (timing) timing->seconds = SecondsSince(start);
  return true;
}

}  // namespace hostkit
