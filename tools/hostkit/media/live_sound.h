#pragma once
// Sound heard as it arrives (a microphone, what the computer plays, a source's audio in another
// host), read at any moment as the features of params/sound_features.h. Unlike a clip's analysis
// it cannot know the loudest moment to come: loudness and bands are scaled against a reference
// that rises at once to anything louder and sinks back slowly (kReferenceFallDbPerSecond), so a
// quiet room does not swell to 1 and a loud song uses the whole range within a few seconds.
// aubio's tracker reports only some of the beats, so the beats it reports set a grid (the last
// one and the period between the recent ones) that carries on between them: "beat" pulses on
// every beat of the grid, and the bar phase counts them. Onsets pulse from the hop they are heard in.
//
// Single-threaded: feed and read it on one thread (the audio thread), and hand what Now() gives
// to other threads.

#include <array>
#include <cstddef>

#include "tools/hostkit/media/sound_hop.h"
#include "tools/hostkit/params/sound_features.h"

namespace hostkit {

class LiveSoundAnalyser {
 public:
  // How far the loudness reference sinks per second of quieter sound, and the range under it
  // that maps onto 0..1. The reference never sinks below kQuietestReferenceDb (full scale is
  // 0 dB), so near-silence reads as near 0.
  static constexpr double kReferenceFallDbPerSecond = 1.0;
  static constexpr double kRangeDb = 30.0;
  static constexpr double kQuietestReferenceDb = -45.0;

  explicit LiveSoundAnalyser(int sampleRate, const SoundTiming& timing = {});

  // Mono samples, any number at a time; every whole hop is analysed. Allocates nothing.
  void Feed(const float* samples, size_t count);
  // The features at the end of what was fed: values 0..1, the tempo in beats per minute (0
  // until a beat is heard) and the bar phase in the `bar` feature.
  SoundFrame Now() const;

  int SampleRate() const { return rate; }
  // Sound analysed so far, seconds.
  double Seconds() const { return static_cast<double>(hopsHeard) * SoundHop::kHop / rate; }

 private:
  void Hear(const float* hopSamples);
  void AddBeat(double seconds, double trackerPeriod);
  int rate;
  SoundTiming timing;
  SoundHop hop;
  std::array<float, SoundHop::kHop> pending{};
  size_t pendingCount = 0;
  long long hopsHeard = 0;
  std::array<float, 4> envelope{};
  std::array<double, 4> referenceDb;
  double lastOnset = -1.0;  // seconds heard when it came; < 0: none yet
  // The grid: the last reported beat (seconds), its number counted from the first, the period,
  // and the recent reported beats the period is measured from.
  static constexpr size_t kRecentBeats = 8;
  std::array<double, kRecentBeats> recentBeats{};
  std::array<double, kRecentBeats> recentNumbers{};
  size_t beatsHeard = 0;
  double gridPeriod = 0.0;
};

}  // namespace hostkit
