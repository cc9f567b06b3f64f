#include "tools/hostkit/params/seed.h"

#include <string>

#include "tools/hostkit/params/mode_rule.h"

namespace hostkit {

const ParameterInfo* FindSeed(const ParameterModel& model) {
  const ParameterInfo* seed = model.Find("Seed");
  return seed && seed->IsOption() ? seed : nullptr;
}

std::string SeedName(const ParameterInfo& seed, float value) {
  for (const ParameterElement& element : seed.elements) {
    if (element.value == value) return element.name;
  }
  return std::to_string(value);
}

bool PlanSetsSeed(const ParameterPlan& plan, const ParameterModel& model) {
  const ParameterInfo* seed = FindSeed(model);
  if (!seed) return false;
  for (const ParameterTrack& track : plan.Tracks()) {
    if (track.index == seed->index) return true;
  }
  return false;
}

bool PlanMayPaint(const ParameterPlan& plan, const ParameterModel& model) {
  const ParameterInfo* mode = ModeRule::Find(model);
  if (!mode) return false;
  const ParameterTrack* track = plan.ModeTrack();
  if (!track) return !ModeRule::SelectsSecondMode(mode->defaultValue);
  // Between keyframes, along a ramp and over a feature's range the value runs from one end to
  // the other, so the ends and the keys are the only values to look at.
  bool paints = !ModeRule::SelectsSecondMode(track->from);
  if (track->kind == ParameterTrack::Kind::Ramp || track->kind == ParameterTrack::Kind::Sound) paints = paints || !ModeRule::SelectsSecondMode(track->to);
  if (track->kind == ParameterTrack::Kind::Keyframes) {
    paints = false;
    for (const auto& key : track->keys) paints = paints || !ModeRule::SelectsSecondMode(key.second);
  }
  return paints;
}

}  // namespace hostkit
