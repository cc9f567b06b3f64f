#include "tools/hostkit/params/parameter_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/hostkit/params/switch_value.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace hostkit {
namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool ParseNumber(const std::string& text, float& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return end && *end == '\0' && std::isfinite(value);
}

bool ParseFrame(const std::string& text, int& frame) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
  frame = std::atoi(text.c_str());
  return true;
}

}  // namespace

bool ParseParameterValue(const ParameterInfo& info, const std::string& text, float& value, std::string& error,
                         const std::string& where) {
  if (info.IsOption()) {
    if (const ParameterElement* element = info.FindElement(text)) {
      value = element->value;
      return true;
    }
    // A number stands for an element's value; one beyond them all names no option (ramps and
    // keyframes may pass between two of them).
    if (info.elements.empty()) {
      if (ParseNumber(text, value)) return true;
      error = "\"" + text + "\" is not a number" + where;
      return false;
    }
    float low = info.elements.front().value, high = low;
    for (const auto& element : info.elements) {
      low = std::min(low, element.value);
      high = std::max(high, element.value);
    }
    const bool number = ParseNumber(text, value);
    if (number && value >= low && value <= high) return true;
    char values[80] = "";
    if (number) {
      std::snprintf(values, sizeof values, ", or a value from %g to %g", static_cast<double>(low),
                    static_cast<double>(high));
    }
    error = "\"" + text + "\" is not an option of " + info.name + where + "; choose one of: " + info.ElementList() +
            values;
    return false;
  }
  if (info.IsBoolean()) {
    if (SwitchFromText(text, value)) return true;
    error = "\"" + text + "\" is not on or off for " + info.name + where + "; " + kSwitchTakes;
    return false;
  }
  if (ParseNumber(text, value)) return true;
  error = "\"" + text + "\" is not a number" + where;
  return false;
}

namespace {

// One value of a setting, with the setting named in the error.
bool ParseScalar(const ParameterInfo& info, const std::string& setting, const std::string& text, float& value,
                 std::string& error) {
  return ParseParameterValue(info, text, value, error, " in --set \"" + setting + "\"");
}

// A number outside its declared range is passed on with a warning. (Options declare no range
// of their own; a value beyond their elements is refused while parsing.)
void CheckRange(const ParameterInfo& info, float value, std::vector<std::string>& warnings) {
  const float low = info.minimum, high = info.maximum;
  if (info.IsOption() || (value >= low && value <= high)) return;
  char text[200];
  std::snprintf(text, sizeof text, "%s=%g lies outside its range %g..%g; passed unchanged (the plugin does not clamp)",
                info.name.c_str(), static_cast<double>(value), static_cast<double>(low), static_cast<double>(high));
  warnings.push_back(text);
}

bool ParseTrack(const std::string& setting, const ParameterModel& model, ParameterTrack& track,
                std::vector<std::string>& warnings, std::string& error) {
  const size_t equals = setting.find('=');
  if (equals == std::string::npos) {
    error = "--set \"" + setting + "\" has no '=': expected NAME=VALUE";
    return false;
  }
  const std::string name = Trim(setting.substr(0, equals));
  const std::string text = Trim(setting.substr(equals + 1));
  const ParameterInfo* info = model.Find(name);
  if (!info) {
    error = "unknown parameter \"" + name + "\" in --set \"" + setting + "\"; " + model.NameHint(name);
    return false;
  }
  if (info->IsText()) {
    error = info->name + " is a text parameter; this host sets numeric parameters only";
    return false;
  }
  track.index = info->index;
  track.name = info->name;
  track.isSwitch = info->IsBoolean();
  const size_t before = warnings.size();

  // A whole value that names an option element is a constant, whatever characters it holds.
  if (info->IsOption() && info->FindElement(text)) {
    track.kind = ParameterTrack::Kind::Constant;
    return ParseScalar(*info, setting, text, track.from, error);
  }
  const std::string head = Trim(text.substr(0, text.find(':')));
  if (FindSoundFeature(head, track.feature)) {
    track.kind = ParameterTrack::Kind::Sound;
    track.from = info->minimum;
    track.to = info->maximum;
    if (head.size() == text.size()) return true;
    const std::string range = Trim(text.substr(text.find(':') + 1));
    const size_t dots = range.find("..");
    const std::string from = Trim(range.substr(0, dots)), to = dots == std::string::npos ? "" : Trim(range.substr(dots + 2));
    if (from.empty() || to.empty()) {
      error = "malformed sound mapping in --set \"" + setting + "\": expected FEATURE:FROM..TO, such as bass:1..6 (" +
              "features: " + SoundFeatureList() + ")";
      return false;
    }
    if (!ParseScalar(*info, setting, from, track.from, error) || !ParseScalar(*info, setting, to, track.to, error)) {
      return false;
    }
    CheckRange(*info, track.from, warnings);
    CheckRange(*info, track.to, warnings);
  } else if (text.find(':') != std::string::npos) {
    track.kind = ParameterTrack::Kind::Keyframes;
    size_t start = 0;
    while (start <= text.size()) {
      const size_t comma = text.find(',', start);
      const std::string key = Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      const size_t colon = key.find(':');
      int frame = 0;
      float value = 0.0f;
      const std::string valueText = colon == std::string::npos ? "" : Trim(key.substr(colon + 1));
      if (valueText.empty() || !ParseFrame(Trim(key.substr(0, colon)), frame) ||
          (!track.keys.empty() && frame <= track.keys.back().first)) {
        error = "malformed keyframe list in --set \"" + setting +
                "\": expected FRAME:VALUE,FRAME:VALUE with rising frame numbers, such as 0:1,60:5,120:1";
        return false;
      }
      if (!ParseScalar(*info, setting, valueText, value, error)) return false;
      track.keys.emplace_back(frame, value);
      CheckRange(*info, value, warnings);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  } else if (text.find("..") != std::string::npos) {
    track.kind = ParameterTrack::Kind::Ramp;
    const size_t dots = text.find("..");
    const std::string from = Trim(text.substr(0, dots)), to = Trim(text.substr(dots + 2));
    if (from.empty() || to.empty()) {
      error = "malformed ramp in --set \"" + setting + "\": expected FROM..TO, such as 0..1";
      return false;
    }
    if (!ParseScalar(*info, setting, from, track.from, error) || !ParseScalar(*info, setting, to, track.to, error)) {
      return false;
    }
    CheckRange(*info, track.from, warnings);
    CheckRange(*info, track.to, warnings);
  } else {
    track.kind = ParameterTrack::Kind::Constant;
    if (!ParseScalar(*info, setting, text, track.from, error)) return false;
    CheckRange(*info, track.from, warnings);
  }
  // One warning per setting is enough to say the range was left.
  if (warnings.size() > before + 1) warnings.resize(before + 1);
  return true;
}

float Interpolated(const ParameterTrack& track, int frame, int frames, const SoundFeatures* sound) {
  switch (track.kind) {
    case ParameterTrack::Kind::Constant:
      return track.from;
    case ParameterTrack::Kind::Sound: {
      const double heard = sound ? sound->At(frame).Value(track.feature) : 0.0;
      return static_cast<float>(track.from + (static_cast<double>(track.to) - track.from) * heard);
    }
    case ParameterTrack::Kind::Ramp:
      if (frames <= 1) return track.from;
      // In double: the step between two floats of opposite sign can exceed the float range.
      return static_cast<float>(track.from + (static_cast<double>(track.to) - track.from) *
                                                 (static_cast<double>(frame) / (frames - 1)));
    case ParameterTrack::Kind::Keyframes:
      break;
  }
  if (frame <= track.keys.front().first) return track.keys.front().second;
  for (size_t i = 1; i < track.keys.size(); ++i) {
    if (frame <= track.keys[i].first) {
      const auto [f0, v0] = track.keys[i - 1];
      const auto [f1, v1] = track.keys[i];
      return static_cast<float>(v0 + (static_cast<double>(v1) - v0) * (static_cast<double>(frame - f0) / (f1 - f0)));
    }
  }
  return track.keys.back().second;
}

}  // namespace

float ParameterTrack::At(int frame, int frames, const SoundFeatures* sound) const {
  const float value = Interpolated(*this, frame, frames, sound);
  // A switch's ends are 0 and 1: it turns over half-way between them.
  return isSwitch ? (value >= 0.5f ? 1.0f : 0.0f) : value;
}

bool ParameterPlan::Parse(const std::vector<std::string>& settings, const ParameterModel& model, ParameterPlan& plan,
                          std::vector<std::string>& warnings, std::string& error) {
  plan = ParameterPlan();
  plan.modeRule = ModeRule(model);
  for (const auto& setting : settings) {
    ParameterTrack track;
    if (!ParseTrack(setting, model, track, warnings, error)) return false;
    const bool twice = std::any_of(plan.tracks.begin(), plan.tracks.end(),
                                   [&](const ParameterTrack& t) { return t.index == track.index; }) ||
                       (plan.mode && plan.mode->index == track.index);
    if (twice) {
      error = track.name + " is set twice (--set \"" + setting + "\")";
      return false;
    }
    if (plan.modeRule.IsMode(track.index)) {
      plan.mode = std::make_unique<ParameterTrack>(std::move(track));
    } else {
      plan.tracks.push_back(std::move(track));
    }
  }
  return true;
}

void ParameterPlan::Apply(InstanceDriver& driver, int frame, int frames) const {
  if (sound && !sound->frames.empty()) {
    const SoundFrame& heard = sound->At(frame);
    if (heard.tempo > 0.0f) driver.SetBeatInfo(heard.tempo, heard.Value(SoundFeature::Bar));
  }
  const float modeValue = mode ? mode->At(frame, frames, sound) : 0.0f;
  modeRule.ApplyModeFirst(driver, mode ? &modeValue : nullptr, [&](bool) {
    for (const auto& track : tracks) driver.SetValue(track.index, track.At(frame, frames, sound));
  });
}

bool ParameterPlan::FollowsSound() const {
  const auto follows = [](const ParameterTrack& track) { return track.kind == ParameterTrack::Kind::Sound; };
  return std::any_of(tracks.begin(), tracks.end(), follows) || (mode && follows(*mode));
}

}  // namespace hostkit
