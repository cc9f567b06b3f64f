#pragma once
// What the module holds for the whole process: the Swirlmoss plugin it drives, loaded once at
// the first question a host asks and never unloaded (instances may outlive any deinit call),
// and the plugin's parameters as frei0r parameters.

#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace swirlfrei0r {

// What a frei0r host sees of one parameter.
struct ModuleParameter {
  enum class Kind { Number, Boolean, Option, FrameRate, TimeUnit };
  Kind kind = Kind::Number;
  std::string name;
  std::string explanation;
  const hostkit::ParameterInfo* info = nullptr;  // the plugin's parameter; null for the module's own
  bool alwaysSent = false;  // sent before every frame even at its default ("Seed")
  int Frei0rType() const;                        // F0R_PARAM_*
};

class ModuleState {
 public:
  // The process's state, loading the plugin on first use (thread-safe). Never destroyed.
  static ModuleState& Get();

  // False when no plugin could be loaded; `LoadError` says why in one line.
  bool Loaded() const { return library != nullptr; }
  const std::string& LoadError() const { return loadError; }
  const hostkit::PluginLibrary& Plugin() const { return *library; }
  const hostkit::ParameterModel& Model() const { return model; }
  // The plugin's parameters in their index order (frei0r hosts pass values by position), then
  // "Frame Rate" and "Time Unit", then the host's "Blend" and "Mix". Only "Frame Rate" and
  // "Time Unit" when no plugin is loaded.
  const std::vector<ModuleParameter>& Parameters() const { return parameters; }
  // Which parameter is the plugin's "Mode", and how values go in around it.
  const hostkit::ModeRule& Mode() const { return modeRule; }
  // True when the host is ffmpeg, which sends time in milliseconds.
  bool HostSendsMilliseconds() const { return hostSendsMilliseconds; }

 private:
  ModuleState();
  std::unique_ptr<hostkit::PluginLibrary> library;
  hostkit::ParameterModel model;
  std::string loadError;
  std::vector<ModuleParameter> parameters;
  hostkit::ModeRule modeRule;
  bool hostSendsMilliseconds = false;
};

// One line on standard error, "swirlmoss (frei0r): TEXT": frei0r's calls return nothing, so
// this is the only way a problem reaches the user. Each line once per process: hosts make
// several instances that meet the same problem (melt one per render thread, ffmpeg one per
// filter), and the user needs to read it once.
void Report(const std::string& text);

}  // namespace swirlfrei0r
