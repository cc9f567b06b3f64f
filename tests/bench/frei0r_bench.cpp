// What the frei0r module costs per 1280x720 frame over `swirlmoss render`: the module uploads
// the host's picture, draws, reads the result back at once and turns the rows over both ways,
// where the CLI draws from a texture it already holds and reads back through buffers that
// overlap the next frame. Timed: a whole module frame (f0r_update), the CLI's draw, and the
// module's upload and readback alone, which is the added cost (the first two differ by it, but
// on a shared machine the draw's noise can hide it). Wall time: GPU timer queries read near
// zero on llvmpipe.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tools/frei0r/frame_transfer.h"
#include "tools/frei0r/frei0r_api.h"
#include "tools/hostkit/gl/egl_context.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/image/test_card.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
double moduleSeconds = 0.0;
double renderSeconds = 0.0;
double transferSeconds = 0.0;

// Times `frame` per iteration after one untimed frame (which compiles the pipeline variant).
template <typename Frame>
double TimeFrames(benchmark::State& state, Frame frame) {
  frame();
  double total = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  return state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0.0;
}

void BM_ModuleFrame(benchmark::State& state) {
  f0r_instance_t instance = f0r_construct(kWidth, kHeight);
  if (!instance) {
    state.SkipWithError("the module made no instance (its reason is above)");
    return;
  }
  f0r_param_string seed = const_cast<char*>("Seed 4");
  f0r_set_param_value(instance, &seed, 15);  // "Seed"
  const hostkit::Image card = hostkit::MakeTestCard(kWidth, kHeight);
  std::vector<uint32_t> output(static_cast<size_t>(kWidth) * kHeight);
  const auto* input = reinterpret_cast<const uint32_t*>(card.rgba.data());
  double time = 0.0;
  moduleSeconds = TimeFrames(state, [&] {
    f0r_update(instance, time, input, output.data());
    time += 1.0 / 30.0;
  });
  f0r_destruct(instance);
}

void BM_RenderFrame(benchmark::State& state) {
  std::string error;
  auto context = hostkit::EglContext::Create(error);
  // Not unloaded: the module holds the same library for the rest of the process.
  auto* plugin = context ? hostkit::PluginLibrary::Load(SWIRLMOSS_MODULE_PATH, error).release() : nullptr;
  if (!plugin) {
    state.SkipWithError(error.c_str());
    return;
  }
  auto driver = hostkit::InstanceDriver::Create(*plugin, kWidth, kHeight, hostkit::PixelFormat::Rgba8,
                                                hostkit::MakeTestCard(kWidth, kHeight), error);
  if (!driver) {
    state.SkipWithError(error.c_str());
    return;
  }
  driver->SetValue(15, 3.0f);  // "Seed 4"
  renderSeconds = TimeFrames(state, [&] {
    driver->RenderFrame();
    glFinish();
  });
  // The module's transfers on the same texture and framebuffer.
  const hostkit::Image card = hostkit::MakeTestCard(kWidth, kHeight);
  std::vector<uint32_t> output(static_cast<size_t>(kWidth) * kHeight);
  swirlfrei0r::FrameTransfer transfer(kWidth, kHeight);
  for (int i = 0; i < 20; ++i) {
    const auto start = std::chrono::steady_clock::now();
    transfer.Upload(reinterpret_cast<const uint32_t*>(card.rgba.data()), driver->InputTexture());
    transfer.Readback(driver->Framebuffer(), output.data());
    transferSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 20.0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("SWIRLMOSS_PLUGIN", SWIRLMOSS_MODULE_PATH, 0);
  f0r_init();
  benchmark::RegisterBenchmark("Frei0rModule1280x720/Paint", BM_ModuleFrame)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3.0);
  benchmark::RegisterBenchmark("RenderDraw1280x720/Paint", BM_RenderFrame)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3.0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (moduleSeconds > 0.0 && renderSeconds > 0.0) {
    std::printf("1280x720 Paint: frei0r module %.1f ms per frame, swirlmoss render's draw %.1f ms; the module's "
                "upload, readback and row flips %.1f ms (%.0f%% of the draw)\n",
                moduleSeconds * 1e3, renderSeconds * 1e3, transferSeconds * 1e3,
                transferSeconds / renderSeconds * 100.0);
  }
  return 0;
}
