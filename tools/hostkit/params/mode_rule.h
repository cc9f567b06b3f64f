#pragma once
// How a host switches this effect between its modes. The option parameter named "Mode" picks
// the look, and each look keeps its own bank of values. Setting "Mode" to a value on the other
// side of 0.5 makes the plugin load the other bank at its next frame, which overwrites every
// value set before that frame. So a host sets "Mode" before any other value, and at a crossing
// advances the clock once without drawing: the bank is loaded, the labels and visibility follow,
// and only then are the other values laid over it.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

class InstanceDriver;

// One element of "Mode" as a fresh instance shows it right after switching to it: the values
// that mode starts with (those a render that sets only "Mode" draws with), and what it shows,
// hides and names.
struct ModeView {
  std::string name;    // the element's name; "current" for a plugin without modes
  float value = 0.0f;  // the element's value
  std::vector<ParameterPresentation> parameters;
};

// Visits each element of "Mode" in order on `driver`, a fresh instance with nothing set, one
// step of the clock each, crossing or not: labels exist only after a frame, and a frame record
// without input draws nothing, so no shader compile is waited for. A plugin without modes gives
// one view.
std::vector<ModeView> ReadModeViews(InstanceDriver& driver, const ParameterModel& model);

// The view of the mode `modeValue` selects: the element of that value, else the first on the
// same side of the threshold, else the first; null when `views` is empty.
const ModeView* ViewFor(const std::vector<ModeView>& views, float modeValue);

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

  // Some start values are drawn at random (the seed). The first instance a host makes records
  // its `count` values in `startValues`; each later one is given them (the mode left as it is),
  // so that starting again repeats the same picture.
  void RepeatStartValues(InstanceDriver& driver, uint32_t count, std::vector<float>& startValues) const;

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
