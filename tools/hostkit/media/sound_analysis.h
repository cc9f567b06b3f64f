#pragma once
// A clip's sound turned into what it does at each video frame (params/sound_features.h): aubio
// follows the beat and finds the onsets, and its phase vocoder gives the energy of three bands;
// loudness and bands are smoothed with an attack and a release, then normalised over the whole
// sound. The values depend only on the sound and on each frame's absolute time, so a piece of a
// render sees what the whole render sees.

#include <array>
#include <string>
#include <vector>

#include "tools/hostkit/media/sound_hop.h"
#include "tools/hostkit/params/sound_features.h"

namespace hostkit {

// Takes mono sound a hop at a time and keeps, per hop, the smoothed loudness and band amplitudes,
// and the times of the beats and onsets.
class SoundAnalyser {
 public:
  static constexpr int kWindow = SoundHop::kWindow;
  static constexpr int kHop = SoundHop::kHop;

  SoundAnalyser(int sampleRate, const SoundTiming& timing = {});
  ~SoundAnalyser();

  // Analyses the next kHop samples.
  void FeedHop(const float* samples);
  // The features of frames 0 to frames - 1 at `fps`, each sampled from the hops heard by that
  // frame's time (silence after the sound's end); with `frames` 0, up to the sound's end.
  SoundFeatures Features(double fps, int frames) const;

  double Seconds() const { return static_cast<double>(hops.size()) * kHop / rate; }

 private:
  int rate;
  SoundTiming timing;
  SoundHop hop;
  std::vector<std::array<float, 4>> hops;    // the envelopes after each hop
  std::vector<double> beats, onsets;         // seconds
  std::vector<double> periods;               // aubio's beat period at each beat, seconds
};

// Decodes the first sound stream of `path` with ffmpeg (mono, 32-bit float, at its own rate) and
// analyses all of it. False with a one-line `error` when the file has no sound or ffmpeg fails.
bool AnalyseClipSound(const std::string& path, double fps, int frames, SoundFeatures& features, std::string& error,
                      const SoundTiming& timing = {});

}  // namespace hostkit
