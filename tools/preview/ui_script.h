#pragma once
// Scripted use of the preview: a JSON list of steps, [{"frame": N, "set": {NAME: VALUE}}], each
// applied through the control panel before frame N (counted from 0) is drawn. A step may also
// name a "preset" (a look's name or a preset file), chosen as from the panel's list before its
// "set" values, and "learn" a parameter by name: MIDI learn starts for it as a right-click on
// its control starts it.

#include <string>
#include <vector>

#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/preview/control_panel.h"

namespace preview {

struct ScriptStep {
  int frame = 0;
  std::string preset;                          // empty: none
  std::vector<ParameterChange> presetChanges;  // the preset's values, "Mode" first
  std::vector<ParameterChange> changes;        // "Mode" first
  int learn = -1;                              // the parameter MIDI learn starts for; -1: none
};

// The constant values of a parsed plan as panel changes, "Mode" first. False when any value is
// a ramp or keyframes, which a live preview cannot play, or follows the sound and `follow` is
// null; given, those values go there.
bool ConstantChanges(const hostkit::ParameterPlan& plan, std::vector<ParameterChange>& changes,
                     std::vector<hostkit::ParameterTrack>* follow = nullptr);

// The constant values of the preset `nameOrPath` (a look's name or a preset file) as panel
// changes, and with `follow` the values that follow the sound. False with a one-line `error`.
bool ReadPresetChanges(const std::string& nameOrPath, const hostkit::ParameterModel& model,
                       std::vector<ParameterChange>& changes, std::string& error,
                       std::vector<hostkit::ParameterTrack>* follow = nullptr);

// Reads the script at `path`; steps come back in frame order. False with a one-line `error`
// naming the file and the step at fault, also for a step that a run quitting after `exitAfter`
// frames (0: never) would not reach.
bool ReadUiScript(const std::string& path, const hostkit::ParameterModel& model, std::vector<ScriptStep>& steps,
                  std::string& error, int exitAfter = 0);
// The same for a script's text, read from the file at `path` (which errors name).
bool ReadUiScriptText(const std::string& text, const std::string& path, const hostkit::ParameterModel& model,
                      std::vector<ScriptStep>& steps, std::string& error, int exitAfter = 0);

}  // namespace preview
