// Frame time of each look at 1280x720, as a host sees it: wall time from the frame call
// to the end of glFinish (GPU timer queries read near zero on a software rasteriser).
// A pass-through program of the same size gives the floor; the ratio is printed last.

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effect/organic_mats_plugin.h"
#include "effect/plugin_registration.h"
#include "gl/screen_quad.h"
#include "gl/shader_program.h"
#include "host/gl_loader.h"
#include "host/plug_main.h"
#include "shaders/effect_shaders.h"
#include "tools/hostkit/gl/egl_context.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

const char* const kPassThroughFragment =
    "#version 410 core\n"
    "in vec2 vTexCoord;\n"
    "out vec4 fragColor;\n"
    "uniform sampler2D InputTexture;\n"
    "void main() { fragColor = texture(InputTexture, vTexCoord); }\n";

// Everything the frames need: a host-like RGBA8 framebuffer and input of the frame size.
struct Scene {
  std::unique_ptr<hostkit::EglContext> context;
  GLuint framebuffer = 0, colour = 0, input = 0;
  FFGLTextureStruct inputRecord{};
  FFGLTextureStruct* inputs[1] = {&inputRecord};
  ProcessOpenGLStruct frame{};
};
Scene scene;
std::map<std::string, double> meanSeconds;

FFMixed Pointer(const void* p) {
  FFMixed word{};
  word.PointerValue = const_cast<void*>(p);
  return word;
}

bool SetUpScene() {
  SwirlmossPluginInfo();  // keeps the statically linked registration in the program
  std::string error;
  scene.context = hostkit::EglContext::Create(error);
  if (!scene.context) {
    std::fprintf(stderr, "frame_bench: %s\n", error.c_str());
    return false;
  }
  if (!EnsureGlEntryPoints()) {
    std::fprintf(stderr, "frame_bench: the GL entry points could not be loaded\n");
    return false;
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 7) / 5);
  glGenTextures(1, &scene.input);
  glBindTexture(GL_TEXTURE_2D, scene.input);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenTextures(1, &scene.colour);
  glBindTexture(GL_TEXTURE_2D, scene.colour);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &scene.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, scene.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, scene.colour, 0);
  glViewport(0, 0, kWidth, kHeight);
  scene.inputRecord = {kWidth, kHeight, kWidth, kHeight, scene.input};
  scene.frame = {1, scene.inputs, scene.framebuffer};
  return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Times `draw` + glFinish per iteration and keeps the mean under `name`.
template <typename Draw>
void TimeFrames(benchmark::State& state, const std::string& name, Draw draw) {
  draw();  // the first draw compiles the pipeline variant: not a frame a host waits on twice
  glFinish();
  double total = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  if (state.iterations() > 0) meanSeconds[name] = total / static_cast<double>(state.iterations());
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EffectFrame(benchmark::State& state, float mode, const std::string& name) {
  const FFGLViewportStruct viewport{0, 0, kWidth, kHeight};
  FFInstanceID instance = plugMain(FF_INSTANTIATE_GL, Pointer(&viewport), nullptr).PointerValue;
  if (!instance || reinterpret_cast<uintptr_t>(instance) == 0xFFFFFFFFu) {
    state.SkipWithError("the plugin refused to create an instance");
    return;
  }
  SetParameterStruct set{};
  set.ParameterNumber = PARAM_MODE;
  set.NewParameterValue.FloatValue = mode;
  plugMain(FF_SET_PARAMETER, Pointer(&set), instance);
  const ProcessOpenGLStruct empty{0, nullptr, 0};
  plugMain(FF_PROCESS_OPENGL, Pointer(&empty), instance);  // the bank swap happens at a frame
  set.ParameterNumber = PARAM_SEED;
  set.NewParameterValue.FloatValue = 3.0f;
  plugMain(FF_SET_PARAMETER, Pointer(&set), instance);
  TimeFrames(state, name, [&] { plugMain(FF_PROCESS_OPENGL, Pointer(&scene.frame), instance); });
  FFMixed none{};
  plugMain(FF_DEINSTANTIATE_GL, none, instance);
}

void BM_PassThrough(benchmark::State& state) {
  ShaderProgram program;
  ScreenQuad quad;
  if (!program.Build(shaders::kEffectVertexSource, kPassThroughFragment) || !quad.Create()) {
    state.SkipWithError("the pass-through program could not be built");
    return;
  }
  const GLint sampler = program.UniformLocation("InputTexture");
  TimeFrames(state, "pass-through", [&] {
    glUseProgram(program.ProgramId());
    glUniform1i(sampler, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, scene.input);
    quad.Draw();
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
  });
  program.Release();
  quad.Release();
}

}  // namespace

int main(int argc, char** argv) {
  if (!SetUpScene()) return 1;
  std::printf("renderer: %s, %s\n", scene.context->RendererText().c_str(), scene.context->VersionText().c_str());
  benchmark::RegisterBenchmark("Frame1280x720/Paint", BM_EffectFrame, 0.0f, std::string("Paint"))
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(2.0);
  benchmark::RegisterBenchmark("Frame1280x720/Smoke", BM_EffectFrame, 1.0f, std::string("Smoke"))
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(2.0);
  benchmark::RegisterBenchmark("Frame1280x720/PassThrough", BM_PassThrough)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(1.0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const auto floor = meanSeconds.find("pass-through");
  if (floor != meanSeconds.end() && floor->second > 0.0) {
    for (const char* look : {"Paint", "Smoke"}) {
      const auto it = meanSeconds.find(look);
      if (it == meanSeconds.end()) continue;
      std::printf("%s: %.1f ms per frame, %.0fx the pass-through frame (%.2f ms)\n", look, it->second * 1e3,
                  it->second / floor->second, floor->second * 1e3);
    }
  }
  return 0;
}
