#include "tools/obs/filter_controls.h"

#include <algorithm>
#include <cmath>

namespace swirlobs {
namespace {

const std::string& ShownName(const hostkit::ParameterModel& model, const hostkit::ModeView& view, uint32_t index) {
  const std::string& shown = view.parameters[index].displayName;
  return shown.empty() ? model.Parameters()[index].name : shown;
}

uint32_t Byte(float value) {
  return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

std::vector<Control> BuildControls(const hostkit::ParameterModel& model) {
  std::vector<Control> controls;
  const auto& parameters = model.Parameters();
  for (size_t i = 0; i < parameters.size(); ++i) {
    const hostkit::ParameterInfo& info = parameters[i];
    if (info.IsText()) continue;
    Control control;
    control.first = info.index;
    control.key = info.name;
    if (hostkit::StartsColourTriple(model, i)) {
      control.kind = Control::Kind::Colour;
      control.count = 3;
      control.key = hostkit::ColourLabel(info.name, parameters[i + 1].name, parameters[i + 2].name);
      i += 2;
    } else if (info.IsOption()) {
      control.kind = Control::Kind::List;
    } else if (info.IsBoolean()) {
      control.kind = Control::Kind::Checkbox;
    }
    controls.push_back(control);
  }
  return controls;
}

std::string ControlLabel(const Control& control, const hostkit::ParameterModel& model, const hostkit::ModeView& view) {
  if (control.kind != Control::Kind::Colour) return ShownName(model, view, control.first);
  return hostkit::ColourLabel(ShownName(model, view, control.first), ShownName(model, view, control.first + 1),
                              ShownName(model, view, control.first + 2));
}

bool ControlVisible(const Control& control, const hostkit::ModeView& view) {
  for (uint32_t i = control.first; i < control.first + control.count; ++i) {
    if (view.parameters[i].visible) return true;
  }
  return false;
}

uint32_t ColourWord(float red, float green, float blue) {
  return 0xFF000000u | Byte(blue) << 16 | Byte(green) << 8 | Byte(red);
}

void ColourValues(uint32_t word, float& red, float& green, float& blue) {
  red = static_cast<float>(word & 0xFF) / 255.0f;
  green = static_cast<float>(word >> 8 & 0xFF) / 255.0f;
  blue = static_cast<float>(word >> 16 & 0xFF) / 255.0f;
}

float SliderValue(const hostkit::ParameterInfo& info, double value, float fallback) {
  if (std::isnan(value)) return fallback;
  return static_cast<float>(std::clamp(value, static_cast<double>(info.minimum), static_cast<double>(info.maximum)));
}

float OptionValue(const hostkit::ParameterInfo& option, const char* name, float fallback) {
  const hostkit::ParameterElement* element = name ? option.FindElement(name) : nullptr;
  return element ? element->value : fallback;
}

std::string OptionName(const hostkit::ParameterInfo& option, float value) {
  for (const auto& element : option.elements) {
    if (element.value == value) return element.name;
  }
  return {};
}

}  // namespace swirlobs
