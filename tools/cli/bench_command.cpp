// swirlmoss bench: what a frame of each look costs against a pass-through frame of the same
// size, what the plugin's own frame call costs the host's CPU, and how much writing PNG and
// MP4 adds to pure rendering; with --io, the output pipeline alone. Frames are timed with GPU
// timer queries on a GPU and as wall time around glFinish on software rasterisers, where
// timer queries read near zero.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "tools/cli/bench_io.h"
#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/progress.h"
#include "tools/cli/settings_options.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/cpu_clock.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/gl/frame_timer.h"
#include "tools/hostkit/gl/composite_program.h"
#include "tools/hostkit/gl/passthrough_program.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/render/render_loop.h"

namespace swirlcli {
namespace {

using Clock = std::chrono::steady_clock;

struct BenchOptions {
  std::string plugin;
  GlOptions gl;
  std::vector<hostkit::FrameSize> sizes = {{1280, 720}, {1920, 1080}};
  int frames = 10;
  int throughputFrames = 24;
  bool io = false;
  IoBenchOptions ioOptions;
};

struct Look {
  const char* name;
  std::vector<std::string> settings;
};

const std::vector<Look>& Looks() {
  static const std::vector<Look> looks = {
      {"Paint day", {"Mode=Paint", "Night Mode=0", "Seed=Seed 1"}},
      {"Paint night", {"Mode=Paint", "Night Mode=1", "Seed=Seed 1"}},
      {"Smoke day", {"Mode=Smoke", "Night Mode=0", "Seed=Seed 1"}},
      {"Smoke night", {"Mode=Smoke", "Night Mode=1", "Seed=Seed 1"}},
  };
  return looks;
}

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct LookFigures {
  double frameMs = 0.0;
  double callCpuUs = 0.0;
};

// Times `frames` frames of one look, after one untimed frame that settles the mode switch.
bool TimeLook(hostkit::InstanceDriver& driver, const hostkit::ParameterPlan& plan, hostkit::FrameTimer& timer,
              int frames, LookFigures& figures, std::string& error) {
  plan.Apply(driver, 0, 1);
  if (!driver.RenderFrame()) {
    error = "the plugin failed a frame (code 17 answered failure)";
    return false;
  }
  double milliseconds = 0.0, cpu = 0.0;
  for (int i = 0; i < frames; ++i) {
    plan.Apply(driver, 0, 1);
    milliseconds += timer.Milliseconds([&] {
      const double cpuStart = hostkit::ThreadCpuSeconds();
      driver.RenderFrame();
      cpu += hostkit::ThreadCpuSeconds() - cpuStart;
    });
    driver.DrainEvents();
  }
  figures.frameMs = milliseconds / frames;
  figures.callCpuUs = cpu * 1e6 / frames;
  return true;
}

double TimePassthrough(hostkit::InstanceDriver& driver, const hostkit::PassthroughProgram& pass,
                       hostkit::FrameTimer& timer, int frames) {
  glBindFramebuffer(GL_FRAMEBUFFER, driver.Framebuffer());
  glViewport(0, 0, driver.Width(), driver.Height());
  pass.Draw(driver.InputTexture());
  double milliseconds = 0.0;
  for (int i = 0; i < frames; ++i) {
    milliseconds += timer.Milliseconds([&] {
      glClearColor(0, 0, 0, 0);
      glClear(GL_COLOR_BUFFER_BIT);
      pass.Draw(driver.InputTexture());
    });
  }
  return milliseconds / frames;
}

// The compositing pass alone, as a blend other than replace adds it after the effect's draw:
// soft-light (the costliest formula) at mix 0.5, the input standing in for the effect's picture.
double TimeComposite(hostkit::InstanceDriver& driver, const hostkit::CompositeProgram& composite,
                     hostkit::FrameTimer& timer, int frames) {
  glBindFramebuffer(GL_FRAMEBUFFER, driver.Framebuffer());
  glViewport(0, 0, driver.Width(), driver.Height());
  const GLuint input = driver.InputTexture();
  composite.Draw(input, input, hostkit::BlendMode::SoftLight, 0.5f);
  double milliseconds = 0.0;
  for (int i = 0; i < frames; ++i) {
    milliseconds += timer.Milliseconds([&] { composite.Draw(input, input, hostkit::BlendMode::SoftLight, 0.5f); });
  }
  return milliseconds / frames;
}

// Seconds for `frames` frames of `plan` written to `output` ("" for pure rendering), with the
// frames of the video `input` as the input picture when one is given (its decoding timed too).
bool TimeRender(hostkit::InstanceDriver& driver, const hostkit::ParameterPlan& plan, int frames,
                const std::string& output, double& seconds, std::string& error, const std::string& input = "") {
  const Clock::time_point start = Clock::now();
  std::unique_ptr<hostkit::FrameSource> source;
  if (!input.empty()) {
    source = hostkit::OpenFrameSource({input, driver.Width(), driver.Height()}, error);
    if (!source) return false;
  }
  std::unique_ptr<hostkit::FrameSink> sink;
  if (!output.empty()) {
    sink = hostkit::OpenSink({output, frames, hostkit::kDefaultFrameRate, driver.Width(), driver.Height()}, error);
    if (!sink) return false;
  }
  hostkit::RenderObserver quiet;
  const hostkit::RenderSpan span{frames, 0, frames};
  if (!hostkit::RenderSpanFrames(driver, plan, span, source.get(), sink.get(), &quiet, nullptr, error)) return false;
  if (sink && !sink->Commit(error)) return false;
  seconds = Since(start);
  return true;
}

// A clip of ffmpeg's test pattern to stand for footage: `frames` frames at width x height.
bool MakeFootage(const std::string& path, int width, int height, int frames, std::string& error) {
  std::string ffmpeg;
  if (!hostkit::FindProgram("ffmpeg", ffmpeg)) return false;
  const std::string pattern = "testsrc2=s=" + std::to_string(width) + "x" + std::to_string(height) + ":r=" + hostkit::RateText(hostkit::kDefaultFrameRate);
  hostkit::ChildOptions options;
  options.arguments = {ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "lavfi", "-i", pattern,
                       "-frames:v", std::to_string(frames), "-c:v", "libx264", "-preset", "veryfast",
                       "-pix_fmt", "yuv420p", path};
  auto child = hostkit::ChildProcess::Start(options, error);
  std::string outcome;
  if (child && child->Wait(outcome)) return true;
  if (child) error = "ffmpeg could not make the benchmark's clip: " + child->LogTail(1);
  return false;
}

// One size's rows of the frame-time table: each look against a pass-through frame.
void TimeSize(const LoadedPlugin& plugin, const std::vector<hostkit::ParameterPlan>& plans, hostkit::FrameTimer& timer,
              int width, int height, int frames) {
  auto driver = MakeDriver(plugin, width, height, hostkit::PixelFormat::Rgba8, hostkit::MakeTestCard(width, height));
  std::string error;
  hostkit::PassthroughProgram pass;
  Require(pass.Create(error), error);
  {
    // The first frame compiles the shader: keep it out of the figures.
    TerminalProgress progress("bench");
    Require(hostkit::RenderFrames(*driver, hostkit::ParameterPlan(), 1, nullptr, &progress, nullptr, error), error);
  }
  const double passMs = TimePassthrough(*driver, pass, timer, frames);
  pass.Release();
  hostkit::CompositeProgram composite;
  Require(composite.Create(error), error);
  const double compositeMs = TimeComposite(*driver, composite, timer, frames);
  composite.Release();
  double looksMs = 0.0;
  for (size_t i = 0; i < Looks().size(); ++i) {
    Require(!Interrupted(), "interrupted");
    LookFigures figures;
    Require(TimeLook(*driver, plans[i], timer, frames, figures, error), error);
    looksMs += figures.frameMs;
    std::printf("%-10s %-12s %10.1f %16.2f %7.0fx %18.1f\n",
                (std::to_string(width) + "x" + std::to_string(height)).c_str(), Looks()[i].name, figures.frameMs,
                passMs, figures.frameMs / passMs, figures.callCpuUs);
    std::fflush(stdout);
  }
  looksMs /= static_cast<double>(Looks().size());
  std::printf("%-10s %-12s %10.2f  (a blend's compositing pass: %.1f%% of the looks' mean frame)\n",
              (std::to_string(width) + "x" + std::to_string(height)).c_str(), "compositing", compositeMs,
              100.0 * compositeMs / looksMs);
  std::fflush(stdout);
}

// The frame-time table: every look at every size, with how it was clocked.
void TimeLooks(const LoadedPlugin& plugin, const hostkit::EglContext& gl,
               const std::vector<hostkit::ParameterPlan>& plans, const std::vector<hostkit::FrameSize>& sizes,
               int frames) {
  hostkit::FrameTimer timer;
  timer.Create(!gl.IsSoftware());
  std::printf("Clocks: frame times are %s, mean of %d frames after one untimed frame%s; the plugin call is the "
              "calling thread's CPU time inside plugMain(17).\n\n",
              timer.ClockName(), frames,
              gl.IsSoftware() ? " (GPU timer queries read near zero on a software rasteriser)" : "");
  std::printf("%-10s %-12s %10s %16s %8s %18s\n", "size", "look", "effect ms", "pass-through ms", "ratio",
              "plugin call CPU us");
  std::fflush(stdout);
  for (const hostkit::FrameSize& size : sizes) TimeSize(plugin, plans, timer, size.width, size.height, frames);
  timer.Release();
}

// One look's row of the throughput table, `n` frames a run: pure rendering, to PNG, and where
// ffmpeg is there to MP4 and from `footage` to MP4 ("" when no footage could be made).
bool TimeThroughputRow(hostkit::InstanceDriver& driver, const hostkit::ParameterPlan& plan, const char* name,
                       int n, const std::string& scratch, bool video, const std::string& footage,
                       std::string& error) {
  double pure = 0.0, png = 0.0, mp4 = 0.0, clip = 0.0;
  const bool ok = TimeRender(driver, plan, n, "", pure, error) &&
                  TimeRender(driver, plan, n, scratch + "/frame_%04d.png", png, error) &&
                  (!video || TimeRender(driver, plan, n, scratch + "/clip.mp4", mp4, error)) &&
                  (footage.empty() || TimeRender(driver, plan, n, scratch + "/clip.mp4", clip, error, footage));
  if (!ok) return false;
  char mp4Text[40] = "ffmpeg not installed";
  char clipText[40] = "ffmpeg not installed";
  if (video) std::snprintf(mp4Text, sizeof mp4Text, "%.2f (%.2fx)", n / mp4, mp4 / pure);
  if (!footage.empty()) std::snprintf(clipText, sizeof clipText, "%.2f (%.2fx)", n / clip, clip / pure);
  char pngText[40];
  std::snprintf(pngText, sizeof pngText, "%.2f (%.2fx)", n / png, png / pure);
  std::printf("%-12s %14.2f %20s %20s %22s\n", name, n / pure, pngText, mp4Text, clipText);
  std::fflush(stdout);
  return true;
}

// End-to-end throughput of render to files, at `width` x `height`, for both looks, in a scratch
// folder removed afterwards.
void TimeThroughput(const LoadedPlugin& plugin, const std::vector<hostkit::ParameterPlan>& plans,
                    const hostkit::FrameSize& size, int frames) {
  const auto [width, height] = size;
  auto driver = MakeDriver(plugin, width, height, hostkit::PixelFormat::Rgba8, hostkit::MakeTestCard(width, height));
  std::string error;
  const std::string scratch = hostkit::MakeTemporaryDirectory("swirlmoss-bench", error);
  Require(!scratch.empty(), "cannot make a temporary directory for the throughput run: " + error);
  const bool video = hostkit::VideoOutputAvailable();
  const std::string clip = scratch + "/footage.mp4";
  const bool footageMade = video && MakeFootage(clip, width, height, frames, error);
  if (video && !footageMade) PrintWarning(error);
  std::printf("\nThroughput of render at %dx%d, %d frames (wall time of the whole render, reading back and "
              "writing included). Each ratio is the time against pure rendering; the targets are PNG 1.15x, MP4 "
              "1.25x and a %dx%d H.264 clip decoded as the input and written to MP4 1.3x. A ratio above its target "
              "means that on this machine the output (encoding, and decoding the clip), not the effect, slows a "
              "render down; on a busy machine the encoders get less CPU and every ratio rises.\n",
              width, height, frames, width, height);
  std::printf("%-12s %14s %20s %20s %22s\n", "look", "pure fps", "to PNG fps (ratio)", "to MP4 fps (ratio)",
              "clip to MP4 fps (ratio)");
  bool ok = true;
  for (size_t i : {size_t{0}, size_t{2}}) {
    ok = TimeThroughputRow(*driver, plans[i], Looks()[i].name, frames, scratch, video, footageMade ? clip : "", error);
    if (!ok) break;
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  Require(ok, error);
}

// A software renderer takes a fraction of a second per frame, so the default run is minutes:
// say so before it starts, and how to shorten it. About 0.22 s per 1280x720 frame on two cores.
double SecondsOnSoftware(const std::vector<hostkit::FrameSize>& sizes, int frames, int throughputFrames) {
  const auto frameSeconds = [](int width, int height) { return 0.22 * width * height / (1280.0 * 720.0); };
  double seconds = 0.0;
  for (const auto& [width, height] : sizes) seconds += Looks().size() * (frames + 1) * frameSeconds(width, height);
  // Two looks, each rendered purely, to PNG, to MP4 and from a clip.
  return seconds + 2 * 4 * throughputFrames * frameSeconds(sizes.front().width, sizes.front().height);
}

void SayHowLong(const std::vector<hostkit::FrameSize>& sizes, int frames, int throughputFrames) {
  std::printf("On this software renderer the run takes about %.0f s, more on a busy machine or while the shader "
              "compiles for the first time; `swirlmoss bench --size 640x360 --frames 3 --throughput-frames 6` "
              "takes about %.0f s.\n",
              SecondsOnSoftware(sizes, frames, throughputFrames), SecondsOnSoftware({{640, 360}}, 3, 6));
  std::fflush(stdout);
}

int RunBench(const BenchOptions& options) {
  Require(options.frames >= 1 && options.throughputFrames >= 2,
          "--frames must be at least 1 and --throughput-frames at least 2", kExitUsage);
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  std::vector<hostkit::ParameterPlan> plans;
  for (const Look& look : Looks()) plans.push_back(ParsePlan(look.settings, plugin.model));
  const auto gl = MakeGlContext(options.gl);
  std::printf("swirlmoss bench: %s\nRenderer: %s; %u CPU threads\n", plugin.library->Path().c_str(),
              DescribeRenderer(*gl).c_str(), std::thread::hardware_concurrency());
  if (options.io) {
    RunIoBench(plugin, *gl, options.ioOptions);
    return kExitOk;
  }
  if (gl->IsSoftware()) SayHowLong(options.sizes, options.frames, options.throughputFrames);
  TimeLooks(plugin, *gl, plans, options.sizes, options.frames);
  TimeThroughput(plugin, plans, options.sizes.front(), options.throughputFrames);
  return kExitOk;
}

}  // namespace

void AddBenchCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<BenchOptions>();
  CLI::App* command = app.add_subcommand(
      "bench",
      "Time each look against a pass-through frame, the plugin's own call, and render-to-file throughput; with "
      "--io, the output pipeline alone");
  AddPluginOption(*command, options->plugin);
  AddGlOptions(*command, options->gl);
  AddSizeOption(*command, "--size", options->sizes, "Sizes WIDTHxHEIGHT to time (repeatable)");
  command->add_option("--frames", options->frames, "Timed frames per look and size")->capture_default_str();
  command->add_option("--throughput-frames", options->throughputFrames, "Frames per render-to-file run")
      ->capture_default_str();
  command->add_flag("--io", options->io,
                    "Time the output pipeline alone instead: a pass-through frame to PNG (one thread and the pool), "
                    "EXR, MP4 and raw, with the CPU each costs per frame");
  AddSizeOption(*command, "--io-size", options->ioOptions.size, "Frame size of --io");
  command->add_option("--io-frames", options->ioOptions.frames, "Frames per output of --io")->capture_default_str();
  command->add_option("--jobs", options->ioOptions.jobs, "Threads of the pool in --io (0: one per CPU core)")
      ->capture_default_str();
  command->callback([options, &exitCode] { exitCode = RunBench(*options); });
}

}  // namespace swirlcli
