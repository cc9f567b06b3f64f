#include "tools/frei0r/editors/editor_description.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <type_traits>

#include "tools/frei0r/frei0r_api.h"
#include "tools/hostkit/gl/egl_context.h"
#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/params/seed.h"
#include "tools/hostkit/platform/shared_library.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace swirleditors {
namespace {

using Kind = Control::Kind;

// The module's entry points the description needs.
struct Module {
  std::unique_ptr<hostkit::SharedLibrary> library;
  decltype(&f0r_init) init = nullptr;
  decltype(&f0r_get_plugin_info) pluginInfo = nullptr;
  decltype(&f0r_get_param_info) paramInfo = nullptr;
  decltype(&f0r_construct) construct = nullptr;
  decltype(&f0r_get_param_value) getValue = nullptr;
  decltype(&f0r_destruct) destruct = nullptr;
};

bool OpenModule(const std::string& path, Module& module, std::string& error) {
  module.library = hostkit::SharedLibrary::Open(path, error);
  if (!module.library) return false;
  const auto find = [&](const char* name, auto& function) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(module.library->Symbol(name));
    if (!function) error = path + " is not a frei0r module: it does not export " + name;
    return function != nullptr;
  };
  return find("f0r_init", module.init) && find("f0r_get_plugin_info", module.pluginInfo) &&
         find("f0r_get_param_info", module.paramInfo) && find("f0r_construct", module.construct) &&
         find("f0r_get_param_value", module.getValue) && find("f0r_destruct", module.destruct);
}

// Names, types and a fresh instance's values, in the module's order.
bool AskModule(const std::string& path, Description& description, std::string& error) {
  Module module;
  if (!OpenModule(path, module, error)) return false;
  module.init();
  f0r_plugin_info_t info{};
  module.pluginInfo(&info);
  if (!info.name || !*info.name || info.num_params <= 0) {
    error = path + " declares no parameters (is the plugin beside it?)";
    return false;
  }
  // The module's name as a title: "swirlmoss" is listed as "Swirlmoss".
  description.title = info.name;
  description.title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(description.title[0])));
  description.service = std::string("frei0r.") + info.name;
  description.explanation = info.explanation ? info.explanation : "";
  description.author = info.author ? info.author : "";
  // Constructing makes no GL call; it fails only without the plugin.
  f0r_instance_t instance = module.construct(16, 16);
  if (!instance) {
    error = path + " made no instance: it cannot load the plugin";
    return false;
  }
  for (int i = 0; i < info.num_params; ++i) {
    f0r_param_info_t parameter{};
    module.paramInfo(&parameter, i);
    Control control;
    control.index = i;
    control.name = parameter.name ? parameter.name : "";
    control.explanation = parameter.explanation ? parameter.explanation : "";
    if (parameter.type == F0R_PARAM_DOUBLE || parameter.type == F0R_PARAM_BOOL) {
      control.kind = parameter.type == F0R_PARAM_DOUBLE ? Kind::Number : Kind::Switch;
      double value = 0.0;
      module.getValue(instance, &value, i);
      control.frei0rDefault = value;
    } else if (parameter.type == F0R_PARAM_STRING) {
      // The module's own two texts are told apart from the plugin's options by name.
      control.kind = control.name == "Frame Rate" ? Kind::FrameRate
                     : control.name == "Time Unit" ? Kind::TimeUnit
                                                   : Kind::Option;
      f0r_param_string text = nullptr;
      module.getValue(instance, &text, i);
      control.defaultText = text ? text : "";
    } else {
      module.destruct(instance);
      error = "parameter \"" + control.name + "\" has a frei0r type the editors' descriptions do not cover";
      return false;
    }
    description.controls.push_back(control);
  }
  module.destruct(instance);
  return true;
}

const char* Channel(uint32_t type) {
  const std::string name = hostkit::TypeName(type);
  return name == "red" ? "r" : name == "green" ? "g" : name == "blue" ? "b" : "";
}

std::string WithoutSuffix(const std::string& label, const std::string& suffix) {
  const bool ends = label.size() > suffix.size() && label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0;
  return ends ? label.substr(0, label.size() - suffix.size()) : label;
}

// One curated look as the module's texts. A value the look names that lies on the declared
// default would be taken by the module as "the mode's own", so it is refused when the mode's
// own differs: the description could not render the look.
bool ReadCuratedLook(const hostkit::Look& look, const hostkit::ParameterModel& model,
                     const std::vector<hostkit::ModeView>& views, Description& description, std::string& error) {
  std::vector<std::string> lines;
  if (!hostkit::ReadPreset(look.path, model, lines, error)) return false;
  std::vector<float> values(model.Parameters().size(), 0.0f);
  std::vector<bool> named(values.size(), false);
  for (const auto& info : model.Parameters()) values[info.index] = info.defaultValue;
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    const hostkit::ParameterInfo* info = equals == std::string::npos ? nullptr : model.Find(line.substr(0, equals));
    if (!info) {
      error = look.path + ": cannot take \"" + line + "\"";
      return false;
    }
    if (!hostkit::ParseParameterValue(*info, line.substr(equals + 1), values[info->index], error, " in " + look.path)) {
      return false;
    }
    named[info->index] = true;
  }
  const hostkit::ParameterInfo* mode = hostkit::ModeRule::Find(model);
  const hostkit::ParameterInfo* seed = hostkit::FindSeed(model);
  const hostkit::ModeView* view = views.empty() ? nullptr : &views.front();
  for (const auto& candidate : views) {
    if (mode && candidate.value == values[mode->index]) view = &candidate;
  }
  CuratedLook curated;
  curated.name = look.name;
  curated.summary = look.description;
  curated.values.assign(description.controls.size(), "");
  for (const auto& control : description.controls) {
    const hostkit::ParameterInfo* info = model.Find(control.name);
    if (!info || !named[info->index]) continue;
    const float value = values[info->index];
    const double span = info->maximum - info->minimum;
    const bool onDefault = std::fabs(static_cast<double>(value) - info->defaultValue) <= 1e-5 * span;
    // The module sends the seed always (its declared default is drawn at random), so no value of
    // it is read as the mode's own.
    const bool modeOwn = info == mode || info->host || info == seed || !view ||
                         view->parameters[info->index].value == value;
    if (onDefault && !modeOwn) {
      error = look.path + ": \"" + control.name + "\" is set to its declared default, which the module reads as " +
              "the mode's own value; use a value next to it";
      return false;
    }
    std::string& text = curated.values[static_cast<size_t>(control.index)];
    if (control.kind == Kind::Number) {
      text = NumberText(span == 0.0 ? value : (value - info->minimum) / span);
    } else if (control.kind == Kind::Switch) {
      text = value >= 0.5f ? "1" : "0";
    } else {
      text = NumberText(value);
    }
  }
  description.curated.push_back(curated);
  return true;
}

// Ranges, option names and colours from the plugin's declarations; each look's labels and
// visibility from a live instance, which has them only after a step of its clock.
// With `looksFolder`, also every curated look in it.
bool AskPlugin(const std::string& path, const std::string& looksFolder, Description& description,
               std::string& error) {
  auto plugin = hostkit::PluginLibrary::Load(path, error);
  hostkit::ParameterModel model;
  if (!plugin || !hostkit::ParameterModel::Query(*plugin, model, error)) return false;
  auto context = hostkit::EglContext::Create(error);
  if (!context) return false;
  hostkit::Image blank;
  blank.width = blank.height = 16;
  blank.rgba.assign(16 * 16 * 4, 0);
  auto driver = hostkit::InstanceDriver::Create(*plugin, 16, 16, hostkit::PixelFormat::Rgba8, blank, error);
  if (!driver) return false;
  const std::vector<hostkit::ModeView> views = hostkit::ReadModeViews(*driver, model);
  for (const auto& view : views) description.looks.push_back(view.name);
  const hostkit::ParameterInfo* mode = hostkit::ModeRule::Find(model);

  for (auto& control : description.controls) {
    const hostkit::ParameterInfo* info = model.Find(control.name);
    const bool ownText = control.kind == Kind::FrameRate || control.kind == Kind::TimeUnit;
    if (!info && !ownText) {
      error = "the module's parameter \"" + control.name + "\" is not one of the plugin's";
      return false;
    }
    for (const auto& view : views) {
      const hostkit::ParameterPresentation* shown = info ? &view.parameters[info->index] : nullptr;
      control.shown.push_back(shown ? shown->visible : true);
      control.labels.push_back(shown && !shown->displayName.empty() ? shown->displayName : control.name);
    }
    if (!info) continue;
    if (info == mode) description.modeIndex = control.index;
    control.minimum = info->minimum;
    control.maximum = info->maximum;
    control.channel = Channel(info->type)[0];
    for (const auto& element : info->elements) {
      control.optionNames.push_back(element.name);
      control.optionValues.push_back(element.value);
    }
  }
  // A colour: red, green and blue one after another, as the plugin declares them.
  auto& controls = description.controls;
  for (size_t i = 0; i + 2 < controls.size(); ++i) {
    if (controls[i].channel != 'r' || controls[i + 1].channel != 'g' || controls[i + 2].channel != 'b') continue;
    Colour colour;
    colour.red = static_cast<int>(i);
    for (const auto& label : controls[i].labels) colour.labels.push_back(WithoutSuffix(label, " R"));
    description.colours.push_back(colour);
  }
  if (looksFolder.empty()) return true;
  const std::vector<hostkit::Look> looks = hostkit::ListLooksIn(looksFolder);
  if (looks.empty()) {
    error = looksFolder + " holds no looks";
    return false;
  }
  for (const auto& look : looks) {
    if (!ReadCuratedLook(look, model, views, description, error)) return false;
  }
  return true;
}

std::string JoinOnce(const std::vector<std::string>& labels, const std::vector<bool>& shown) {
  std::string joined;
  std::vector<std::string> said;
  for (size_t look = 0; look < labels.size(); ++look) {
    if (!shown.empty() && !shown[look]) continue;
    bool repeated = false;
    for (const auto& earlier : said) repeated = repeated || earlier == labels[look];
    if (repeated) continue;
    said.push_back(labels[look]);
    joined += (joined.empty() ? "" : " / ") + labels[look];
  }
  return joined;
}

}  // namespace

bool Control::ShownInAnyLook() const {
  for (bool look : shown) {
    if (look) return true;
  }
  return false;
}

std::string Control::CommonLabel() const {
  const std::string joined = JoinOnce(labels, ShownInAnyLook() ? shown : std::vector<bool>());
  return joined.empty() ? name : joined;
}

std::string Colour::CommonLabel(const std::vector<bool>& shown) const { return JoinOnce(labels, shown); }

const Colour* Description::ColourOf(int index) const {
  for (const auto& colour : colours) {
    if (index >= colour.red && index <= colour.red + 2) return &colour;
  }
  return nullptr;
}

bool Describe(const std::string& modulePath, const std::string& pluginPath, Description& description,
              std::string& error, const std::string& looksFolder) {
  description = Description();
  return AskModule(modulePath, description, error) && AskPlugin(pluginPath, looksFolder, description, error);
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

}  // namespace swirleditors
