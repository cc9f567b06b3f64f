#pragma once
// Times the GL work of one frame. On a GPU, on the GPU's own clock with a timer query
// (GL_TIME_ELAPSED). Software rasterisers run the work on the CPU when glFinish waits for it,
// so their timer queries read near zero; there the frame is wall time around glFinish.

#include <chrono>

#include "tools/hostkit/gl/gl_api.h"

namespace hostkit {

class FrameTimer {
 public:
  FrameTimer() = default;
  ~FrameTimer() = default;  // GL names are freed by Release, with the context current
  FrameTimer(const FrameTimer&) = delete;
  FrameTimer& operator=(const FrameTimer&) = delete;

  // GL context current. `gpuClock` picks timer queries; false (software rasterisers) picks
  // wall time around glFinish.
  void Create(bool gpuClock);
  // GL context current. Deletes the query; may be repeated.
  void Release();

  // GL context current. Runs `draw` and answers how long its GL work took, in milliseconds.
  template <typename Draw>
  double Milliseconds(Draw&& draw) {
    if (query) {
      glBeginQuery(GL_TIME_ELAPSED, query);
      draw();
      glEndQuery(GL_TIME_ELAPSED);
      GLuint64 nanoseconds = 0;
      glGetQueryObjectui64v(query, GL_QUERY_RESULT, &nanoseconds);  // waits for the result
      return static_cast<double>(nanoseconds) * 1e-6;
    }
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }

  // How the figures were taken, for the reader of a benchmark.
  const char* ClockName() const { return query ? "GPU timer query" : "wall time around glFinish"; }

 private:
  GLuint query = 0;
};

}  // namespace hostkit
