#include "tools/cli/bench_io.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "tools/hostkit/platform/cpu_clock.h"
#include "tools/hostkit/platform/descriptor_io.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/media/frame_output.h"
#include "tools/hostkit/gl/frame_timer.h"
#include "tools/hostkit/gl/passthrough_program.h"
#include "tools/hostkit/image/test_card.h"

namespace swirlcli {
namespace {

using Clock = std::chrono::steady_clock;

struct IoFigures {
  double framesPerSecond = 0.0;
  double encodeCpuMs = 0.0;    // per frame: the encoding threads, and ffmpeg for video
  double readbackCpuMs = 0.0;  // per frame: the rest of this process (reading back, hand-over)
};

// Frames drawn once, up front, so that each frame of a run costs only its readback, as a GPU
// hands frames over: drawing takes a GPU's CPU nothing, while on a software rasteriser it
// would take the same cores as the encoders. They differ (the test card shifted sideways) so
// the encoders never see the same frame twice in a row.
using PreparedFrames = std::vector<std::unique_ptr<hostkit::InstanceDriver>>;
constexpr int kPreparedFrames = 4;

// The quad covers every pixel, so unlike a render no clear comes first.
void DrawPassthrough(const hostkit::InstanceDriver& driver, const hostkit::PassthroughProgram& pass) {
  glBindFramebuffer(GL_FRAMEBUFFER, driver.Framebuffer());
  glViewport(0, 0, driver.Width(), driver.Height());
  pass.Draw(driver.InputTexture());
}

PreparedFrames PrepareFrames(const LoadedPlugin& plugin, int width, int height, hostkit::PixelFormat format,
                             const hostkit::PassthroughProgram& pass) {
  const hostkit::Image card = hostkit::MakeTestCard(width, height);
  PreparedFrames frames;
  for (int k = 0; k < kPreparedFrames; ++k) {
    hostkit::Image shifted = card;
    const size_t row = static_cast<size_t>(width) * 4;
    const size_t shift = static_cast<size_t>(width * k / kPreparedFrames) * 4;
    for (int y = 0; y < height; ++y) {
      const auto begin = card.rgba.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y));
      std::rotate_copy(begin, begin + static_cast<std::ptrdiff_t>(shift), begin + static_cast<std::ptrdiff_t>(row),
                       shifted.rgba.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y)));
    }
    frames.push_back(MakeDriver(plugin, width, height, format, shifted));
    DrawPassthrough(*frames.back(), pass);
  }
  glFinish();
  return frames;
}

// `count` frames into `sink`, each read back from one of the prepared frames in turn through
// the same readback and encoding threads as a render.
bool TimeOutput(const PreparedFrames& prepared, hostkit::FrameSink& sink, int count, IoFigures& figures,
                std::string& error) {
  const double processStart = hostkit::ProcessCpuSeconds();
  const double childrenStart = hostkit::ChildrenCpuSeconds();
  const Clock::time_point start = Clock::now();
  hostkit::FrameOutput output;
  const hostkit::InstanceDriver& first = *prepared.front();
  if (!output.Start(sink, first.Width(), first.Height(), 0, error)) return false;
  for (int frame = 0; frame < count; ++frame) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, prepared[static_cast<size_t>(frame) % prepared.size()]->Framebuffer());
    if (!output.Add()) break;
  }
  if (!output.Finish(error) || !sink.Commit(error)) return false;
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double encodeCpu = output.EncodeCpuSeconds();
  const double processCpu = hostkit::ProcessCpuSeconds() - processStart;
  figures.framesPerSecond = count / seconds;
  figures.encodeCpuMs = (encodeCpu + hostkit::ChildrenCpuSeconds() - childrenStart) * 1000.0 / count;
  figures.readbackCpuMs = (processCpu - encodeCpu) * 1000.0 / count;
  return true;
}

struct IoCase {
  std::string name;
  std::string file;  // in the scratch folder; empty: raw frames to the null device
  int jobs;
};

}  // namespace

void RunIoBench(const LoadedPlugin& plugin, const hostkit::EglContext& gl, const IoBenchOptions& options) {
  const auto [width, height] = options.size;
  Require(options.frames >= 2, "--io-frames must be at least 2", kExitUsage);
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  const int jobs = options.jobs > 0 ? options.jobs : cores;
  std::string error;
  hostkit::PassthroughProgram pass;
  Require(pass.Create(error), error);
  const PreparedFrames frames8 = PrepareFrames(plugin, width, height, hostkit::PixelFormat::Rgba8, pass);
  const PreparedFrames framesHalf = PrepareFrames(plugin, width, height, hostkit::PixelFormat::RgbaHalf, pass);
  hostkit::FrameTimer timer;
  timer.Create(!gl.IsSoftware());
  double passMs = 0.0, passCpuMs = 0.0;
  const double cpuStart = hostkit::ProcessCpuSeconds();
  for (int i = 0; i < 10; ++i) passMs += timer.Milliseconds([&] { DrawPassthrough(*frames8.front(), pass); }) / 10;
  passCpuMs = (hostkit::ProcessCpuSeconds() - cpuStart) * 100.0;
  timer.Release();

  std::printf("Output pipeline at %dx%d, %d frames per output. Fed as a GPU feeds it: %d pass-through frames of "
              "the test card are drawn once, and each frame is only read back from one of them in turn.\n",
              width, height, options.frames, kPreparedFrames);
  std::printf("Drawing a pass-through frame, for comparison: %.2f ms (%s%s), %.2f ms of CPU\n", passMs,
              timer.ClockName(), gl.IsSoftware() ? "; GPU timer queries read near zero on a software rasteriser" : "",
              passCpuMs);
  std::printf("Clocks: fps is wall time of the whole run, reading back and writing included; encode CPU is the "
              "encoding threads' CPU time (and ffmpeg's, for MP4); readback CPU is the rest of this process's CPU "
              "time. Both per frame.\n\n");
  std::printf("%-18s %8s %9s %18s %18s\n", "output", "threads", "fps", "encode CPU ms", "readback CPU ms");
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
      sink = hostkit::OpenSink({scratch + "/" + c.file, options.frames, hostkit::kDefaultFrameRate, width, height, c.jobs}, error);
    }
    const bool exr = sink && sink->Format() == hostkit::PixelFormat::RgbaHalf;
    IoFigures figures;
    ok = sink && TimeOutput(exr ? framesHalf : frames8, *sink, options.frames, figures, error);
    sink.reset();
    hostkit::CloseDescriptor(nullDevice);
    if (!ok || Interrupted()) break;
    rates.push_back(figures.framesPerSecond);
    std::printf("%-18s %8d %9.1f %18.1f %18.1f\n", c.name.c_str(), c.jobs, figures.framesPerSecond,
                figures.encodeCpuMs, figures.readbackCpuMs);
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
