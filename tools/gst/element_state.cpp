#include "tools/gst/element_state.h"

#include "tools/hostkit/params/seed.h"
#include "tools/hostkit/plugin/plugin_search.h"

namespace swirlgst {

std::string PropertyName(const std::string& parameter) {
  std::string name = parameter;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '+';
    if (!kept) c = '-';
  }
  // GLib wants a property name to start with a letter.
  if (name.empty() || name[0] < 'a' || name[0] > 'z') name = "param-" + name;
  return name;
}

ElementState& ElementState::Get() {
  // Never destroyed: elements may still use it while the process exits.
  static ElementState* state = new ElementState();
  return *state;
}

ElementState::ElementState() {
  std::string path;
  if (hostkit::FindPlugin("", hostkit::PluginSeeker::GstElement, path, loadError)) {
    library = hostkit::PluginLibrary::Load(path, loadError);
    if (library && !hostkit::ParameterModel::Query(*library, model, loadError)) library.reset();
  }
  if (!library) return;
  std::vector<hostkit::ParameterInfo> fixed = model.Parameters();
  const hostkit::ParameterInfo* seed = hostkit::FindSeed(model);
  const hostkit::ParameterElement* fixedSeed = seed ? seed->FindElement(hostkit::kFixedSeed) : nullptr;
  const int seedIndex = fixedSeed ? static_cast<int>(seed->index) : -1;
  if (fixedSeed) fixed[seed->index].defaultValue = fixedSeed->value;
  model = hostkit::ParameterModel::FromParameters(std::move(fixed));
  modeRule = hostkit::ModeRule(model);
  for (const auto& info : model.Parameters()) {
    if (info.IsText()) continue;
    ElementProperty property;
    property.kind = info.IsOption()    ? ElementProperty::Kind::Option
                    : info.IsBoolean() ? ElementProperty::Kind::Boolean
                                       : ElementProperty::Kind::Number;
    property.name = PropertyName(info.name);
    property.info = &info;
    property.alwaysSent = static_cast<int>(info.index) == seedIndex;
    properties.push_back(property);
  }
}

}  // namespace swirlgst
