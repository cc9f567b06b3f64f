// A host calls the plugin sixty times a second for hours: once an instance runs, a frame
// with an unchanged mode and the host's parameter traffic must not touch the heap. The
// global allocation functions of this binary count every operator new of the process.

#include <gtest/gtest.h>

#include <memory>

#include "tests/reliability/alloc_counter.h"
#include "tests/reliability/plugin_calls.h"
#include "tests/reliability/host_surface.h"

namespace reliability {
namespace {

constexpr uint32_t kSize = 32;
constexpr int kMeasuredFrames = 50;

class SteadyStateAllocation : public testgl::GlUtilityTest {
 protected:
  void SetUp() override {
    GlUtilityTest::SetUp();
    if (HasFatalFailure()) return;
    instance = CreateInstance(kSize, kSize);
    ASSERT_NE(instance, nullptr) << "code 18 failed under the headless context";
  }
  void TearDown() override {
    surface.reset();
    if (instance) DestroyInstance(instance);
    Deinitialise();
  }

  // Frames with no input texture reach the mode check, the presentation update and the
  // clock, then fail without drawing.
  uint32_t InputlessFrame() {
    ProcessOpenGLStruct frame{};
    return LowHalf(CallPlugin(FF_PROCESS_OPENGL, PointerWord(&frame), instance));
  }

  FFInstanceID instance = nullptr;
  std::unique_ptr<HostSurface> surface;
};

TEST_F(SteadyStateAllocation, FrameWithoutInputAllocatesNothing) {
  ASSERT_EQ(SetParam(instance, 0, 1.0f), FF_SUCCESS);  // Smoke: a mode switch first
  InputlessFrame();  // connects, swaps banks, sets the first labels
  InputlessFrame();

  const AllocCounts before = AllocSnapshot();
  for (int i = 0; i < kMeasuredFrames; ++i) EXPECT_EQ(InputlessFrame(), FF_FAIL);
  const AllocCounts delta = AllocDelta(before, AllocSnapshot());
  EXPECT_EQ(delta.news, 0u) << "operator new calls in " << kMeasuredFrames << " steady frames";
  EXPECT_EQ(delta.deletes, 0u);
}

TEST_F(SteadyStateAllocation, DrawingFrameAllocatesNothing) {
  surface = std::make_unique<HostSurface>(kSize, kSize);
  surface->BindCleared();
  ASSERT_EQ(SetParam(instance, 15, 3.0f), FF_SUCCESS);
  // The first draws compile llvmpipe's pipeline and connect the instance.
  ASSERT_EQ(ProcessFrame(instance, surface->Input(), surface->Framebuffer()), FF_SUCCESS);
  ASSERT_EQ(ProcessFrame(instance, surface->Input(), surface->Framebuffer()), FF_SUCCESS);

  const AllocCounts before = AllocSnapshot();
  for (int i = 0; i < kMeasuredFrames; ++i)
    EXPECT_EQ(ProcessFrame(instance, surface->Input(), surface->Framebuffer()), FF_SUCCESS);
  const AllocCounts delta = AllocDelta(before, AllocSnapshot());
  EXPECT_EQ(delta.news, 0u) << "operator new calls in " << kMeasuredFrames << " drawn frames";
  EXPECT_EQ(delta.deletes, 0u);
}

TEST_F(SteadyStateAllocation, ParameterTrafficAllocatesNothing) {
  InputlessFrame();  // labels and visibility settle at the first frame
  ParamEventStruct entries[4]{};
  GetParamEventsStruct events{};
  char name[8];
  GetStringStruct displayName{};
  displayName.buffer = name;
  displayName.maxToWrite = sizeof name;

  const uint32_t pastTheLast = ParamCount() + 2;  // two indices without a parameter too
  const AllocCounts before = AllocSnapshot();
  for (uint32_t index = 0; index < pastTheLast; ++index) {
    SetParam(instance, index, 0.25f * static_cast<float>(index % 4));
    GetParam(instance, index);
    CallPlugin(FF_GET_PARAMETER_DISPLAY, WordOf(index), instance);
    CallPlugin(FF_GET_PARAMETER_VISIBILITY, WordOf(index), instance);
    displayName.parameterNumber = index;
    CallPlugin(FF_GET_PARAMETER_DISPLAY_NAME, PointerWord(&displayName), instance);
    events = GetParamEventsStruct{0, nullptr};
    CallPlugin(FF_GET_PARAMETER_EVENTS, PointerWord(&events), instance);
    events = GetParamEventsStruct{4, entries};
    CallPlugin(FF_GET_PARAMETER_EVENTS, PointerWord(&events), instance);
  }
  const AllocCounts delta = AllocDelta(before, AllocSnapshot());
  EXPECT_EQ(delta.news, 0u) << "operator new calls while setting and reading parameters";
  EXPECT_EQ(delta.deletes, 0u);
}

}  // namespace
}  // namespace reliability
