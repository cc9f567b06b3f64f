#pragma once
// The control panel, built only from the plugin's answers as a host builds it: one control per
// parameter, named as the plugin names it in the current mode (code 51) and shown or hidden as
// it says; a slider over the declared range for numbers, one colour picker for a red, green,
// blue triple, a checkbox for a switch and a list for an option. Every change, whether from a
// control, a script, a reset or a preset, takes one path into the instance. It also knows
// what each mode starts with, so that a preset goes in as `render --preset` applies it and the
// values can be written back as a preset or a command line that reads back without warnings.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"

namespace preview {

struct ParameterChange {
  uint32_t index = 0;
  float value = 0.0f;
};

// Where a control was drawn last, in window pixels from the upper-left corner.
struct ControlRect {
  float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
};

class ControlPanel {
 public:
  explicit ControlPanel(const hostkit::ParameterModel& model);

  // Drives `driver` from now on and reads what it shows. Null detaches.
  void Attach(hostkit::InstanceDriver* driver);
  // Reads labels, visibility and values from the instance again: after its events, and after
  // a mode switch loaded the other bank.
  void Refresh();
  // Sets values by the mode rule: "Mode" first, a crossing to the other mode primed at once
  // (its bank is loaded before the rest are set; the clock advances one step), then every
  // other value in order.
  void Apply(const std::vector<ParameterChange>& changes);
  // Every parameter back to its declared default; no preset is in use after.
  void ResetAll();
  // What each mode starts with (hostkit::ReadModeViews on a fresh instance). Until given, every
  // value counts as needed and a preset is laid over the current values.
  void SetModeStarts(std::vector<hostkit::ModeView> views);
  // Applies a preset's values as `render --preset` does: over the start of the mode they select
  // (the first when they set none), "Mode" first. Then uses it (UsePreset).
  void ApplyPreset(const std::string& name, const std::vector<ParameterChange>& preset);
  // Takes `preset` (a look's name or a file) as the one the current values start from.
  void UsePreset(const std::string& name, const std::vector<ParameterChange>& preset);
  const std::string& PresetName() const { return presetName; }
  // Which values a preset file needs, by index (hostkit::ValuesNeeded in the current mode).
  std::vector<bool> NeededValues() const;
  // NAME=VALUE settings that take `render --preset PresetName()` (without one when none is in
  // use) to the current values: with a preset, each value that differs from the preset laid
  // over its mode's start; without, the needed values.
  std::vector<std::string> CommandSettings() const;
  // Draws the controls in the current ImGui window and applies what the user changed.
  void Draw();
  // The parameter whose control was right-clicked (a colour's red) since the last call; -1
  // for none. The preview starts MIDI learn with it.
  int TakeRightClick();

  // Current values, one per parameter, by index.
  const std::vector<float>& Values() const { return values; }
  const std::vector<hostkit::ParameterPresentation>& Presentation() const { return shown; }
  // The name the host shows for parameter `index`: the plugin's display name, else its name.
  const std::string& ShownName(uint32_t index) const;
  // How many mode switches were primed (each cost the effect's clock one step).
  int Primes() const { return primes; }
  const hostkit::ModeRule& Mode() const { return modeRule; }
  // Where each parameter's control was drawn last; empty for one not drawn (hidden, text, or
  // the green and blue of a colour).
  const std::vector<ControlRect>& Rects() const { return rects; }

 private:
  void DrawControl(const hostkit::ParameterInfo& info);
  void DrawColour(const hostkit::ParameterInfo& red);
  bool IsTripleStart(size_t index) const;
  void Set(uint32_t index, float value);
  void ResetButton(uint32_t first, uint32_t count);
  const hostkit::ModeView* CurrentStart() const;

  const hostkit::ParameterModel& model;
  hostkit::InstanceDriver* driver = nullptr;
  hostkit::ModeRule modeRule;
  std::vector<hostkit::ParameterPresentation> shown;
  std::vector<std::string> tripleLabels;  // per parameter: the colour picker's label, at a triple's red
  std::vector<float> values;
  std::vector<ControlRect> rects;
  std::vector<hostkit::ModeView> modeStarts;
  std::string presetName;
  std::vector<ParameterChange> presetValues;
  bool showHidden = false;
  int primes = 0;
  int rightClicked = -1;
};

}  // namespace preview
