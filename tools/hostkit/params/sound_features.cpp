#include "tools/hostkit/params/sound_features.h"

#include <cstdio>

#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {
namespace {

constexpr const char* kNames[kSoundFeatureCount] = {"level", "bass", "mid", "high", "beat", "onset", "bar"};

}  // namespace

const char* SoundFeatureName(SoundFeature feature) { return kNames[static_cast<int>(feature)]; }

bool FindSoundFeature(const std::string& name, SoundFeature& feature) {
  for (int i = 0; i < kSoundFeatureCount; ++i) {
    if (SameName(name, kNames[i])) {
      feature = static_cast<SoundFeature>(i);
      return true;
    }
  }
  return false;
}

std::string SoundFeatureList() {
  std::string list;
  for (const char* name : kNames) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

const SoundFrame& SoundFeatures::At(int frame) const {
  static const SoundFrame silence;
  if (frames.empty()) return silence;
  if (frame < 0) return frames.front();
  return frames[static_cast<size_t>(frame) < frames.size() ? static_cast<size_t>(frame) : frames.size() - 1];
}

std::string FormatSoundFeaturesCsv(const SoundFeatures& features) {
  std::string csv = "frame,time";
  for (const char* name : kNames) csv += std::string(",") + name;
  csv += ",tempo\n";
  char field[40];
  for (size_t frame = 0; frame < features.frames.size(); ++frame) {
    std::snprintf(field, sizeof field, "%zu,%.6f", frame, features.fps > 0.0 ? frame / features.fps : 0.0);
    csv += field;
    const SoundFrame& values = features.frames[frame];
    for (const float value : values.values) {
      std::snprintf(field, sizeof field, ",%.9g", static_cast<double>(value));
      csv += field;
    }
    std::snprintf(field, sizeof field, ",%.9g\n", static_cast<double>(values.tempo));
    csv += field;
  }
  return csv;
}

}  // namespace hostkit
