// A show runs for hours: several instances at once, the host setting whatever its
// controllers send (in range or not, NaN included), looks switched, events polled with
// arrays of every small size, instances made and dropped between frames. Afterwards the
// plugin must have left nothing behind: no GL object, no unbalanced operator new, no heap
// growth, and none of its calls may have raised a GL error.
//
// Bounded by a frame count (32x32 targets keep a frame cheap on llvmpipe), with a fixed
// random sequence so that a failure repeats.

#include <gtest/gtest.h>

#include <GL/glew.h>
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <utility>

#include "tests/reliability/alloc_counter.h"
#include "tests/reliability/plugin_calls.h"
#include "tests/reliability/host_surface.h"

namespace reliability {
namespace {

constexpr uint32_t kSize = 32;
constexpr int kFrames = 10000;
constexpr int kMaxLive = 4;
constexpr int kChurnEvery = 100;  // frames between dropping one instance and making another
constexpr GLuint kNameScan = 1u << 14;
// Mesa keeps caches of its own (shader variants, scene bins) whose size moves by a few
// hundred KiB from one pass to the next, up or down; the plugin's own blocks are counted
// exactly by the allocation counter, the heap as a whole only within this margin.
constexpr size_t kDriverHeapSlack = 1u << 20;

// Every GL object alive in the context, by kind and name. Names are scanned rather than
// tracked, so the plugin needs no hook: whatever it made and did not delete shows up.
std::set<std::pair<char, GLuint>> LiveGlObjects() {
  std::set<std::pair<char, GLuint>> live;
  for (GLuint name = 1; name < kNameScan; ++name) {
    if (glIsProgram(name)) live.insert({'p', name});
    if (glIsShader(name)) live.insert({'s', name});
    if (glIsBuffer(name)) live.insert({'b', name});
    if (glIsVertexArray(name)) live.insert({'v', name});
    if (glIsTexture(name)) live.insert({'t', name});
    if (glIsFramebuffer(name)) live.insert({'f', name});
  }
  return live;
}

// mallinfo2 reads glibc's books; the sanitizer build allocates through its own allocator.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapMeasured = false;
size_t HeapInUse() { return 0; }
#else
constexpr bool kHeapMeasured = true;
size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

class Soak : public testgl::GlUtilityTest {
 protected:
  void TearDown() override { surface.reset(); }

  // Every plugin call of the soak goes through here: a GL error it raises is counted.
  FFMixed Call(uint32_t code, FFMixed input, FFInstanceID instance) {
    const FFMixed answer = CallPlugin(code, input, instance);
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
      ++glErrors;
      if (firstGlError == 0) {
        firstGlError = error;
        firstGlErrorCode = code;
      }
    }
    return answer;
  }

  float RandomValue() {
    switch (rng() % 10) {
      case 0: return std::numeric_limits<float>::quiet_NaN();
      case 1: return std::numeric_limits<float>::infinity();
      case 2: return -std::numeric_limits<float>::infinity();
      case 3: return std::uniform_real_distribution<float>(-10.0f, 10.0f)(rng);
      case 4: return (rng() % 2 ? 1.0f : -1.0f) * 1e30f;
      case 5: return std::numeric_limits<float>::denorm_min();
      default: return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
    }
  }

  uint32_t RandomIndex() {
    if (paramCount == 0) paramCount = LowHalf(Call(FF_GET_NUM_PARAMETERS, WordOf(0), nullptr));
    switch (rng() % 12) {
      case 0: return paramCount + rng() % 20;
      case 1: return std::numeric_limits<uint32_t>::max();
      default: return rng() % paramCount;
    }
  }

  void SetRandomParams(FFInstanceID instance) {
    for (int i = 0; i < 3; ++i) {
      SetParameterStruct record{};
      record.ParameterNumber = RandomIndex();
      record.NewParameterValue.FloatValue = RandomValue();
      Call(FF_SET_PARAMETER, PointerWord(&record), instance);
    }
  }

  void PollEvents(FFInstanceID instance) {
    ParamEventStruct entries[3];
    GetParamEventsStruct query{};
    query.numEvents = rng() % 4;                                // capacity 0 to 3
    query.events = rng() % 3 == 0 ? nullptr : entries;          // a null array only counts
    Call(FF_GET_PARAMETER_EVENTS, PointerWord(&query), instance);
  }

  void HostTraffic(FFInstanceID instance) {
    switch (rng() % 6) {
      case 0: {
        const double seconds = RandomValue();
        Call(FF_SET_TIME, PointerWord(&seconds), instance);
        break;
      }
      case 1: {
        const FFGLViewportStruct viewport{0, 0, kSize, kSize};
        Call(FF_RESIZE, PointerWord(&viewport), instance);
        break;
      }
      case 2: {
        const SetBeatinfoStruct beat{RandomValue(), RandomValue()};
        Call(FF_SET_BEATINFO, PointerWord(&beat), instance);
        break;
      }
      case 3: {
        const SetHostinfoStruct info{"Soak host with a name longer than any short-string buffer", "1.0"};
        Call(FF_SET_HOSTINFO, PointerWord(&info), instance);
        break;
      }
      case 4:
        Call(FF_GET_PARAMETER_DISPLAY, WordOf(RandomIndex()), instance);
        break;
      default:
        Call(FF_GET_PARAMETER_VISIBILITY, WordOf(RandomIndex()), instance);
        break;
    }
  }

  uint32_t Frame(FFInstanceID instance) {
    FFGLTextureStruct* inputs[1] = {surface->Input()};
    ProcessOpenGLStruct frame{};
    frame.HostFBO = surface->Framebuffer();
    switch (rng() % 16) {
      case 0:  // no input: the clock and the presentation move, nothing is drawn
        break;
      case 1:  // a count with no array
        frame.numInputTextures = 1;
        break;
      default:
        frame.numInputTextures = 1;
        frame.inputTextures = inputs;
        break;
    }
    return LowHalf(Call(FF_PROCESS_OPENGL, PointerWord(&frame), instance));
  }

  FFInstanceID Create() {
    const FFGLViewportStruct viewport{0, 0, kSize, kSize};
    const FFMixed answer = Call(FF_INSTANTIATE_GL, PointerWord(&viewport), nullptr);
    return reinterpret_cast<uintptr_t>(answer.PointerValue) == FF_FAIL ? nullptr : answer.PointerValue;
  }

  void Destroy(FFInstanceID instance) { Call(FF_DEINSTANTIATE_GL, WordOf(0), instance); }

  struct PassFigures {
    int created = 0, destroyed = 0, drawn = 0;
  };

  // One soak pass: kMaxLive instances at once, `frames` frames spread over them, one
  // instance dropped and another made every kChurnEvery frames; all destroyed at the end.
  PassFigures Pass(int frames) {
    PassFigures figures;
    FFInstanceID live[kMaxLive] = {};
    for (FFInstanceID& instance : live) {
      instance = Create();
      EXPECT_NE(instance, nullptr);
      ++figures.created;
    }
    for (int frame = 0; frame < frames; ++frame) {
      FFInstanceID& instance = live[frame % kMaxLive];
      if (frame % kChurnEvery == kChurnEvery - 1) {
        // Drop one instance and make another between two frames.
        Destroy(instance);
        ++figures.destroyed;
        instance = Create();
        EXPECT_NE(instance, nullptr) << "code 18 failed at frame " << frame;
        ++figures.created;
      }
      if (!instance) continue;
      SetRandomParams(instance);
      if (frame % 37 == 0) SetParam(instance, 0, (frame / 37) % 2 ? 1.0f : 0.0f);  // switch looks
      HostTraffic(instance);
      if (Frame(instance) == FF_SUCCESS) ++figures.drawn;
      PollEvents(instance);
      if (frame % 100 == 0) glFinish();
    }
    for (FFInstanceID instance : live) {
      if (instance) Destroy(instance);
      ++figures.destroyed;
    }
    glFinish();
    return figures;
  }

  std::mt19937 rng{20261207u};
  uint32_t paramCount = 0;  // the plugin's answer to code 4, asked once
  std::unique_ptr<HostSurface> surface;
  int glErrors = 0;
  GLenum firstGlError = 0;
  uint32_t firstGlErrorCode = 0;
};

TEST_F(Soak, ManyInstancesThousandsOfFramesLeaveNothingBehind) {
  surface = std::make_unique<HostSurface>(kSize, kSize);
  surface->BindCleared();
  // The host's own objects; the plugin has made none yet.
  const std::set<std::pair<char, GLuint>> glBefore = LiveGlObjects();

  // A short pass outside the heap and allocation books: the prototype, the one-time
  // loader, the driver's first compile and the caches the driver keeps (Mesa holds on to
  // memory for as many programs as were alive at once) settle before the figures are taken.
  Pass(2 * kChurnEvery);
  const size_t heapBefore = HeapInUse();
  const AllocCounts allocBefore = AllocSnapshot();

  const auto start = std::chrono::steady_clock::now();
  const PassFigures figures = Pass(kFrames);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const AllocCounts allocDelta = AllocDelta(allocBefore, AllocSnapshot());
  const size_t heapAfter = HeapInUse();
  const std::set<std::pair<char, GLuint>> glAfter = LiveGlObjects();

  std::printf("soak: %d frames (%d drawn) over %d instances (%d destroyed) in %.1f s\n", kFrames, figures.drawn,
              figures.created, figures.destroyed, seconds);
  std::printf("soak: operator new %llu, operator delete %llu (the plugin's own calls)\n",
              static_cast<unsigned long long>(allocDelta.news), static_cast<unsigned long long>(allocDelta.deletes));
  if (kHeapMeasured)
    std::printf("soak: heap in use (mallinfo2 uordblks) before %zu bytes, after %zu bytes\n", heapBefore, heapAfter);
  else
    std::printf("soak: heap not measured: the sanitizer's allocator keeps its own books\n");
  RecordProperty("frames", kFrames);
  RecordProperty("seconds", std::to_string(seconds));
  RecordProperty("heap_before", std::to_string(heapBefore));
  RecordProperty("heap_after", std::to_string(heapAfter));

  EXPECT_GT(figures.drawn, kFrames / 2) << "most frames should have drawn";
  EXPECT_EQ(glErrors, 0) << "first GL error 0x" << std::hex << firstGlError << " after code " << std::dec
                         << firstGlErrorCode;
  EXPECT_EQ(allocDelta.news, allocDelta.deletes) << "operator new and delete do not balance";
  EXPECT_EQ(allocDelta.liveBytes, 0u) << "bytes allocated by the plugin and never freed";
  EXPECT_LE(heapAfter, heapBefore + kDriverHeapSlack) << "the heap did not return to where it started";
  EXPECT_EQ(glAfter, glBefore) << "GL objects outlived their instances";
  Deinitialise();
}

}  // namespace
}  // namespace reliability
