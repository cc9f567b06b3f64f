// --set values: each line of the input is one NAME=VALUE setting (a constant, a ramp FROM..TO,
// keyframes FRAME:VALUE,... or a feature of the sound FEATURE:FROM..TO), parsed as one command line against a model of every kind of
// parameter. A plan that parses gives a finite value for every parameter at every frame of a
// render, and a switch 0 or 1 at every frame.

#include <cmath>
#include <string>
#include <vector>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/params/parameter_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const hostkit::ParameterModel model = fuzzcheck::EveryKindModel();
  static const hostkit::SoundFeatures sound = [] {
    hostkit::SoundFeatures features;
    features.frames.resize(3);
    features.frames[1].values.fill(1.0f);
    features.frames[2].values.fill(0.5f);
    return features;
  }();
  const std::string input = fuzzcheck::Text(data, size);
  std::vector<std::string> settings;
  for (size_t start = 0; start <= input.size();) {
    const size_t end = input.find('\n', start);
    settings.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;
  std::string error;
  const bool ok = hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error);
  fuzzcheck::CheckRefusal(ok, error, input, "ParameterPlan::Parse");
  for (const auto& warning : warnings) fuzzcheck::Check(!fuzzcheck::HasLineBreak(warning), "a warning of two lines: " + warning);
  if (!ok) return 0;

  std::vector<const hostkit::ParameterTrack*> tracks;
  for (const auto& track : plan.Tracks()) tracks.push_back(&track);
  if (plan.ModeTrack()) tracks.push_back(plan.ModeTrack());
  for (const hostkit::ParameterTrack* track : tracks) {
    for (size_t i = 1; i < track->keys.size(); ++i) {
      fuzzcheck::Check(track->keys[i - 1].first < track->keys[i].first, track->name + ": keyframes out of order");
    }
    for (const int frames : {1, 2, 7, 1000000000}) {
      for (const int frame : {0, frames / 3, frames / 2, frames - 1}) {
        const float value = track->At(frame, frames, &sound);
        fuzzcheck::Check(std::isfinite(value), track->name + ": not finite at frame " + std::to_string(frame) + " of " +
                                                   std::to_string(frames));
        fuzzcheck::Check(!model.Parameters()[track->index].IsBoolean() || value == 0.0f || value == 1.0f,
                         track->name + ": a switch half on at frame " + std::to_string(frame));
      }
    }
  }
  return 0;
}
