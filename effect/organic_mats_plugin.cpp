#include "effect/organic_mats_plugin.h"

#include <cstdlib>
#include <ctime>

#include "effect/animation_clock.h"

namespace {

// Live values at construction, by parameter index ("Mode" lives apart). "Wave Thickness"
// starts at 0.5, below its registered default; the host's default push replaces it.
constexpr std::array<float, PARAM_COUNT> kLiveStart = {
    0.0f,  // Mode (unused slot)
    0.5f,  // Time Speed
    0.5f,  // Fan
    0.6f,  // Smoke Amount
    0.0f,  // Smoke Quality
    1.0f, 0.5f, 0.0f,  // Paint R, G, B
    1.0f,  // Light
    0.5f,  // Shadows
    0.5f,  // Shine
    0.5f,  // Wave Thickness
    0.5f,  // Flow
    0.0f,  // Night Mode
    0.0f,  // Spot Spin
    0.0f,  // Seed (drawn at construction)
    1.0f, 1.0f, 1.0f,  // Light R, G, B
    0.0f,  // Image Mask
    0.5f,  // Mask Power
    0.1f,  // Mask Threshold
};

// Bank start values, in the order of kPaintBankParams and kSmokeBankParams.
constexpr std::array<float, kPaintBankParams.size()> kPaintBankStart = {
    0.5f, 1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.5f, 0.1f};
constexpr std::array<float, kSmokeBankParams.size()> kSmokeBankStart = {
    0.5f, 0.6f, 0.0f, 0.5f, 0.5f, 0.6f, 0.5f, 0.3f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.5f, 0.1f};

}  // namespace

OrganicMatsPlugin::OrganicMatsPlugin()
    : CFFGLPlugin(false), live(kLiveStart), PaintBank(kPaintBankStart), SmokeBank(kSmokeBankStart) {
  SetMinInputs(1);
  SetMaxInputs(1);
  // A different part of the noise field for each session; the banks keep seed 0.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  live[PARAM_SEED] = static_cast<float>(std::rand() % 10);
  RegisterParameters(live[PARAM_SEED]);
}

uint32_t OrganicMatsPlugin::SetParamValue(uint32_t index, float value) {
  if (index >= PARAM_COUNT) return FF_FAIL;
  if (index == PARAM_MODE)
    modeValue = value;
  else
    live[index] = value;
  return FF_SUCCESS;
}

float OrganicMatsPlugin::ParamValue(uint32_t index) {
  if (index >= PARAM_COUNT) return 0.0f;
  return index == PARAM_MODE ? modeValue : live[index];
}

void OrganicMatsPlugin::AdvanceClock() { clock = AdvanceAnimationClock(clock, live[PARAM_FLOW], live[PARAM_TIME_SPEED]); }

// GL objects are released by TeardownGL before the host deletes an instance.
OrganicMatsPlugin::~OrganicMatsPlugin() = default;
