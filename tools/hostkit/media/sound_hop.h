#pragma once
// One look at the sound every hop: aubio's beat tracker, its onset detector and its phase
// vocoder over the last kWindow samples, and the loudness and three band amplitudes smoothed
// with an attack and a release. The clip's analysis (sound_analysis.h) and the live one
// (live_sound.h) both hear through it.

#include <array>
#include <memory>
#include <string>

namespace hostkit {

struct SoundTiming {
  double attack = 0.010;   // seconds for loudness and bands to rise ~63% of the way to a new level
  double release = 0.250;  // the same, falling
  double pulse = 0.250;    // seconds for "beat" and "onset" to fall from 1 to 0
  int beatsPerBar = 4;
};

// A band's scale never reaches further down than this below the loudest band's peak, so the
// faint spill of a tone into a band that holds nothing stays near 0.
constexpr double kBandSpreadDb = 40.0;

// Decibels of an amplitude (full scale 0 dB), with silence at -180 dB rather than -infinity.
double SoundDecibels(float amplitude);

class SoundHop {
 public:
  static constexpr int kWindow = 1024;  // samples the spectrum and the trackers look at
  static constexpr int kHop = 512;      // samples between two looks

  struct Heard {
    std::array<float, 4> envelope{};  // level, bass, mid, high: smoothed amplitudes
    bool beat = false;                // the tracker placed a beat in this hop
    double beatSeconds = 0.0;         // where, from the start of the sound
    double beatPeriod = 0.0;          // the tracker's beat period then, seconds
    bool onset = false;
    double onsetSeconds = 0.0;
  };

  // Whether aubio can be opened (it is loaded at the first use, not linked); false with a
  // one-line `error` when it cannot. A SoundHop made without it hears silence.
  static bool Available(std::string& error);

  SoundHop(int sampleRate, const SoundTiming& timing);
  ~SoundHop();
  SoundHop(const SoundHop&) = delete;
  SoundHop& operator=(const SoundHop&) = delete;

  // Hears the next kHop samples; allocates nothing.
  const Heard& Feed(const float* samples);
  // The tracker's tempo now, beats per minute (0 until it has one).
  double Tempo() const;

 private:
  struct Aubio;
  int rate;
  SoundTiming timing;
  std::unique_ptr<Aubio> aubio;
  Heard heard;
};

}  // namespace hostkit
