#pragma once
// CPU time spent by the calling thread, for figures that must leave out the time other threads
// (the driver's rasteriser, encoders) take; by the whole process; and by the programs it
// started and has waited for (ffmpeg).

namespace hostkit {

double ThreadCpuSeconds();
double ProcessCpuSeconds();
double ChildrenCpuSeconds();

}  // namespace hostkit
