#pragma once
// How a host switches this effect between its modes. The option parameter named "Mode" picks
// the look, and each look keeps its own bank of values. Setting "Mode" to a value on the other
// side of 0.5 makes the plugin load the other bank at its next frame, which overwrites every
// value set before that frame. So a host sets "Mode" before any other value, and at a crossing
// advances the clock once without drawing: the bank is loaded, the labels and visibility follow,
// and only then are the other values laid over it.

#include <cstdint>

#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

class InstanceDriver;

class ModeRule {
 public:
  // Values from this one up select the second mode ("Smoke"); below it, the first ("Paint").
  static constexpr float kThreshold = 0.5f;

  ModeRule() = default;  // a plugin without modes: every call leaves the mode alone
  explicit ModeRule(const ParameterModel& model);

  // The parameter that picks the mode: the option parameter named "Mode" (any case); null when
  // the plugin has none.
  static const ParameterInfo* Find(const ParameterModel& model);
  static bool SelectsSecondMode(float value) { return value >= kThreshold; }
  // Whether setting `value` on an instance now in its second mode (or not) switches the bank.
  static bool Crosses(bool inSecondMode, float value) { return SelectsSecondMode(value) != inSecondMode; }

  bool Present() const { return present; }
  uint32_t Index() const { return index; }
  bool IsMode(uint32_t parameter) const { return present && parameter == index; }

  // Sets the mode to `value` on a live instance; at a crossing, advances the instance's clock
  // one frame without drawing so the other bank is loaded now. Answers whether it crossed.
  bool SetMode(InstanceDriver& driver, float value) const;

  // One round of values in the order the effect needs: the mode's `*modeValue` first (null
  // leaves the mode as it is), then `setOthers(crossed)`, which sets every other value and
  // leaves the mode alone; `crossed` says the other bank and its labels are in place. Answers
  // `crossed`.
  template <typename SetOthers>
  bool ApplyModeFirst(InstanceDriver& driver, const float* modeValue, SetOthers&& setOthers) const {
    const bool crossed = modeValue && present && SetMode(driver, *modeValue);
    setOthers(crossed);
    return crossed;
  }

 private:
  bool present = false;
  uint32_t index = 0;
};

}  // namespace hostkit
