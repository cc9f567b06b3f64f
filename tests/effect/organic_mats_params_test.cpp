// The effect's parameters: the table the host sees, the live values, the per-look banks
// and their swap, the labels and visibility of each look, and the clock.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "effect/organic_mats_plugin.h"

namespace {

// Exposes the protected state for inspection.
class Inspectable : public OrganicMatsPlugin {
 public:
  using OrganicMatsPlugin::AdvanceClock;
  using OrganicMatsPlugin::PaintBank;
  using OrganicMatsPlugin::previousModeValue;
  using OrganicMatsPlugin::SmokeBank;
};

// What the host's default push does right after creating an instance.
void PushRegisteredDefaults(OrganicMatsPlugin& plugin, const OrganicMatsPlugin& from) {
  for (uint32_t i = 0; i < from.NumParams(); ++i) ASSERT_EQ(plugin.SetParamValue(i, from.FindParam(i)->defaultValue), FF_SUCCESS);
}

void Frame(OrganicMatsPlugin& plugin) {
  plugin.ApplyModeChange();
  plugin.UpdateParamPresentation();
}

std::vector<uint32_t> Pending(OrganicMatsPlugin& plugin, uint64_t bit) {
  std::vector<uint32_t> indices;
  for (const ParamRecord& record : plugin.Params())
    if (record.pendingEvents & bit) indices.push_back(record.index);
  return indices;
}

void ClearEvents(OrganicMatsPlugin& plugin) {
  for (uint32_t i = 0; i < plugin.NumParams(); ++i) plugin.FindParam(i)->pendingEvents = 0;
}

TEST(EffectParams, TableMatchesWhatHostsAreShown) {
  OrganicMatsPlugin plugin;
  struct Row {
    const char* name;
    uint32_t type;
    float defaultValue, minValue, maxValue;
    bool visible;
  };
  const Row rows[] = {
      {"Mode", FF_TYPE_OPTION, 0.0f, 0, 1, true},         {"Time Speed", FF_TYPE_STANDARD, 0.5f, 0, 1, true},
      {"Fan", FF_TYPE_STANDARD, 0.5f, 0, 1, false},        {"Smoke Amount", FF_TYPE_STANDARD, 0.6f, 0, 1, false},
      {"Smoke Quality", FF_TYPE_BOOLEAN, 0.0f, 0, 1, false}, {"Paint R", FF_TYPE_RED, 1.0f, 0, 1, true},
      {"Paint G", FF_TYPE_GREEN, 0.5f, 0, 1, true},        {"Paint B", FF_TYPE_BLUE, 0.0f, 0, 1, true},
      {"Light", FF_TYPE_STANDARD, 1.0f, 0, 10, true},      {"Shadows", FF_TYPE_STANDARD, 0.5f, 0, 1.5f, true},
      {"Shine", FF_TYPE_STANDARD, 0.5f, 0, 1, true},       {"Wave Thickness", FF_TYPE_STANDARD, 1.0f, 0.6f, 2.0f, true},
      {"Flow", FF_TYPE_STANDARD, 0.5f, 0, 1, true},        {"Night Mode", FF_TYPE_BOOLEAN, 0.0f, 0, 1, true},
      {"Spot Spin", FF_TYPE_STANDARD, 0.0f, 0, 1, true},   {"Seed", FF_TYPE_OPTION, -1.0f, 0, 1, true},
      {"Light R", FF_TYPE_RED, 1.0f, 0, 1, true},          {"Light G", FF_TYPE_GREEN, 1.0f, 0, 1, true},
      {"Light B", FF_TYPE_BLUE, 1.0f, 0, 1, true},         {"Image Mask", FF_TYPE_BOOLEAN, 0.0f, 0, 1, true},
      {"Mask Power", FF_TYPE_STANDARD, 0.5f, 0, 1, true},  {"Mask Threshold", FF_TYPE_STANDARD, 0.1f, 0, 1, true},
  };
  ASSERT_EQ(plugin.NumParams(), 22u);
  ASSERT_EQ(std::size(rows), 22u);
  for (uint32_t i = 0; i < plugin.NumParams(); ++i) {
    SCOPED_TRACE(rows[i].name);
    const ParamRecord& record = plugin.Params()[i];
    EXPECT_EQ(record.index, i);
    EXPECT_EQ(record.name, rows[i].name);
    EXPECT_EQ(record.type, rows[i].type);
    if (i != PARAM_SEED) {
      EXPECT_FLOAT_EQ(record.defaultValue, rows[i].defaultValue);
    }
    EXPECT_FLOAT_EQ(record.minValue, rows[i].minValue);
    EXPECT_FLOAT_EQ(record.maxValue, rows[i].maxValue);
    EXPECT_EQ(record.visible, rows[i].visible);
    EXPECT_EQ(record.pendingEvents, 0u);
  }
  EXPECT_EQ(plugin.minInputs, 1);
  EXPECT_EQ(plugin.maxInputs, 1);
  EXPECT_FALSE(plugin.topLeftSupported);

  const ParamRecord& mode = *plugin.FindParam(PARAM_MODE);
  ASSERT_EQ(mode.elements.size(), 2u);
  EXPECT_EQ(mode.elements[0].name, "Paint");
  EXPECT_EQ(mode.elements[1].name, "Smoke");
  EXPECT_EQ(mode.elements[1].value, 1.0f);
  const ParamRecord& seed = *plugin.FindParam(PARAM_SEED);
  ASSERT_EQ(seed.elements.size(), 10u);
  for (uint32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(seed.elements[i].name, "Seed " + std::to_string(i + 1));
    EXPECT_EQ(seed.elements[i].value, static_cast<float>(i));
  }
  EXPECT_EQ(plugin.FindParam(PARAM_SMOKE_QUALITY)->elements.size(), 0u);
  EXPECT_EQ(plugin.FindParam(PARAM_LIGHT)->elements.size(), 1u);
}

TEST(EffectParams, ConstructionDrawsAWholeSeedAndStartsThinWaves) {
  Inspectable plugin;
  const float seed = plugin.ParamValue(PARAM_SEED);
  EXPECT_GE(seed, 0.0f);
  EXPECT_LE(seed, 9.0f);
  EXPECT_EQ(seed, std::floor(seed));
  EXPECT_EQ(plugin.FindParam(PARAM_SEED)->defaultValue, seed);
  EXPECT_EQ(plugin.ParamValue(PARAM_MODE), 0.0f);
  // The live start is below the declared range; the host's default push fixes it.
  EXPECT_EQ(plugin.ParamValue(PARAM_WAVE_THICKNESS), 0.5f);
  EXPECT_EQ(plugin.FindParam(PARAM_WAVE_THICKNESS)->defaultValue, 1.0f);
  EXPECT_EQ(plugin.PaintBank[11], 0.0f) << "the banks keep seed 0";
  EXPECT_EQ(plugin.SmokeBank[12], 0.0f);
  EXPECT_EQ(plugin.Clock(), 0.0f);
}

TEST(EffectParams, EachBankHoldsItsLooksParametersFromTheirStartValues) {
  Inspectable plugin;
  EXPECT_EQ(std::vector<uint32_t>(kPaintBankParams.begin(), kPaintBankParams.end()),
            (std::vector<uint32_t>{PARAM_TIME_SPEED, PARAM_PAINT_R, PARAM_PAINT_G, PARAM_PAINT_B, PARAM_LIGHT,
                                   PARAM_SHADOWS, PARAM_SHINE, PARAM_WAVE_THICKNESS, PARAM_FLOW, PARAM_NIGHT_MODE,
                                   PARAM_SPOT_SPIN, PARAM_SEED, PARAM_LIGHT_R, PARAM_LIGHT_G, PARAM_LIGHT_B,
                                   PARAM_IMAGE_MASK, PARAM_MASK_POWER, PARAM_MASK_THRESHOLD}));
  EXPECT_EQ(std::vector<float>(plugin.PaintBank.begin(), plugin.PaintBank.end()),
            (std::vector<float>{0.5f, 1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f,
                                1.0f, 0.0f, 0.5f, 0.1f}));
  EXPECT_EQ(std::vector<uint32_t>(kSmokeBankParams.begin(), kSmokeBankParams.end()),
            (std::vector<uint32_t>{PARAM_TIME_SPEED, PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_PAINT_R,
                                   PARAM_PAINT_G, PARAM_PAINT_B, PARAM_LIGHT, PARAM_SHADOWS, PARAM_WAVE_THICKNESS,
                                   PARAM_FLOW, PARAM_NIGHT_MODE, PARAM_SPOT_SPIN, PARAM_SEED, PARAM_LIGHT_R,
                                   PARAM_LIGHT_G, PARAM_LIGHT_B, PARAM_IMAGE_MASK, PARAM_MASK_POWER,
                                   PARAM_MASK_THRESHOLD}));
  EXPECT_EQ(std::vector<float>(plugin.SmokeBank.begin(), plugin.SmokeBank.end()),
            (std::vector<float>{0.5f, 0.6f, 0.0f, 0.5f, 0.5f, 0.6f, 0.5f, 0.3f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f,
                                1.0f, 1.0f, 0.0f, 0.5f, 0.1f}));
  // Live start values, "Seed" aside: the registered defaults but "Wave Thickness".
  const float live[] = {0.0f, 0.5f, 0.5f, 0.6f, 0.0f, 1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f,
                        0.5f, 0.5f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.5f, 0.1f};
  for (uint32_t i = 0; i < std::size(live); ++i) {
    if (i != PARAM_SEED) {
      EXPECT_EQ(plugin.ParamValue(i), live[i]) << "index " << i;
    }
  }
}

TEST(EffectParams, ValuesAreStoredUnclampedAndOnlyForKnownIndices) {
  OrganicMatsPlugin plugin;
  EXPECT_EQ(plugin.SetParamValue(PARAM_LIGHT, 7.5f), FF_SUCCESS);
  EXPECT_EQ(plugin.ParamValue(PARAM_LIGHT), 7.5f);
  EXPECT_EQ(plugin.SetParamValue(PARAM_SHINE, -40.0f), FF_SUCCESS);
  EXPECT_EQ(plugin.ParamValue(PARAM_SHINE), -40.0f);
  EXPECT_EQ(plugin.SetParamValue(PARAM_FLOW, std::numeric_limits<float>::infinity()), FF_SUCCESS);
  EXPECT_TRUE(std::isinf(plugin.ParamValue(PARAM_FLOW)));
  EXPECT_EQ(plugin.SetParamValue(PARAM_COUNT, 1.0f), FF_FAIL);
  EXPECT_EQ(plugin.SetParamValue(0xFFFFFFFFu, 1.0f), FF_FAIL);
  EXPECT_EQ(plugin.ParamValue(PARAM_COUNT), 0.0f);
  EXPECT_EQ(plugin.ParamValue(0xFFFFFFFFu), 0.0f);
}

TEST(EffectParams, DefaultPushRestoresRegisteredWaveThicknessThroughAModeRoundTrip) {
  OrganicMatsPlugin prototype;
  OrganicMatsPlugin plugin;
  PushRegisteredDefaults(plugin, prototype);
  EXPECT_EQ(plugin.ParamValue(PARAM_WAVE_THICKNESS), 1.0f);
  EXPECT_EQ(plugin.ParamValue(PARAM_SEED), prototype.FindParam(PARAM_SEED)->defaultValue);
  const float seed = plugin.ParamValue(PARAM_SEED);

  plugin.SetParamValue(PARAM_MODE, 1.0f);
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_WAVE_THICKNESS), 0.5f) << "the Smoke bank starts at 0.5";
  EXPECT_EQ(plugin.ParamValue(PARAM_SEED), 0.0f);
  plugin.SetParamValue(PARAM_MODE, 0.0f);
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_WAVE_THICKNESS), 1.0f) << "leaving Paint saved the pushed value";
  EXPECT_EQ(plugin.ParamValue(PARAM_SEED), seed);
}

TEST(EffectModes, EnteringSmokeLoadsItsBankLabelsAndControls) {
  OrganicMatsPlugin plugin;
  Frame(plugin);  // first frame: the Paint labels
  EXPECT_EQ(Pending(plugin, FF_EVENT_FLAG_DISPLAY_NAME),
            (std::vector<uint32_t>{PARAM_PAINT_R, PARAM_PAINT_G, PARAM_PAINT_B, PARAM_NIGHT_MODE, PARAM_LIGHT_R,
                                   PARAM_LIGHT_G, PARAM_LIGHT_B}));
  EXPECT_TRUE(Pending(plugin, FF_EVENT_FLAG_VISIBILITY).empty());
  EXPECT_TRUE(Pending(plugin, FF_EVENT_FLAG_VALUE).empty());
  EXPECT_EQ(plugin.FindParam(PARAM_PAINT_R)->displayName, "Paint R");
  ClearEvents(plugin);

  plugin.SetParamValue(PARAM_MODE, 1.0f);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.0f) << "nothing changes before the next frame";
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_R), 0.5f);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_G), 0.5f);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.6f);
  EXPECT_EQ(plugin.ParamValue(PARAM_LIGHT), 0.5f);
  EXPECT_EQ(plugin.ParamValue(PARAM_SHADOWS), 0.3f);
  EXPECT_EQ(plugin.ParamValue(PARAM_SMOKE_AMOUNT), 0.6f);
  EXPECT_EQ(plugin.ParamValue(PARAM_SEED), 0.0f);
  EXPECT_EQ(plugin.ParamValue(PARAM_SHINE), 0.5f) << "Shine has no place in the Smoke bank";
  EXPECT_EQ(plugin.FindParam(PARAM_PAINT_R)->displayName, "Ambient R");
  EXPECT_EQ(plugin.FindParam(PARAM_LIGHT_B)->displayName, "Spot B");
  EXPECT_EQ(plugin.FindParam(PARAM_NIGHT_MODE)->displayName, "Night Mode") << "hidden: label left alone";

  std::vector<uint32_t> valueEvents;
  for (uint32_t i = 0; i < plugin.NumParams(); ++i)
    if (i != PARAM_MODE && i != PARAM_FAN) valueEvents.push_back(i);
  EXPECT_EQ(Pending(plugin, FF_EVENT_FLAG_VALUE), valueEvents);
  EXPECT_EQ(Pending(plugin, FF_EVENT_FLAG_VISIBILITY),
            (std::vector<uint32_t>{PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_SHINE, PARAM_WAVE_THICKNESS,
                                   PARAM_NIGHT_MODE, PARAM_SPOT_SPIN}));
  for (uint32_t i : {PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY}) EXPECT_TRUE(plugin.FindParam(i)->visible);
  for (uint32_t i : {PARAM_FAN, PARAM_SHINE, PARAM_WAVE_THICKNESS, PARAM_NIGHT_MODE, PARAM_SPOT_SPIN})
    EXPECT_FALSE(plugin.FindParam(i)->visible);

  ClearEvents(plugin);
  Frame(plugin);
  EXPECT_TRUE(Pending(plugin, ~uint64_t{0}).empty()) << "a steady frame raises nothing";
}

TEST(EffectModes, EachLookGetsBackEveryValueItHadIncludingTheSeed) {
  OrganicMatsPlugin plugin;
  const uint32_t count = plugin.NumParams();
  std::vector<float> paintValues(count);
  for (uint32_t i = 1; i < count; ++i) plugin.SetParamValue(i, 0.01f * static_cast<float>(i) + 0.3f);
  plugin.SetParamValue(PARAM_SEED, 7.0f);
  for (uint32_t i = 1; i < count; ++i) paintValues[i] = plugin.ParamValue(i);

  plugin.SetParamValue(PARAM_MODE, 0.7f);  // 0.7 counts as Smoke
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_SHINE), paintValues[PARAM_SHINE]);
  for (uint32_t i = 1; i < count; ++i) plugin.SetParamValue(i, 0.02f * static_cast<float>(i));
  std::vector<float> smokeValues(count);
  for (uint32_t i = 1; i < count; ++i) smokeValues[i] = plugin.ParamValue(i);

  plugin.SetParamValue(PARAM_MODE, 0.49f);  // 0.49 counts as Paint
  Frame(plugin);
  for (uint32_t i : kPaintBankParams) EXPECT_EQ(plugin.ParamValue(i), paintValues[i]) << "index " << i;
  EXPECT_EQ(plugin.ParamValue(PARAM_SMOKE_AMOUNT), smokeValues[PARAM_SMOKE_AMOUNT]) << "kept through Paint";
  EXPECT_EQ(plugin.ParamValue(PARAM_FAN), smokeValues[PARAM_FAN]) << "Fan belongs to no bank";

  plugin.SetParamValue(PARAM_MODE, 1.0f);
  Frame(plugin);
  for (uint32_t i : kSmokeBankParams) EXPECT_EQ(plugin.ParamValue(i), smokeValues[i]) << "index " << i;
}

TEST(EffectModes, OnlyCrossingHalfBetweenFramesSwaps) {
  Inspectable plugin;
  plugin.SetParamValue(PARAM_MODE, 1.0f);
  plugin.SetParamValue(PARAM_MODE, 0.0f);
  plugin.SetParamValue(PARAM_PAINT_B, 0.9f);
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.9f) << "1.0 then 0.0 before a frame is no change";

  plugin.SetParamValue(PARAM_MODE, 0.5f);  // exactly 0.5 is Smoke
  Frame(plugin);
  EXPECT_EQ(plugin.previousModeValue, 0.5f);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.6f);
  plugin.SetParamValue(PARAM_PAINT_B, 0.2f);
  plugin.SetParamValue(PARAM_MODE, 0.7f);  // same side: only the value sent changes
  Frame(plugin);
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.2f);
  EXPECT_EQ(plugin.previousModeValue, 0.5f);

  plugin.SetParamValue(PARAM_MODE, std::numeric_limits<float>::quiet_NaN());  // NaN is not >= 0.5
  Frame(plugin);
  EXPECT_FALSE(plugin.SmokeActive());
  EXPECT_EQ(plugin.ParamValue(PARAM_PAINT_B), 0.9f) << "back to what Paint had";
}

TEST(EffectClock, AdvancesInSinglePrecisionFromFlowAndTimeSpeed) {
  // Expected values are the correctly rounded results of each operation in turn, written
  // out rather than recomputed, so that a compiler rounding differently here and in the
  // effect cannot agree with itself.
  Inspectable plugin;
  plugin.AdvanceClock();
  EXPECT_EQ(plugin.Clock(), 0x1.8p-5f);  // defaults: (0.5 * 1.5 + 0.5) * 0.5 * 0.075
  plugin.SetParamValue(PARAM_TIME_SPEED, 0.0f);
  plugin.AdvanceClock();
  EXPECT_EQ(plugin.Clock(), 0x1.8p-5f);
  plugin.SetParamValue(PARAM_TIME_SPEED, 1.0f);
  plugin.SetParamValue(PARAM_FLOW, 1.0f);
  plugin.AdvanceClock();
  EXPECT_EQ(plugin.Clock(), 0x1.933334p-3f);  // + 2 * 0.075

  Inspectable defaults;
  for (int i = 0; i < 1000; ++i) defaults.AdvanceClock();
  EXPECT_EQ(defaults.Clock(), 0x1.77p+5f);

  // Here either multiply fused with the add after it rounds once instead of twice: a fused
  // flow factor ends at 0x1.883ba4p-6, a fused clock sum at 0x1.883ba2p-6.
  Inspectable unfused;
  unfused.SetParamValue(PARAM_FLOW, 0.11f);
  unfused.SetParamValue(PARAM_TIME_SPEED, 0.16f);
  for (int i = 0; i < 3; ++i) unfused.AdvanceClock();
  EXPECT_EQ(unfused.Clock(), 0x1.883bap-6f);
}

}  // namespace
