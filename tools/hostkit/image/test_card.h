#pragma once
// The built-in input picture used when no input is given: colour bars, a grey ramp, a hue
// sweep, and a fully transparent disc in the upper-left quarter, so that the effect's image
// mask has colour, gradients and a hole to cut, and the hole shows which way is up.

#include "tools/hostkit/image/pixel_format.h"

namespace hostkit {

// Precondition: width and height at least 1.
Image MakeTestCard(int width, int height);

// Where the transparent disc lies, in fractions of the picture measured from its upper-left
// corner (x to the right, y downwards), and its radius as a fraction of the height.
struct TestCardHole {
  static constexpr float kCentreX = 0.25f;
  static constexpr float kCentreY = 0.3f;
  static constexpr float kRadius = 0.18f;
};

}  // namespace hostkit
