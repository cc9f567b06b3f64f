#include "tools/cli/bench_io.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "tools/hostkit/cpu_clock.h"
#include "tools/hostkit/descriptor_io.h"
#include "tools/hostkit/file_system.h"
#include "tools/hostkit/frame_output.h"
#include "tools/hostkit/frame_timer.h"
#include "tools/hostkit/passthrough_program.h"

namespace swirlcli {
namespace {

using Clock = std::chrono::steady_clock;

struct IoFigures {
  double framesPerSecond = 0.0;
  double encodeCpuMs = 0.0;  // per frame: the encoding threads, and ffmpeg for video
  double renderCpuMs = 0.0;  // per frame: the rest of this process (draw, readback, hand-over)
};

// The quad covers every pixel, so unlike a render no clear comes first.
void DrawPassthrough(const hostkit::InstanceDriver& driver, const hostkit::PassthroughProgram& pass) {
  glBindFramebuffer(GL_FRAMEBUFFER, driver.Framebuffer());
  glViewport(0, 0, driver.Width(), driver.Height());
  pass.Draw(driver.InputTexture());
}

// Pass-through frames into `sink` through the same readback and encoding pool as a render.
bool TimeOutput(const hostkit::InstanceDriver& driver, const hostkit::PassthroughProgram& pass, hostkit::FrameSink& sink,
                int frames, IoFigures& figures, std::string& error) {
  const double processStart = hostkit::ProcessCpuSeconds();
  const double childrenStart = hostkit::ChildrenCpuSeconds();
  const Clock::time_point start = Clock::now();
  hostkit::FrameOutput output;
  if (!output.Start(sink, driver.Width(), driver.Height(), 0, error)) return false;
  for (int frame = 0; frame < frames; ++frame) {
    DrawPassthrough(driver, pass);
    if (!output.Add()) break;
  }
  if (!output.Finish(error) || !sink.Commit(error)) return false;
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double encodeCpu = output.EncodeCpuSeconds();
  const double processCpu = hostkit::ProcessCpuSeconds() - processStart;
  figures.framesPerSecond = frames / seconds;
  figures.encodeCpuMs = (encodeCpu + hostkit::ChildrenCpuSeconds() - childrenStart) * 1000.0 / frames;
  figures.renderCpuMs = (processCpu - encodeCpu) * 1000.0 / frames;
  return true;
}

struct IoCase {
  std::string name;
  std::string file;  // in the scratch folder; empty: raw frames to the null device
  int jobs;
};

}  // namespace

void RunIoBench(const LoadedPlugin& plugin, const hostkit::EglContext& gl, const IoBenchOptions& options) {
  const auto [width, height] = ParseSize(options.size);
  Require(options.frames >= 2, "--io-frames must be at least 2", kExitUsage);
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  const int jobs = options.jobs > 0 ? options.jobs : cores;
  const hostkit::Image input = LoadInput("", width, height);
  auto driver8 = MakeDriver(plugin, width, height, hostkit::PixelFormat::Rgba8, input);
  auto driverHalf = MakeDriver(plugin, width, height, hostkit::PixelFormat::RgbaHalf, input);
  std::string error;
  hostkit::PassthroughProgram pass;
  Require(pass.Create(error), error);
  hostkit::FrameTimer timer;
  timer.Create(!gl.IsSoftware());
  DrawPassthrough(*driver8, pass);  // the first draw builds the pipeline: keep it out of the figure
  double passMs = 0.0;
  for (int i = 0; i < 10; ++i) passMs += timer.Milliseconds([&] { DrawPassthrough(*driver8, pass); }) / 10;
  timer.Release();

  std::printf("Output pipeline at %dx%d, fed with a pass-through frame; %d frames per output\n", width, height,
              options.frames);
  std::printf("Pass-through frame: %.2f ms (%s%s)\n", passMs, timer.ClockName(),
              gl.IsSoftware() ? "; GPU timer queries read near zero on a software rasteriser" : "");
  std::printf("Clocks: fps is wall time of the whole run, reading back and writing included; encode CPU is the "
              "encoding threads' CPU time (and ffmpeg's, for MP4); render+readback CPU is the rest of this "
              "process's CPU time (on a software rasteriser that includes drawing). Both per frame.\n\n");
  std::printf("%-18s %8s %9s %18s %26s\n", "output", "threads", "fps", "encode CPU ms", "render+readback CPU ms");
  std::fflush(stdout);

  std::string reason;
  const std::string scratch = hostkit::MakeTemporaryDirectory("swirlmoss-bench-io", reason);
  Require(!scratch.empty(), "cannot make a temporary directory for the output benchmark: " + reason);
  std::vector<IoCase> cases = {{"PNG, one thread", "png1_%04d.png", 1},
                               {"PNG, pool", "png_%04d.png", jobs},
                               {"EXR, pool", "exr_%04d.exr", jobs}};
  if (hostkit::VideoOutputAvailable()) cases.push_back({"MP4 (ffmpeg)", "clip.mp4", 1});
  cases.push_back({"raw (/dev/null)", "", 1});
  std::vector<double> rates;
  bool ok = true;
  for (const IoCase& c : cases) {
    std::unique_ptr<hostkit::FrameSink> sink;
    int nullDevice = -1;
    if (c.file.empty()) {
      nullDevice = hostkit::OpenNullDevice(error);
      if (nullDevice >= 0) sink = hostkit::OpenRawStream(nullDevice);
    } else {
      sink = hostkit::OpenSink({scratch + "/" + c.file, options.frames, 30.0, width, height, c.jobs}, error);
    }
    const bool exr = sink && sink->Format() == hostkit::PixelFormat::RgbaHalf;
    IoFigures figures;
    ok = sink && TimeOutput(exr ? *driverHalf : *driver8, pass, *sink, options.frames, figures, error);
    sink.reset();
    hostkit::CloseDescriptor(nullDevice);
    if (!ok || Interrupted()) break;
    rates.push_back(figures.framesPerSecond);
    std::printf("%-18s %8d %9.1f %18.1f %26.1f\n", c.name.c_str(), c.jobs,
                figures.framesPerSecond, figures.encodeCpuMs, figures.renderCpuMs);
    std::fflush(stdout);
  }
  pass.Release();
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  Require(ok, error);
  Require(!Interrupted(), "interrupted");
  std::printf("\nPNG with the pool of %d threads: %.2fx the one-thread rate\n", jobs, rates[1] / rates[0]);
}

}  // namespace swirlcli
