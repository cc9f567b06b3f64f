#include "tools/hostkit/params/mode_rule.h"

#include "tools/hostkit/plugin/instance_driver.h"

namespace hostkit {

ModeRule::ModeRule(const ParameterModel& model) {
  if (const ParameterInfo* mode = Find(model)) {
    present = true;
    index = mode->index;
  }
}

const ParameterInfo* ModeRule::Find(const ParameterModel& model) {
  const ParameterInfo* mode = model.Find("Mode");
  return mode && mode->IsOption() ? mode : nullptr;
}

bool ModeRule::SetMode(InstanceDriver& driver, float value) const {
  driver.SetValue(index, value);
  if (!Crosses(driver.InSecondMode(), value)) return false;
  driver.StepWithoutDrawing();
  driver.SetInSecondMode(SelectsSecondMode(value));
  return true;
}

}  // namespace hostkit
