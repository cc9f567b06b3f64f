// Prints, for a 1280x720 OBS scene (one colour source) on this machine's GL: OBS's average
// render time per frame and the process's CPU time per frame, without the filter, with it, and
// with it over a stand-in plugin that draws nothing (the filter's own cost: settings, GL state
// saved and restored, the parent drawn into our texture and ours into OBS's target). Each plugin
// runs in a process of its own, since the module loads one per process. Run it on a private X
// server: tests/support/with_xvfb.sh 640x480x24 build/tests/obs_bench

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/obs/obs_session.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void WaitFrames(uint32_t frames, double seconds) {
  const uint32_t start = obs_get_total_frames();
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (obs_get_total_frames() - start < frames && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// Shows `source` (released here) and measures over `seconds` once frames flow.
void Measure(const std::string& what, obs_source_t* source, double seconds) {
  {
    obstest::OutputScene scene(source);
    WaitFrames(10, 180.0);  // the first frames wait for llvmpipe's shader compile
    const uint32_t lagged = obs_get_lagged_frames(), total = obs_get_total_frames();
    const double cpu = CpuSeconds();
    double sum = 0.0;
    int samples = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      sum += static_cast<double>(obs_get_average_frame_time_ns()) / 1e6;
      ++samples;
    }
    // Lagged frames were never rendered: the CPU is shared among those that were.
    const uint32_t missed = obs_get_lagged_frames() - lagged;
    const uint32_t rendered = obs_get_total_frames() - total - missed;
    std::printf("%-34s render %8.2f ms/frame  CPU %7.2f ms/frame  (%u frames rendered, %u lagged)\n",
                what.c_str(), sum / samples, rendered ? (CpuSeconds() - cpu) * 1e3 / rendered : 0.0, rendered, missed);
  }
  obs_source_release(source);
}

obs_source_t* Colour(const char* filterMode) {
  obs_data_t* settings = obstest::Settings(R"({"color": 4281558732, "width": 1280, "height": 720})");
  obs_source_t* source = obs_source_create_private("color_source_v3", "colour", settings);
  obs_data_release(settings);
  if (filterMode) {
    obs_data_t* values = obstest::Settings(std::string(R"({"Mode": ")") + filterMode + "\"}");
    obs_source_t* filter = obs_source_create_private("swirlmoss_filter", "swirlmoss", values);
    obs_data_release(values);
    obs_source_filter_add(source, filter);
    obs_source_release(filter);  // the source holds it
  }
  return source;
}

}  // namespace

int main(int argc, char** argv) {
  const bool noDraw = argc > 1 && std::strcmp(argv[1], "--plugin-draws-nothing") == 0;
  if (noDraw) setenv("SWIRLMOSS_PLUGIN", SWIRLMOSS_NO_DRAW_PLUGIN, 1);
  obstest::ObsSession::Start(1280, 720);
  if (noDraw) {
    Measure("filter, plugin drawing nothing", Colour("Paint"), 5.0);
    return 0;
  }
  Measure("no filter", Colour(nullptr), 5.0);
  Measure("filter, Paint", Colour("Paint"), 8.0);
  Measure("filter, Smoke", Colour("Smoke"), 8.0);
  std::fflush(stdout);
  const std::string again = std::string(argv[0]) + " --plugin-draws-nothing 2>/dev/null | grep filter";
  return std::system(again.c_str()) == 0 ? 0 : 1;
}
