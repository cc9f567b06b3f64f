#pragma once
// CPU time spent by the calling thread, for figures that must leave out the time other threads
// (the driver's rasteriser, encoders) take.

namespace hostkit {

double ThreadCpuSeconds();

}  // namespace hostkit
