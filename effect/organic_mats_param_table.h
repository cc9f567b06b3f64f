#pragma once
// Every host parameter of the effect, described once: what the host is told at registration,
// the uniform the live value feeds, the value it starts with, and how each look treats it
// (whether the look's bank remembers it and from what start value, whether it is shown, the
// label it carries). Registration, the banks, the presentation and the uniforms are all
// derived from this table; only the orders that are not index order are listed apart.

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/ffgl_types.h"

// Parameter indices, fixed for the life of the effect.
enum OrganicMatsParam : uint32_t {
  PARAM_MODE = 0,
  PARAM_TIME_SPEED = 1,
  PARAM_FAN = 2,
  PARAM_SMOKE_AMOUNT = 3,
  PARAM_SMOKE_QUALITY = 4,
  PARAM_PAINT_R = 5,
  PARAM_PAINT_G = 6,
  PARAM_PAINT_B = 7,
  PARAM_LIGHT = 8,
  PARAM_SHADOWS = 9,
  PARAM_SHINE = 10,
  PARAM_WAVE_THICKNESS = 11,
  PARAM_FLOW = 12,
  PARAM_NIGHT_MODE = 13,
  PARAM_SPOT_SPIN = 14,
  PARAM_SEED = 15,
  PARAM_LIGHT_R = 16,
  PARAM_LIGHT_G = 17,
  PARAM_LIGHT_B = 18,
  PARAM_IMAGE_MASK = 19,
  PARAM_MASK_POWER = 20,
  PARAM_MASK_THRESHOLD = 21,
  PARAM_COUNT = 22,
};

// How one look treats a parameter.
struct LookTraits {
  bool banked;        // the look's bank remembers the value while the other look is active
  float bankStart;    // the bank's value at construction
  bool shown;         // whether the host shows it while the look is active
  const char* label;  // its display name while the look is active; null: the look sets none
};

// One row of the table.
struct ParamDescription {
  OrganicMatsParam index;
  const char* name;
  uint32_t type;  // FF_TYPE_*
  float defaultValue;
  float minValue;
  float maxValue;
  // Option parameters: the element names; element i has the value i.
  const char* const* elements;
  uint32_t elementCount;
  // The uniform the live value feeds (null: none). A colour's red parameter names the vec3
  // that it and the two parameters after it fill.
  const char* uniform;
  int uniformComponents;
  float liveStart;  // the live value at construction
  LookTraits paint;
  LookTraits smoke;
};

namespace organic_mats {

// One look's column of the table: &ParamDescription::paint or &ParamDescription::smoke.
using LookColumn = LookTraits ParamDescription::*;

inline constexpr const char* kModeElements[] = {"Paint", "Smoke"};
inline constexpr const char* kSeedElements[] = {"Seed 1", "Seed 2", "Seed 3", "Seed 4", "Seed 5",
                                                "Seed 6", "Seed 7", "Seed 8", "Seed 9", "Seed 10"};

// Shorthands for the look columns: remembered with a start value, or not remembered; shown
// unless marked hidden.
constexpr LookTraits Bank(float start, const char* label = nullptr) { return {true, start, true, label}; }
constexpr LookTraits HiddenBank(float start) { return {true, start, false, nullptr}; }
constexpr LookTraits NoBank() { return {false, 0.0f, true, nullptr}; }
constexpr LookTraits HiddenNoBank() { return {false, 0.0f, false, nullptr}; }

// Paint is the look at construction, so its "shown" column is also the visibility the
// parameters are registered with. "Seed" registers the value drawn at construction as its
// default and live value; its banks start at 0. "Wave Thickness" starts live at 0.5, below
// its range; the host's push of the registered defaults replaces that.
inline constexpr ParamDescription kParams[PARAM_COUNT] = {
    // index, name, type, default, min, max, elements, count, uniform, components, live start,
    // Paint look, Smoke look
    {PARAM_MODE, "Mode", FF_TYPE_OPTION, 0.0f, 0.0f, 1.0f, kModeElements, 2, "Mode", 1, 0.0f, NoBank(), NoBank()},
    {PARAM_TIME_SPEED, "Time Speed", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.0f, nullptr, 0, nullptr, 0, 0.5f, Bank(0.5f),
     Bank(0.5f)},
    {PARAM_FAN, "Fan", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.0f, nullptr, 0, "Fan", 1, 0.5f, HiddenNoBank(), HiddenNoBank()},
    {PARAM_SMOKE_AMOUNT, "Smoke Amount", FF_TYPE_STANDARD, 0.6f, 0.0f, 1.0f, nullptr, 0, "SmokeAmount", 1, 0.6f,
     HiddenNoBank(), Bank(0.6f)},
    {PARAM_SMOKE_QUALITY, "Smoke Quality", FF_TYPE_BOOLEAN, 0.0f, 0.0f, 1.0f, nullptr, 0, "SmokeQuality", 1, 0.0f,
     HiddenNoBank(), Bank(0.0f)},
    {PARAM_PAINT_R, "Paint R", FF_TYPE_RED, 1.0f, 0.0f, 1.0f, nullptr, 0, "ColorPaint", 3, 1.0f, Bank(1.0f, "Paint R"),
     Bank(0.5f, "Ambient R")},
    {PARAM_PAINT_G, "Paint G", FF_TYPE_GREEN, 0.5f, 0.0f, 1.0f, nullptr, 0, nullptr, 0, 0.5f, Bank(0.5f, "Paint G"),
     Bank(0.5f, "Ambient G")},
    {PARAM_PAINT_B, "Paint B", FF_TYPE_BLUE, 0.0f, 0.0f, 1.0f, nullptr, 0, nullptr, 0, 0.0f, Bank(0.0f, "Paint B"),
     Bank(0.6f, "Ambient B")},
    {PARAM_LIGHT, "Light", FF_TYPE_STANDARD, 1.0f, 0.0f, 10.0f, nullptr, 0, "LightAmount", 1, 1.0f, Bank(1.0f),
     Bank(0.5f)},
    {PARAM_SHADOWS, "Shadows", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.5f, nullptr, 0, "Relief", 1, 0.5f, Bank(0.5f),
     Bank(0.3f)},
    {PARAM_SHINE, "Shine", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.0f, nullptr, 0, "Shininess", 1, 0.5f, Bank(0.5f),
     HiddenNoBank()},
    {PARAM_WAVE_THICKNESS, "Wave Thickness", FF_TYPE_STANDARD, 1.0f, 0.6f, 2.0f, nullptr, 0, "WaveThickness", 1, 0.5f,
     Bank(0.5f), HiddenBank(0.5f)},
    {PARAM_FLOW, "Flow", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.0f, nullptr, 0, "Slipperiness", 1, 0.5f, Bank(0.5f),
     Bank(0.5f)},
    {PARAM_NIGHT_MODE, "Night Mode", FF_TYPE_BOOLEAN, 0.0f, 0.0f, 1.0f, nullptr, 0, "NightMode", 1, 0.0f,
     Bank(0.0f, "Night Mode"), HiddenBank(0.0f)},
    {PARAM_SPOT_SPIN, "Spot Spin", FF_TYPE_STANDARD, 0.0f, 0.0f, 1.0f, nullptr, 0, "LightSpin", 1, 0.0f, Bank(0.0f),
     HiddenBank(0.0f)},
    {PARAM_SEED, "Seed", FF_TYPE_OPTION, 0.0f, 0.0f, 1.0f, kSeedElements, 10, "Seed", 1, 0.0f, Bank(0.0f), Bank(0.0f)},
    {PARAM_LIGHT_R, "Light R", FF_TYPE_RED, 1.0f, 0.0f, 1.0f, nullptr, 0, "ColorLight", 3, 1.0f, Bank(1.0f, "Light R"),
     Bank(1.0f, "Spot R")},
    {PARAM_LIGHT_G, "Light G", FF_TYPE_GREEN, 1.0f, 0.0f, 1.0f, nullptr, 0, nullptr, 0, 1.0f, Bank(1.0f, "Light G"),
     Bank(1.0f, "Spot G")},
    {PARAM_LIGHT_B, "Light B", FF_TYPE_BLUE, 1.0f, 0.0f, 1.0f, nullptr, 0, nullptr, 0, 1.0f, Bank(1.0f, "Light B"),
     Bank(1.0f, "Spot B")},
    {PARAM_IMAGE_MASK, "Image Mask", FF_TYPE_BOOLEAN, 0.0f, 0.0f, 1.0f, nullptr, 0, "ImageMask", 1, 0.0f, Bank(0.0f),
     Bank(0.0f)},
    {PARAM_MASK_POWER, "Mask Power", FF_TYPE_STANDARD, 0.5f, 0.0f, 1.0f, nullptr, 0, "MaskPower", 1, 0.5f, Bank(0.5f),
     Bank(0.5f)},
    {PARAM_MASK_THRESHOLD, "Mask Threshold", FF_TYPE_STANDARD, 0.1f, 0.0f, 1.0f, nullptr, 0, "MaskThreshold", 1, 0.1f,
     Bank(0.1f), Bank(0.1f)},
};

constexpr bool RowsAreInIndexOrder() {
  for (uint32_t i = 0; i < PARAM_COUNT; ++i)
    if (kParams[i].index != i) return false;
  return true;
}
static_assert(RowsAreInIndexOrder(), "row i of the parameter table describes parameter i");

// Whether a list of indices names every parameter that the predicate picks, each once: the
// lists of the orders that are not index order are checked against the table with it.
template <size_t N>
constexpr bool ListsExactly(const uint32_t (&list)[N], bool (*picked)(const ParamDescription&)) {
  size_t pickedCount = 0;
  for (const ParamDescription& param : kParams) pickedCount += picked(param) ? 1 : 0;
  for (size_t i = 0; i < N; ++i) {
    if (list[i] >= PARAM_COUNT || !picked(kParams[list[i]])) return false;
    for (size_t j = 0; j < i; ++j)
      if (list[j] == list[i]) return false;
  }
  return pickedCount == N;
}

// --- the banks: each holds the parameters its look remembers, in index order ---

constexpr size_t BankSize(LookColumn look) {
  size_t size = 0;
  for (const ParamDescription& param : kParams) size += (param.*look).banked ? 1 : 0;
  return size;
}

// A bank's parameters in index order, with their start values.
template <size_t N>
struct BankLayout {
  std::array<uint32_t, N> params;
  std::array<float, N> start;
};

template <size_t N>
constexpr BankLayout<N> BankOf(LookColumn look) {
  BankLayout<N> bank{};
  size_t next = 0;
  for (const ParamDescription& param : kParams) {
    if (!(param.*look).banked) continue;
    bank.params[next] = param.index;
    bank.start[next++] = (param.*look).bankStart;
  }
  return bank;
}

inline constexpr auto kPaintBank = BankOf<BankSize(&ParamDescription::paint)>(&ParamDescription::paint);
inline constexpr auto kSmokeBank = BankOf<BankSize(&ParamDescription::smoke)>(&ParamDescription::smoke);

constexpr std::array<float, PARAM_COUNT> LiveStart() {
  std::array<float, PARAM_COUNT> values{};
  for (const ParamDescription& param : kParams) values[param.index] = param.liveStart;
  return values;
}

}  // namespace organic_mats

// The parameters each look remembers, in bank order.
inline constexpr auto kPaintBankParams = organic_mats::kPaintBank.params;
inline constexpr auto kSmokeBankParams = organic_mats::kSmokeBank.params;
