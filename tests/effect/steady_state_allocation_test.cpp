// The work a host repeats every frame allocates nothing once the instance is running:
// setting and reading values through plugMain, and the mode check, labels and visibility
// that start every frame.

// The replaced operator new below takes its blocks from malloc, so its delete frees them with
// free; GCC 14, inlining that delete (as the sanitizer build does), warns as if new were the
// library's own.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "effect/organic_mats_plugin.h"
#include "effect/plugin_registration.h"
#include "host/plug_main.h"

namespace {
size_t allocations = 0;
}

void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

TEST(SteadyState, ParameterTrafficAndFramePreparationAllocateNothing) {
  ASSERT_NE(&SwirlmossPluginInfo(), nullptr);
  FFMixed none;
  none.PointerValue = nullptr;
  ASSERT_EQ(plugMain(FF_INITIALISE_V2, none, nullptr).UIntValue, FF_SUCCESS);  // the prototype answers types
  OrganicMatsPlugin plugin;
  plugin.ownerRegistry = &plugin;
  plugin.ApplyModeChange();
  plugin.UpdateParamPresentation();  // the first frame sets the labels

  const size_t before = allocations;
  for (int frame = 0; frame < 100; ++frame) {
    for (uint32_t index = 1; index < plugin.NumParams(); ++index) {
      SetParameterStruct set{index, {}};
      set.NewParameterValue.FloatValue = 0.01f * static_cast<float>(frame);
      FFMixed input;
      input.PointerValue = &set;
      ASSERT_EQ(plugMain(FF_SET_PARAMETER, input, &plugin).UIntValue, FF_SUCCESS);
      FFMixed get;
      get.PointerValue = nullptr;
      get.UIntValue = index;
      plugMain(FF_GET_PARAMETER, get, &plugin);
      plugMain(FF_GET_PARAMETER_DISPLAY, get, &plugin);
    }
    plugin.ApplyModeChange();
    plugin.UpdateParamPresentation();
  }
  EXPECT_EQ(allocations - before, 0u);
  EXPECT_EQ(plugin.ParamValue(PARAM_FLOW), 0.01f * 99.0f);
  plugMain(FF_DEINITIALISE, none, nullptr);
}

}  // namespace
