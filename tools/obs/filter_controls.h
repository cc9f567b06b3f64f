#pragma once
// The filter's controls as OBS shows them, made only from the plugin's answers, as the preview
// makes its panel: a slider per number over its declared range, one colour picker per red,
// green and blue triple, a checkbox per switch and a list per option ("Mode", "Seed"). Each
// control is saved in the scene collection under a name the plugin gives (the parameter's
// name; for a colour, the label its three names make), never under a position, so that a
// plugin that reorders its parameters still reads old scenes right. Names and visibility come
// from the view of the current mode (hostkit::ModeView).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"

namespace swirlobs {

struct Control {
  enum class Kind { Slider, Colour, Checkbox, List };
  Kind kind = Kind::Slider;
  std::string key;     // the settings key
  uint32_t first = 0;  // the parameter, or the red of a colour
  uint32_t count = 1;  // 3 for a colour
};

// One control per parameter in the plugin's order, a colour for each triple; text and file
// parameters have none.
std::vector<Control> BuildControls(const hostkit::ParameterModel& model);

// The label `view` gives the control: the plugin's display name in that mode, else the
// parameter's name; for a colour, the label of its three shown names.
std::string ControlLabel(const Control& control, const hostkit::ParameterModel& model, const hostkit::ModeView& view);
// Whether the control shows in `view`: a colour shows while any of its three does.
bool ControlVisible(const Control& control, const hostkit::ModeView& view);

// OBS's colour word (0xAABBGGRR, opaque) for three values in 0..1, and back.
uint32_t ColourWord(float red, float green, float blue);
void ColourValues(uint32_t word, float& red, float& green, float& blue);

// A slider's value as the plugin takes it: within the slider's range (settings edited by hand
// or written by another version can hold anything, and a double beyond a float's range has no
// float), `fallback` for a value that is not a number.
float SliderValue(const hostkit::ParameterInfo& info, double value, float fallback);

// The element of `option` named `name`, else the one whose value is `fallback`'s; its value.
float OptionValue(const hostkit::ParameterInfo& option, const char* name, float fallback);
// The name of the element of `option` with `value`; empty when none has it.
std::string OptionName(const hostkit::ParameterInfo& option, float value);

}  // namespace swirlobs
