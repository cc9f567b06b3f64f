// The two looks: each remembers its own settings in a bank, swapped in when the "Mode"
// value crosses 0.5, and shows the host its own labels and controls.

#include "effect/organic_mats_plugin.h"

namespace {

using organic_mats::kParams;
using organic_mats::ListsExactly;

// After a bank load, the value events are raised in this order: every parameter that either
// bank holds, that is all but "Mode" and "Fan", whichever bank was loaded.
constexpr uint32_t kReloadedParams[] = {
    PARAM_TIME_SPEED, PARAM_SHADOWS, PARAM_WAVE_THICKNESS, PARAM_FLOW,    PARAM_SHINE,
    PARAM_SPOT_SPIN,  PARAM_LIGHT,   PARAM_NIGHT_MODE,     PARAM_SEED,    PARAM_PAINT_R,
    PARAM_PAINT_G,    PARAM_PAINT_B, PARAM_LIGHT_R,        PARAM_LIGHT_G, PARAM_LIGHT_B,
    PARAM_IMAGE_MASK, PARAM_MASK_POWER, PARAM_MASK_THRESHOLD, PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY};

// The presentation is set each frame in this order; for each parameter its label first
// where the look has one, then its visibility where some look hides it.
constexpr uint32_t kPresentationOrder[] = {
    PARAM_FAN,     PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY, PARAM_PAINT_R,   PARAM_PAINT_G,
    PARAM_PAINT_B, PARAM_LIGHT_R,      PARAM_LIGHT_G,       PARAM_LIGHT_B,   PARAM_NIGHT_MODE,
    PARAM_SPOT_SPIN, PARAM_SHINE,      PARAM_WAVE_THICKNESS};

constexpr bool Banked(const ParamDescription& param) { return param.paint.banked || param.smoke.banked; }
constexpr bool SometimesHidden(const ParamDescription& param) { return !param.paint.shown || !param.smoke.shown; }
constexpr bool Presented(const ParamDescription& param) {
  return param.paint.label || param.smoke.label || SometimesHidden(param);
}

static_assert(ListsExactly(kReloadedParams, Banked), "value events after a bank load: every banked parameter");
static_assert(ListsExactly(kPresentationOrder, Presented), "presentation: every labelled or sometimes hidden parameter");

}  // namespace

template <size_t N>
void OrganicMatsPlugin::SaveBank(std::array<float, N>& bank, const std::array<uint32_t, N>& params) const {
  for (size_t i = 0; i < N; ++i) bank[i] = live[params[i]];
}

template <size_t N>
void OrganicMatsPlugin::LoadBank(const std::array<float, N>& bank, const std::array<uint32_t, N>& params) {
  for (size_t i = 0; i < N; ++i) live[params[i]] = bank[i];
  for (uint32_t index : kReloadedParams) RaiseParamEvent(index, FF_EVENT_FLAG_VALUE);
}

void OrganicMatsPlugin::ApplyModeChange() {
  const bool smokeNow = modeValue >= kSmokeModeThreshold;
  const bool smokeBefore = previousModeValue >= kSmokeModeThreshold;
  if (smokeNow == smokeBefore) return;
  if (smokeNow) {
    SaveBank(PaintBank, kPaintBankParams);
    LoadBank(SmokeBank, kSmokeBankParams);
  } else {
    SaveBank(SmokeBank, kSmokeBankParams);
    LoadBank(PaintBank, kPaintBankParams);
  }
  previousModeValue = modeValue;
}

void OrganicMatsPlugin::UpdateParamPresentation() {
  const organic_mats::LookColumn look = SmokeActive() ? &ParamDescription::smoke : &ParamDescription::paint;
  for (uint32_t index : kPresentationOrder) {
    const LookTraits& traits = kParams[index].*look;
    if (traits.label) SetParamLabel(index, traits.label, true);
    if (SometimesHidden(kParams[index])) SetParamVisible(index, traits.shown, true);
  }
}
