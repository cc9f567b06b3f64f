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

void ModeRule::RepeatStartValues(InstanceDriver& driver, uint32_t count, std::vector<float>& startValues) const {
  if (startValues.empty()) {
    for (uint32_t i = 0; i < count; ++i) startValues.push_back(driver.Value(i));
    return;
  }
  for (uint32_t i = 0; i < count && i < startValues.size(); ++i) {
    if (!IsMode(i) && driver.Value(i) != startValues[i]) driver.SetValue(i, startValues[i]);
  }
}

bool ModeRule::SetMode(InstanceDriver& driver, float value) const {
  driver.SetValue(index, value);
  if (!Crosses(driver.InSecondMode(), value)) return false;
  driver.StepWithoutDrawing();
  driver.SetInSecondMode(SelectsSecondMode(value));
  return true;
}


std::vector<ModeView> ReadModeViews(InstanceDriver& driver, const ParameterModel& model) {
  std::vector<ModeView> views;
  const ParameterInfo* mode = ModeRule::Find(model);
  if (!mode || mode->elements.empty()) {
    driver.StepWithoutDrawing();
    views.push_back({"current", 0.0f, ReadPresentation(driver, model)});
    return views;
  }
  for (const auto& element : mode->elements) {
    driver.SetValue(mode->index, element.value);
    driver.StepWithoutDrawing();
    driver.DrainEvents();
    views.push_back({element.name, element.value, ReadPresentation(driver, model)});
  }
  return views;
}

const ModeView* ViewFor(const std::vector<ModeView>& views, float modeValue) {
  for (const auto& view : views) {
    if (view.value == modeValue) return &view;
  }
  for (const auto& view : views) {
    if (ModeRule::SelectsSecondMode(view.value) == ModeRule::SelectsSecondMode(modeValue)) return &view;
  }
  return views.empty() ? nullptr : &views.front();
}

}  // namespace hostkit
