#include "tools/hostkit/gl/frame_timer.h"

namespace hostkit {

void FrameTimer::Create(bool gpuClock) {
  Release();
  if (gpuClock) glGenQueries(1, &query);
}

void FrameTimer::Release() {
  if (query) glDeleteQueries(1, &query);
  query = 0;
}

}  // namespace hostkit
