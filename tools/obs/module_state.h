#pragma once
// What every Swirlmoss filter in one OBS process shares: the plugin library, found by the host
// library's search beside this module or at its installed place and loaded once; its
// parameters; what each mode starts with (read once from a scratch instance); and the
// controls. The first filter made pays for all of it, inside OBS's graphics context; a
// problem (no plugin, a GL below 4.1 core, a renderer other than OpenGL) is logged once and
// makes every filter pass its input through.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/plugin/plugin_library.h"
#include "tools/obs/filter_controls.h"

namespace swirlobs {

class ModuleState {
 public:
  // The one state of this process. Never destroyed: OBS frees its graphics before it unloads
  // modules, and the plugin's own state lives as long as the process.
  static ModuleState& Get();

  // Makes everything ready the first time (enters OBS's graphics context to check its GL and
  // read the modes); later calls answer the first's result. False when filters must pass
  // their input through; the reason has been logged.
  bool Ready();

  const hostkit::PluginLibrary& Plugin() const { return *library; }
  const hostkit::ParameterModel& Model() const { return model; }
  const hostkit::ModeRule& Mode() const { return modeRule; }
  const std::vector<Control>& Controls() const { return controls; }
  // What the mode of value `modeValue` starts with; never null once Ready.
  const hostkit::ModeView& ViewFor(float modeValue) const { return *hostkit::ViewFor(views, modeValue); }
  // The default of every value: the first mode's start, with "Seed" fixed to its first element
  // (the plugin would draw a new one in each process, so a saved scene would change).
  const std::vector<float>& Defaults() const { return defaults; }
  // The index of "Seed", or -1.
  int SeedIndex() const { return seedIndex; }

 private:
  ModuleState() = default;
  bool Prepare(std::string& problem);

  std::mutex lock;             // held while the first call prepares
  std::atomic<bool> tried{false};  // once set, `ready` is final and read without the lock
  bool ready = false;
  std::unique_ptr<hostkit::PluginLibrary> library;
  hostkit::ParameterModel model;
  hostkit::ModeRule modeRule;
  std::vector<hostkit::ModeView> views;
  std::vector<Control> controls;
  std::vector<float> defaults;
  int seedIndex = -1;
};

// One line in OBS's log, prefixed with the module's name.
void LogLine(int level, const std::string& text);

}  // namespace swirlobs
