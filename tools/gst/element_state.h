#pragma once
// What every swirlmossgl element in one process shares: the Swirlmoss plugin, found by the
// host library's search beside this module or at its installed place and loaded once when
// GStreamer first asks for the element's class (touching no GL: the registry scan does this),
// and the plugin's parameters as GStreamer properties. The properties carry the names GStreamer's
// frei0r wrapper gives the same parameters through the frei0r module ("Time Speed" is
// time-speed), so a pipeline switches between the two by the element's name alone.

#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace swirlgst {

// One property: a number (a double over 0..1 that spans the plugin's own range, as frei0r
// numbers do), a switch, or an option (its element's name, or its number, as a string).
struct ElementProperty {
  enum class Kind { Number, Boolean, Option };
  Kind kind = Kind::Number;
  std::string name;  // "time-speed"
  const hostkit::ParameterInfo* info = nullptr;
  bool alwaysSent = false;  // sent before every frame even at its default ("Seed")
};

class ElementState {
 public:
  // The process's state, loading the plugin on first use (thread-safe). Never destroyed.
  static ElementState& Get();

  bool Loaded() const { return library != nullptr; }
  // Why no plugin could be loaded, in one line.
  const std::string& LoadError() const { return loadError; }
  const hostkit::PluginLibrary& Plugin() const { return *library; }
  const hostkit::ParameterModel& Model() const { return model; }
  const hostkit::ModeRule& Mode() const { return modeRule; }
  // The plugin's numbers, switches and options, in its order; none when no plugin loaded.
  const std::vector<ElementProperty>& Properties() const { return properties; }

 private:
  ElementState();
  std::unique_ptr<hostkit::PluginLibrary> library;
  hostkit::ParameterModel model;
  hostkit::ModeRule modeRule;
  std::string loadError;
  std::vector<ElementProperty> properties;
};

// GStreamer's name for a parameter, as its frei0r wrapper makes it: lower case, every character
// other than a letter, digit, '-' or '+' turned into '-'.
std::string PropertyName(const std::string& parameter);

}  // namespace swirlgst
