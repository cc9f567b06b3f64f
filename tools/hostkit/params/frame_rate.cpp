#include "tools/hostkit/params/frame_rate.h"

#include <cstdio>

namespace hostkit {

std::string RateText(double fps) {
  char text[48];
  std::snprintf(text, sizeof text, "%.10g", fps);
  return text;
}

}  // namespace hostkit
