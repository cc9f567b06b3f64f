// The plugin base object: the default answers of its operations and the display text of
// parameter values in the shared 16-character buffer.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "host/plugin_base.h"

namespace {

// A plugin with one value parameter whose value the test sets.
class ValuePlugin : public CFFGLPlugin {
 public:
  ValuePlugin() : CFFGLPlugin(false) {
    RegisterParam(0, "value", FF_TYPE_STANDARD, 0.0f);
    RegisterParam(1, "text", FF_TYPE_TEXT, 0.0f);
    SetMaxInputs(1);
  }
  float ParamValue(uint32_t) override { return value; }
  const char* ParamText(uint32_t) override { return "some text"; }
  float value = 0.0f;
};

TEST(PluginBase, FreshObjectAnswersTheBaseDefaults) {
  CFFGLPlugin plugin(false);
  EXPECT_EQ(plugin.Connect(), FF_SUCCESS);
  EXPECT_EQ(plugin.Disconnect(), FF_SUCCESS);
  EXPECT_EQ(plugin.TeardownGL(), FF_SUCCESS);
  EXPECT_EQ(plugin.SetHostTime(12.5), FF_SUCCESS);
  EXPECT_EQ(plugin.hostTime, 12.5);
  EXPECT_EQ(plugin.bpm, 120.0f);
  EXPECT_EQ(plugin.barPhase, 0.0f);
  EXPECT_FALSE(plugin.connected);
  EXPECT_TRUE(plugin.timeSupported);
  EXPECT_FALSE(plugin.topLeftSupported);
  EXPECT_EQ(plugin.topLeftEnabled, 0u);
  EXPECT_EQ(plugin.SetParamValue(0, 1.0f), FF_FAIL);
  EXPECT_EQ(plugin.SetParamText(0, "x"), FF_FAIL);
  EXPECT_EQ(plugin.ParamValue(0), 0.0f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(plugin.ParamText(0)), static_cast<uintptr_t>(0xFFFFFFFFu));
  EXPECT_EQ(plugin.ShortName(), nullptr);
  ProcessOpenGLStruct frame{};
  EXPECT_EQ(plugin.RenderFrame(frame), FF_FAIL);
  EXPECT_TRUE(CFFGLPlugin(true).topLeftSupported);
}

TEST(PluginBase, InputStatusFollowsTheMaximumInputCount) {
  ValuePlugin plugin;
  EXPECT_EQ(plugin.InputStatus(0), 1u);
  EXPECT_EQ(plugin.InputStatus(1), FF_FAIL);
  EXPECT_EQ(plugin.InputStatus(0xFFFFFFFFu), FF_FAIL);
  plugin.SetMaxInputs(-1);
  EXPECT_EQ(plugin.InputStatus(0), FF_FAIL);
}

TEST(PluginBase, HostStateIsStoredAsGiven) {
  CFFGLPlugin plugin(false);
  const FFGLViewportStruct viewport{1, 2, 0xFFFFFFFFu, 4};
  EXPECT_EQ(plugin.ResizeViewport(&viewport), FF_SUCCESS);
  EXPECT_EQ(plugin.viewport.x, 1u);
  EXPECT_EQ(plugin.viewport.width, 0xFFFFFFFFu);
  EXPECT_EQ(plugin.viewport.height, 4u);
  const FFGLViewportStruct other{5, 6, 7, 8};
  EXPECT_EQ(plugin.SetupGL(&other), FF_SUCCESS);
  EXPECT_EQ(plugin.viewport.y, 6u);
  plugin.SetBeatInfo(90.0f, 0.25f);
  EXPECT_EQ(plugin.bpm, 90.0f);
  EXPECT_EQ(plugin.barPhase, 0.25f);
  plugin.SetHostInfo("Host", "1.2");
  EXPECT_EQ(plugin.hostName, "Host");
  EXPECT_EQ(plugin.hostVersion, "1.2");
  plugin.SetHostInfo(nullptr, nullptr);
  EXPECT_EQ(plugin.hostName, "");
  plugin.SetSampleRate(48000);
  EXPECT_EQ(plugin.sampleRate, 48000u);
}

std::string DisplayOf(float value) {
  ValuePlugin plugin;
  plugin.ownerRegistry = &plugin;
  plugin.value = value;
  const char* text = plugin.ParamDisplayText(0);
  EXPECT_NE(text, nullptr);
  if (!text) return {};
  // The buffer is 16 text bytes plus a NUL that is never overwritten.
  EXPECT_EQ(text[kDisplayTextBytes], '\0');
  return text;
}

TEST(ParamDisplay, FormatsValuesWithSixDecimals) {
  EXPECT_EQ(DisplayOf(0.5f), "0.500000");
  EXPECT_EQ(DisplayOf(1.0f), "1.000000");
  EXPECT_EQ(DisplayOf(-2.25f), "-2.250000");
}

TEST(ParamDisplay, LongTextsAreCutToSixteenCharacters) {
  EXPECT_EQ(DisplayOf(123456784.0f), "123456784.000000");  // nine integer digits fill 16
  EXPECT_EQ(DisplayOf(1234567936.0f), "1234567936.00000");  // ten are cut after five decimals
  EXPECT_EQ(DisplayOf(std::numeric_limits<float>::max()), "3402823466385288");
  EXPECT_EQ(DisplayOf(-std::numeric_limits<float>::max()), "-340282346638528");
}

TEST(ParamDisplay, NonFiniteValuesAreTerminatedTexts) {
  EXPECT_EQ(DisplayOf(std::numeric_limits<float>::infinity()), "inf");
  EXPECT_EQ(DisplayOf(-std::numeric_limits<float>::infinity()), "-inf");
  const std::string nan = DisplayOf(std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(nan == "nan" || nan == "-nan") << nan;
}

TEST(ParamDisplay, ShorterTextLeavesNoTailOfTheLastOne) {
  ValuePlugin plugin;
  plugin.value = 1234567936.0f;
  plugin.ParamDisplayText(0);
  plugin.value = 0.0f;
  const char* text = plugin.ParamDisplayText(0);
  EXPECT_EQ(std::memcmp(text, "0.000000\0\0\0\0\0\0\0\0\0", kDisplayTextBytes + 1), 0);
}

TEST(ParamDisplay, TextParametersAndMissingRecords) {
  ValuePlugin plugin;
  plugin.ownerRegistry = &plugin;
  EXPECT_STREQ(plugin.ParamDisplayText(1), "some text");
  EXPECT_EQ(plugin.ParamDisplayText(2), nullptr);
}

TEST(ParamDisplay, ReadsThroughTheOwnerRegistry) {
  ValuePlugin owner;
  owner.value = 7.0f;
  ValuePlugin reader;
  reader.ownerRegistry = &owner;
  EXPECT_STREQ(reader.ParamDisplayText(0), "7.000000");
}

}  // namespace
