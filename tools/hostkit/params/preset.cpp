#include "tools/hostkit/params/preset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <nlohmann/json.hpp>

#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/platform/pending_file.h"

namespace hostkit {
namespace {

using Json = nlohmann::json;

// The parameter name part of a "NAME=VALUE" setting, trimmed.
std::string SettingName(const std::string& setting) {
  std::string name = setting.substr(0, setting.find('='));
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return name.substr(first, name.find_last_not_of(" \t") - first + 1);
}

bool ValueSetting(const std::string& source, const ParameterInfo& info, const Json& value, std::string& setting,
                  std::string& error) {
  const std::string prefix = source + ": ";
  if (value.is_number()) {
    // Converting a double beyond the float range is undefined: check it as a double first.
    const double number = value.get<double>();
    if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max()) {
      error = prefix + info.name + ": " + value.dump() + " is too large for a parameter value";
      return false;
    }
    // A number for an option must stand for one of its elements, as on the command line.
    const std::string text = FloatText(static_cast<float>(number));
    float parsed = 0.0f;
    if (!ParseParameterValue(info, text, parsed, error)) {
      error = prefix + error;
      return false;
    }
    setting = info.name + "=" + text;
    return true;
  }
  if (value.is_boolean() && info.IsBoolean()) {
    setting = info.name + "=" + (value.get<bool>() ? "1" : "0");
    return true;
  }
  SoundFeature feature;
  if (value.is_string() && FindSoundFeature(value.get<std::string>().substr(0, value.get<std::string>().find(':')), feature)) {
    // A feature of the sound ("bass:1..6"), checked with the rest of the settings.
    setting = info.name + "=" + value.get<std::string>();
    return true;
  }
  if (value.is_string() && info.IsOption()) {
    const ParameterElement* element = info.FindElement(value.get<std::string>());
    if (!element) {
      error = prefix + "\"" + value.get<std::string>() + "\" is not an option of " + info.name + "; choose one of: " +
              info.ElementList();
      return false;
    }
    setting = info.name + "=" + element->name;
    return true;
  }
  error = prefix + info.name + " must be " +
          (info.IsOption() ? "a number or one of: " + info.ElementList()
                           : info.IsBoolean() ? std::string("true or false, or 1 or 0 (a switch is off or on)")
                                              : std::string("a number")) +
          " (or a feature of the sound, such as \"bass:1..6\")";
  return false;
}

// The last option element whose value is `value`; null for none.
const ParameterElement* ElementOf(const ParameterInfo& info, float value) {
  const ParameterElement* named = nullptr;
  for (const auto& element : info.elements) {
    if (element.value == value) named = &element;
  }
  return named;
}

}  // namespace

std::string FloatText(float value) {
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

namespace {

// Where the parser gave up on `text`, as an editor counts: " (line L, column C)"; empty when
// it does not say.
std::string WhereJsonFails(const std::string& text) {
  size_t byte = 0;
  try {
    if (!Json::parse(text).is_discarded()) return "";
  } catch (const Json::parse_error& failure) {
    byte = failure.byte;
  } catch (...) {
    return "";
  }
  const size_t end = std::min(byte > 0 ? byte - 1 : 0, text.size());
  size_t line = 1, column = 1;
  for (size_t i = 0; i < end; ++i) {
    column = text[i] == '\n' ? 1 : column + 1;
    line += text[i] == '\n';
  }
  return " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

}  // namespace

bool ReadPreset(const std::string& path, const ParameterModel& model, std::vector<std::string>& settings,
                std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "preset " + path + ": cannot be read (missing, or no permission)";
    return false;
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return ReadPresetText(text, path, model, settings, error);
}

bool ReadPresetText(const std::string& text, const std::string& path, const ParameterModel& model,
                    std::vector<std::string>& settings, std::string& error) {
  const std::string prefix = "preset " + path + ": ";
  // JSON leaves a name given twice in one object open and the parser would keep the last one
  // without a word, so the names of each object still open are kept while parsing.
  std::vector<std::set<std::string>> open;
  std::string repeated;
  const auto parsed = [&](int, Json::parse_event_t event, Json& value) {
    if (event == Json::parse_event_t::object_start) {
      open.emplace_back();
    } else if (event == Json::parse_event_t::object_end) {
      if (!open.empty()) open.pop_back();
    } else if (event == Json::parse_event_t::key && !open.empty() && value.is_string()) {
      if (!open.back().insert(value.get_ref<const std::string&>()).second && repeated.empty()) {
        repeated = value.get_ref<const std::string&>();
      }
    }
    return true;
  };
  const Json document = Json::parse(text, parsed, false);
  if (document.is_discarded()) {
    error = prefix + "is not valid JSON" + WhereJsonFails(text);
    return false;
  }
  if (!repeated.empty()) {
    error = prefix + "\"" + repeated + "\" is given twice in one object; keep one";
    return false;
  }
  if (!document.is_object() || !document.contains("parameters") || !document["parameters"].is_object()) {
    error = prefix + "has no \"parameters\" object; expected {\"parameters\": {\"NAME\": VALUE, ...}}";
    return false;
  }
  return SettingsFromJson(document["parameters"], model, "preset " + path, settings, error);
}

bool SettingsFromJson(const nlohmann::json& parameters, const ParameterModel& model, const std::string& source,
                      std::vector<std::string>& settings, std::string& error) {
  const std::string prefix = source + ": ";
  settings.clear();
  std::vector<std::pair<const ParameterInfo*, std::string>> seen;
  for (const auto& [name, value] : parameters.items()) {
    const ParameterInfo* info = model.Find(name);
    if (!info) {
      error = prefix + "unknown parameter \"" + name + "\"; " + model.NameHint(name);
      return false;
    }
    // Names ignore case, so "light" and "Light" would both set Light.
    for (const auto& [other, otherName] : seen) {
      if (other == info) {
        error = prefix + "\"" + otherName + "\" and \"" + name + "\" both set " + info->name + "; keep one";
        return false;
      }
    }
    seen.emplace_back(info, name);
    if (info->IsText()) {
      error = prefix + info->name + " is a text parameter; only numeric parameters can be set";
      return false;
    }
    std::string setting;
    if (!ValueSetting(source, *info, value, setting, error)) return false;
    settings.push_back(std::move(setting));
  }
  return true;
}

std::vector<bool> ValuesNeeded(const ModeView* start, const std::vector<float>& values) {
  std::vector<bool> needed(values.size(), true);
  if (!start) return needed;
  for (size_t i = 0; i < values.size() && i < start->parameters.size(); ++i) {
    const ParameterPresentation& shown = start->parameters[i];
    needed[i] = shown.visible || values[i] != shown.value;
  }
  return needed;
}

std::string PresetText(const ParameterModel& model, const std::vector<float>& values, const std::vector<bool>& needed) {
  // Keys keep the plugin's order, which is the order a person reads the controls in.
  nlohmann::ordered_json parameters = nlohmann::ordered_json::object();
  for (const auto& info : model.Parameters()) {
    if (info.IsText() || info.index >= values.size()) continue;
    if (info.index < needed.size() && !needed[info.index]) continue;
    const float value = values[info.index];
    // The host's compositing values are written where they change the picture, so that a
    // preset saved with them at rest reads as it did before they existed.
    if (info.host && value == info.defaultValue) continue;
    if (const ParameterElement* named = ElementOf(info, value)) {
      parameters[info.name] = named->name;
    } else {
      parameters[info.name] = std::strtod(FloatText(value).c_str(), nullptr);
    }
  }
  nlohmann::ordered_json document;
  document["parameters"] = std::move(parameters);
  return document.dump(2) + "\n";
}

bool WritePreset(const std::string& path, const ParameterModel& model, const std::vector<float>& values,
                 std::string& error, const std::vector<bool>& needed) {
  return WriteWholeFile(path, PresetText(model, values, needed), error);
}

std::string ValueText(const ParameterInfo& info, float value) {
  const ParameterElement* named = ElementOf(info, value);
  return named ? named->name : FloatText(value);
}

std::vector<std::string> OverlaySettings(const std::vector<std::string>& preset, const std::vector<std::string>& overrides,
                                         const ParameterModel& model) {
  std::vector<std::string> merged;
  for (const auto& setting : preset) {
    const ParameterInfo* info = model.Find(SettingName(setting));
    bool overridden = false;
    for (const auto& over : overrides) overridden = overridden || (info && model.Find(SettingName(over)) == info);
    if (!overridden) merged.push_back(setting);
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

}  // namespace hostkit
