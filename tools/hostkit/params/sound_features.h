#pragma once
// What the sound does at each video frame: the values that parameters can follow
// (`--set "Light=bass:1..6"`) and that the host passes on as tempo and bar phase. They are made
// from a clip's sound by media/sound_analysis.h; docs/audio.md defines each one.

#include <array>
#include <string>
#include <vector>

namespace hostkit {

// The features a parameter can follow, each 0..1.
enum class SoundFeature { Level, Bass, Mid, High, Beat, Onset, Bar };
constexpr int kSoundFeatureCount = 7;

// "level", "bass", ...
const char* SoundFeatureName(SoundFeature feature);
// By name, any case. False when `name` is none of them.
bool FindSoundFeature(const std::string& name, SoundFeature& feature);
// "level, bass, mid, high, beat, onset, bar"
std::string SoundFeatureList();

struct SoundFrame {
  std::array<float, kSoundFeatureCount> values{};  // by SoundFeature
  float tempo = 0.0f;                              // beats per minute; 0 before any beat is heard
  float Value(SoundFeature feature) const { return values[static_cast<size_t>(feature)]; }
};

struct SoundFeatures {
  double fps = 0.0;         // the timeline's rate: frame N is at N / fps seconds
  int sampleRate = 0;       // of the sound they were made from
  std::vector<SoundFrame> frames;  // from frame 0 of the timeline
  // Frame `frame`'s values; a frame past the end gets the last one's (empty: all 0).
  const SoundFrame& At(int frame) const;
};

// The values as CSV, a header line then one line per frame:
// frame,time,level,bass,mid,high,beat,onset,bar,tempo. Values are written with enough digits to
// read back as the same floats.
std::string FormatSoundFeaturesCsv(const SoundFeatures& features);

}  // namespace hostkit
