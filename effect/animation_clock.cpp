#include "effect/animation_clock.h"

namespace {

// The step the clock takes per frame is scaled by this; the nearest float to 0.075.
constexpr float kClockScale = 0.075f;

}  // namespace

float AdvanceAnimationClock(float clock, float flow, float timeSpeed) {
  // The picture's motion depends on the exact steps: pictures of a fixed seed are the same
  // on every machine only while each product is rounded before it is added.
  const float flowFactor = flow * 1.5f + 0.5f;
  const float step = flowFactor * timeSpeed;
  return clock + step * kClockScale;
}
