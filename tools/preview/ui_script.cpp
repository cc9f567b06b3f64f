#include "tools/preview/ui_script.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/preset.h"

namespace preview {

bool ConstantChanges(const hostkit::ParameterPlan& plan, std::vector<ParameterChange>& changes,
                     std::vector<hostkit::ParameterTrack>* follow) {
  changes.clear();
  if (follow) follow->clear();
  const auto take = [&](const hostkit::ParameterTrack& track) {
    if (track.kind == hostkit::ParameterTrack::Kind::Constant) {
      changes.push_back({track.index, track.from});
      return true;
    }
    if (track.kind != hostkit::ParameterTrack::Kind::Sound || !follow) return false;
    follow->push_back(track);
    return true;
  };
  if (const hostkit::ParameterTrack* mode = plan.ModeTrack()) {
    if (!take(*mode)) return false;
  }
  for (const auto& track : plan.Tracks()) {
    if (!take(track)) return false;
  }
  return true;
}

bool ReadPresetChanges(const std::string& nameOrPath, const hostkit::ParameterModel& model,
                       std::vector<ParameterChange>& changes, std::string& error,
                       std::vector<hostkit::ParameterTrack>* follow) {
  std::string path;
  std::vector<std::string> settings;
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;  // out-of-range values are passed on, as with --set
  return hostkit::ResolvePreset(nameOrPath, path, error) && hostkit::ReadPreset(path, model, settings, error) &&
         hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error) &&
         ConstantChanges(plan, changes, follow);
}

namespace {

bool ReadScript(const nlohmann::json& document, const std::string& prefix, const hostkit::ParameterModel& model,
                std::vector<ScriptStep>& steps, std::string& error, int exitAfter) {
  if (document.is_discarded() || !document.is_array()) {
    error = prefix + " is not a JSON list of steps such as [{\"frame\": 30, \"set\": {\"Mode\": \"Smoke\"}}]";
    return false;
  }
  steps.clear();
  for (size_t i = 0; i < document.size(); ++i) {
    const nlohmann::json& entry = document[i];
    const std::string where = prefix + ", step " + std::to_string(i + 1);
    const bool hasSet = entry.is_object() && entry.contains("set");
    const bool hasPreset = entry.is_object() && entry.contains("preset");
    const bool hasLearn = entry.is_object() && entry.contains("learn");
    if (!entry.is_object() || !entry.contains("frame") || !entry["frame"].is_number_integer() ||
        entry["frame"].get<long long>() < 0 || entry["frame"].get<long long>() > 1000000000 ||
        (hasSet && !entry["set"].is_object()) || (hasPreset && !entry["preset"].is_string()) ||
        (hasLearn && !entry["learn"].is_string()) || (!hasSet && !hasPreset && !hasLearn)) {
      error = where + ": expected {\"frame\": N (0 or more), \"set\": {NAME: VALUE, ...}}, a \"preset\": NAME or a \"learn\": NAME";
      return false;
    }
    std::vector<std::string> settings;
    hostkit::ParameterPlan plan;
    std::vector<std::string> warnings;  // out-of-range values are passed on, as with --set
    ScriptStep step;
    step.frame = entry["frame"].get<int>();
    if (hasPreset) step.preset = entry["preset"].get<std::string>();
    if (hasLearn) {
      const hostkit::ParameterInfo* info = model.Find(entry["learn"].get<std::string>());
      if (!info || info->IsText()) {
        error = where + ": MIDI learn of unknown parameter \"" + entry["learn"].get<std::string>() + "\"; " +
                model.NameHint(entry["learn"].get<std::string>());
        return false;
      }
      step.learn = static_cast<int>(info->index);
    }
    if (hasPreset && !ReadPresetChanges(step.preset, model, step.presetChanges, error)) {
      error = where + ": " + error;
      return false;
    }
    if (!hostkit::SettingsFromJson(hasSet ? entry["set"] : nlohmann::json::object(), model, where, settings, error)) {
      return false;
    }
    // The values came from this step, whatever the plan's own messages say.
    if (!hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error) ||
        !ConstantChanges(plan, step.changes)) {
      error = where + ": " + (error.empty() ? "only constant values can be set" : error);
      return false;
    }
    if (exitAfter > 0 && step.frame >= exitAfter) {
      error = where + ": frame " + std::to_string(step.frame) + " is never drawn: --exit-after " +
              std::to_string(exitAfter) + " quits after frame " + std::to_string(exitAfter - 1);
      return false;
    }
    steps.push_back(std::move(step));
  }
  std::stable_sort(steps.begin(), steps.end(), [](const ScriptStep& a, const ScriptStep& b) { return a.frame < b.frame; });
  return true;
}

}  // namespace

bool ReadUiScript(const std::string& path, const hostkit::ParameterModel& model, std::vector<ScriptStep>& steps,
                  std::string& error, int exitAfter) {
  const std::string prefix = "ui script " + path;
  std::ifstream file(path);
  if (!file) {
    error = prefix + " cannot be read (missing, or no permission)";
    return false;
  }
  return ReadScript(nlohmann::json::parse(file, nullptr, false), prefix, model, steps, error, exitAfter);
}

bool ReadUiScriptText(const std::string& text, const std::string& path, const hostkit::ParameterModel& model,
                      std::vector<ScriptStep>& steps, std::string& error, int exitAfter) {
  return ReadScript(nlohmann::json::parse(text, nullptr, false), "ui script " + path, model, steps, error, exitAfter);
}

}  // namespace preview
