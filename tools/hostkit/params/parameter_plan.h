#pragma once
// Parameter values over the frames of a render, from "NAME=VALUE" settings: a constant
// ("Light=2.5", "Mode=Smoke", "Seed=Seed 4", "Night Mode=on"), a linear ramp over the whole
// render ("Spot Spin=0..1") or keyframes with linear steps between them
// ("Light=0:1,60:5,120:1"; before the first and after the last keyframe the value holds), or a
// feature of the sound over a range ("Light=bass:1..6": 1 where the bass is 0, 6 where it is 1;
// "Light=bass" spans the parameter's declared range).
// Each frame's values go in by the mode rule (mode_rule.h): "Mode" first, then the others.

#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/sound_features.h"

namespace hostkit {

class InstanceDriver;

struct ParameterTrack {
  enum class Kind { Constant, Ramp, Keyframes, Sound };
  uint32_t index = 0;
  std::string name;
  Kind kind = Kind::Constant;
  float from = 0.0f;  // the constant, the ramp's first value, or the value at a feature's 0
  float to = 0.0f;    // the ramp's last value, or the value at a feature's 1
  std::vector<std::pair<int, float>> keys;
  bool isSwitch = false;  // off or on at every frame: a ramp or a step between keys turns over half-way
  SoundFeature feature = SoundFeature::Level;  // what a Sound track follows
  // The value at `frame` of a render of `frames` frames; a Sound track reads `sound` (without
  // it, the feature is 0).
  float At(int frame, int frames, const SoundFeatures* sound = nullptr) const;
};

// One value for `info`: an option's element name (any case) or a number within its elements'
// values, for a switch only what switch_value.h allows (on/off, true/false, yes/no, 1/0), else a
// number. False with a one-line `error` (`where`, such as ` in --set "Mode=Smok"`, follows the
// value) listing the options when an option is unknown, and what a switch takes.
bool ParseParameterValue(const ParameterInfo& info, const std::string& text, float& value, std::string& error,
                         const std::string& where = "");

class ParameterPlan {
 public:
  // Parses every setting against the plugin's parameters. False with a one-line `error`
  // naming the setting and the problem (unknown name or option, listing the valid ones; not a
  // number; an option number beyond its elements; malformed ramp or keyframes; set twice).
  // Numbers outside a declared range are kept unchanged, with one line each in `warnings`.
  static bool Parse(const std::vector<std::string>& settings, const ParameterModel& model, ParameterPlan& plan,
                    std::vector<std::string>& warnings, std::string& error);

  // Applies frame `frame` of `frames` to a live instance by the mode rule: "Mode" first, a
  // step of the clock without drawing when it crosses to the other mode, then every other
  // value. With the sound heard (Hear), the frame's tempo and bar phase go first, as a host
  // that knows the music sends them before each frame; nothing before the first beat (tempo 0).
  // Precondition: the instance was made by the plugin this plan was parsed for.
  void Apply(InstanceDriver& driver, int frame, int frames) const;

  // True when a value follows the sound; Hear gives the features values follow and the beat
  // comes from (kept by pointer: they must outlive the plan's use).
  bool FollowsSound() const;
  void Hear(const SoundFeatures* features) { sound = features; }

  const std::vector<ParameterTrack>& Tracks() const { return tracks; }
  const ParameterTrack* ModeTrack() const { return mode.get(); }
  bool Empty() const { return tracks.empty() && !mode; }

 private:
  std::vector<ParameterTrack> tracks;  // everything but "Mode"
  std::unique_ptr<ParameterTrack> mode;
  ModeRule modeRule;
  const SoundFeatures* sound = nullptr;
};

}  // namespace hostkit
