// The two looks: each remembers its own settings in a bank, swapped in when the "Mode"
// value crosses 0.5, and shows the host its own labels and controls.

#include "effect/organic_mats_plugin.h"

namespace {

// Every parameter but "Mode" and "Fan" may have changed after a bank load.
constexpr uint32_t kReloadedParams[] = {
    PARAM_TIME_SPEED, PARAM_SHADOWS,     PARAM_WAVE_THICKNESS, PARAM_FLOW,    PARAM_SHINE,
    PARAM_SPOT_SPIN,  PARAM_LIGHT,       PARAM_NIGHT_MODE,     PARAM_SEED,    PARAM_PAINT_R,
    PARAM_PAINT_G,    PARAM_PAINT_B,     PARAM_LIGHT_R,        PARAM_LIGHT_G, PARAM_LIGHT_B,
    PARAM_IMAGE_MASK, PARAM_MASK_POWER,  PARAM_MASK_THRESHOLD, PARAM_SMOKE_AMOUNT, PARAM_SMOKE_QUALITY};

struct Label {
  uint32_t index;
  const char* paint;
  const char* smoke;
};
constexpr Label kLabels[] = {
    {PARAM_PAINT_R, "Paint R", "Ambient R"}, {PARAM_PAINT_G, "Paint G", "Ambient G"},
    {PARAM_PAINT_B, "Paint B", "Ambient B"}, {PARAM_LIGHT_R, "Light R", "Spot R"},
    {PARAM_LIGHT_G, "Light G", "Spot G"},    {PARAM_LIGHT_B, "Light B", "Spot B"}};

// Controls that only the Paint look has.
constexpr uint32_t kPaintOnlyParams[] = {PARAM_NIGHT_MODE, PARAM_SPOT_SPIN, PARAM_SHINE, PARAM_WAVE_THICKNESS};

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
  const bool smoke = SmokeActive();
  SetParamVisible(PARAM_FAN, false, true);
  SetParamVisible(PARAM_SMOKE_AMOUNT, smoke, true);
  SetParamVisible(PARAM_SMOKE_QUALITY, smoke, true);
  for (const Label& label : kLabels) SetParamLabel(label.index, smoke ? label.smoke : label.paint, true);
  if (!smoke) SetParamLabel(PARAM_NIGHT_MODE, "Night Mode", true);
  for (uint32_t index : kPaintOnlyParams) SetParamVisible(index, !smoke, true);
}
