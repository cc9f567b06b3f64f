#include "effect/organic_mats_plugin.h"

#include <cstdlib>
#include <ctime>

#include "effect/animation_clock.h"

OrganicMatsPlugin::OrganicMatsPlugin()
    : CFFGLPlugin(false),
      modeValue(organic_mats::kParams[PARAM_MODE].liveStart),
      previousModeValue(modeValue),
      live(organic_mats::LiveStart()),
      PaintBank(organic_mats::kPaintBank.start),
      SmokeBank(organic_mats::kSmokeBank.start) {
  paramLocations.fill(-1);
  SetMinInputs(1);
  SetMaxInputs(1);
  // A different part of the noise field for each session; the banks keep seed 0.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  live[PARAM_SEED] = static_cast<float>(std::rand() % 10);
  RegisterParameters();
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
  return Value(index);
}

void OrganicMatsPlugin::AdvanceClock() { clock = AdvanceAnimationClock(clock, live[PARAM_FLOW], live[PARAM_TIME_SPEED]); }

// GL objects are released by TeardownGL before the host deletes an instance.
OrganicMatsPlugin::~OrganicMatsPlugin() = default;
