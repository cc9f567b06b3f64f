#include "tools/hostkit/media/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/hostkit/media/media_probe.h"
#include "tools/hostkit/platform/child_process.h"

namespace hostkit {

namespace {

// Loudness and bands span at most kDeepestDb and at least kShallowestDb below their peak; a band
// counts as quiet as kBandSpreadDb below the loudest band's peak at the most.
constexpr double kDeepestDb = 60.0;
constexpr double kShallowestDb = 12.0;

double Decibels(float amplitude) { return SoundDecibels(amplitude); }

// Per channel, the decibel range mapped to 0..1: the clip's peak at the top, its 5th
// percentile (within kShallowestDb..kDeepestDb below the peak) at the bottom.
struct Scale {
  double floor = 0.0, peak = 0.0;
  bool silent = true;
  float Apply(float amplitude) const {
    if (silent) return 0.0f;
    const double db = Decibels(amplitude);
    if (peak - floor < 1e-3) return db >= peak - 1e-3 ? 1.0f : 0.0f;
    return static_cast<float>(std::clamp((db - floor) / (peak - floor), 0.0, 1.0));
  }
};

Scale ScaleOf(const std::vector<std::array<float, 4>>& hops, size_t channel, double lowestPeak) {
  Scale scale;
  if (hops.empty()) return scale;
  std::vector<double> db(hops.size());
  for (size_t i = 0; i < hops.size(); ++i) db[i] = Decibels(hops[i][channel]);
  scale.peak = std::max(*std::max_element(db.begin(), db.end()), lowestPeak);
  scale.silent = scale.peak <= Decibels(0.0f) + 1.0;
  auto fifth = db.begin() + static_cast<std::ptrdiff_t>(db.size() / 20);
  std::nth_element(db.begin(), fifth, db.end());
  scale.floor = std::clamp(*fifth, scale.peak - kDeepestDb, scale.peak - kShallowestDb);
  return scale;
}

// 1 at the frame nearest each event, falling to 0 over `pulseFrames`.
void Pulses(const std::vector<double>& times, double fps, double pulseFrames, SoundFeature feature,
            std::vector<SoundFrame>& frames) {
  const size_t slot = static_cast<size_t>(feature);
  const int count = static_cast<int>(frames.size());
  for (size_t i = 0; i < times.size(); ++i) {
    const long long first = std::llround(times[i] * fps);
    for (long long frame = std::max(0LL, first); frame < count; ++frame) {
      const double value = 1.0 - static_cast<double>(frame - first) / pulseFrames;
      if (value <= 0.0) break;
      float& target = frames[static_cast<size_t>(frame)].values[slot];
      target = std::max(target, static_cast<float>(value));
    }
  }
}

// aubio's tracker hears the tempo and the phase well but reports only some of the beats (none at
// all in some stretches of a steady click track). The grid puts back the beats it left out: a
// gap between two heard beats that is close to a whole number of aubio's periods is split evenly,
// and before the first heard beat the grid runs back to the first onset. A gap that fits no whole
// number of periods is a change in the music, and stays a gap.
constexpr double kGapTolerance = 0.15;  // of a period

struct Grid {
  std::vector<double> beats, number;  // seconds; the whole periods since the grid's start
  std::vector<double> period;         // seconds, around each beat
};

Grid FillGrid(const std::vector<double>& heard, const std::vector<double>& guess, double firstOnset) {
  Grid grid;
  if (heard.empty()) return grid;
  int before = 0;
  while (heard[0] - (before + 1) * guess[0] >= firstOnset - kGapTolerance * guess[0]) ++before;
  for (int back = before; back > 0; --back) {
    grid.beats.push_back(heard[0] - back * guess[0]);
    grid.number.push_back(before - back);
  }
  grid.beats.push_back(heard[0]);
  grid.number.push_back(before);
  for (size_t i = 1; i < heard.size(); ++i) {
    const double gap = heard[i] - heard[i - 1], steps = std::max(1.0, std::round(gap / guess[i - 1]));
    if (std::fabs(gap / steps - guess[i - 1]) < kGapTolerance * guess[i - 1]) {
      for (int missed = 1; missed < steps; ++missed) {
        grid.beats.push_back(heard[i - 1] + gap * missed / steps);
        grid.number.push_back(grid.number.back() + 1.0);
      }
      grid.number.push_back(grid.number.back() + 1.0);
    } else {
      grid.number.push_back(grid.number.back() + steps);
    }
    grid.beats.push_back(heard[i]);
  }
  // The period around each beat: the slope of a least-squares line through the beats within
  // eight of it, time against number.
  const size_t count = grid.beats.size();
  grid.period.resize(count, guess[0]);
  for (size_t i = 0; i < count && count > 1; ++i) {
    const size_t from = i >= 8 ? i - 8 : 0, to = std::min(count - 1, i + 8);
    double sn = 0, st = 0, snn = 0, snt = 0;
    const double points = static_cast<double>(to - from + 1);
    for (size_t j = from; j <= to; ++j) {
      const double n = grid.number[j] - grid.number[i], t = grid.beats[j] - grid.beats[i];
      sn += n;
      st += t;
      snn += n * n;
      snt += n * t;
    }
    const double spread = points * snn - sn * sn;
    if (spread > 0.0) grid.period[i] = (points * snt - sn * st) / spread;
  }
  return grid;
}

// Per frame from the grid: the beat pulse, the tempo, and the bar phase (the position between
// two beats linear in time; the bar starts on the grid's first beat).
void BeatGrid(const Grid& grid, double fps, double pulseFrames, int beatsPerBar, std::vector<SoundFrame>& frames) {
  Pulses(grid.beats, fps, pulseFrames, SoundFeature::Beat, frames);
  if (grid.beats.size() < 2) return;
  const std::vector<double>& beats = grid.beats;
  const size_t bar = static_cast<size_t>(SoundFeature::Bar);
  for (size_t frame = 0; frame < frames.size(); ++frame) {
    const double t = static_cast<double>(frame) / fps;
    const size_t next = static_cast<size_t>(std::upper_bound(beats.begin(), beats.end(), t) - beats.begin());
    const size_t near = next == 0 ? 0 : next - 1;
    double position;
    if (next == 0 || next == beats.size()) {
      position = grid.number[near] + (t - beats[near]) / grid.period[near];
    } else {
      position = grid.number[near] +
                 (grid.number[next] - grid.number[near]) * (t - beats[near]) / (beats[next] - beats[near]);
    }
    const double inBar = position / beatsPerBar;
    frames[frame].values[bar] = static_cast<float>(inBar - std::floor(inBar));
    frames[frame].tempo = static_cast<float>(60.0 / grid.period[near]);
  }
}

}  // namespace

SoundAnalyser::SoundAnalyser(int sampleRate, const SoundTiming& timing)
    : rate(sampleRate), timing(timing), hop(sampleRate, timing) {}

SoundAnalyser::~SoundAnalyser() = default;

void SoundAnalyser::FeedHop(const float* samples) {
  const SoundHop::Heard& heard = hop.Feed(samples);
  if (heard.beat) {
    beats.push_back(heard.beatSeconds);
    periods.push_back(heard.beatPeriod);
  }
  if (heard.onset) onsets.push_back(heard.onsetSeconds);
  hops.push_back(heard.envelope);
}

SoundFeatures SoundAnalyser::Features(double fps, int frames) const {
  SoundFeatures features;
  features.fps = fps;
  features.sampleRate = rate;
  if (frames <= 0) frames = static_cast<int>(std::ceil(Seconds() * fps));
  features.frames.resize(static_cast<size_t>(std::max(frames, 0)));
  std::array<Scale, 4> scales;
  double loudestBand = Decibels(0.0f);
  for (size_t channel = 0; channel < 4; ++channel) {
    scales[channel] = ScaleOf(hops, channel, Decibels(0.0f));
    if (channel > 0) loudestBand = std::max(loudestBand, scales[channel].peak);
  }
  for (size_t channel = 1; channel < 4; ++channel) scales[channel] = ScaleOf(hops, channel, loudestBand - kBandSpreadDb);
  for (size_t frame = 0; frame < features.frames.size(); ++frame) {
    // The last hop that ended by this frame's time.
    const auto heard = static_cast<long long>(std::floor(static_cast<double>(frame) / fps * rate / kHop)) - 1;
    if (heard < 0 || heard >= static_cast<long long>(hops.size())) continue;
    for (size_t channel = 0; channel < 4; ++channel) {
      features.frames[frame].values[channel] = scales[channel].Apply(hops[static_cast<size_t>(heard)][channel]);
    }
  }
  const double pulseFrames = std::max(timing.pulse * fps, 1.0);
  Pulses(onsets, fps, pulseFrames, SoundFeature::Onset, features.frames);
  const Grid grid = FillGrid(beats, periods, onsets.empty() ? 0.0 : onsets.front());
  BeatGrid(grid, fps, pulseFrames, timing.beatsPerBar, features.frames);
  return features;
}

bool AnalyseClipSound(const std::string& path, double fps, int frames, SoundFeatures& features, std::string& error,
                      const SoundTiming& timing) {
  std::string ffmpeg, ffprobe;
  if (!FindProgram("ffmpeg", ffmpeg) || !FindProgram("ffprobe", ffprobe)) {
    error = "ffmpeg is not installed: hearing the sound of " + path + " needs it (scripts/setup.sh installs it)";
    return false;
  }
  std::string missing;
  if (!SoundHop::Available(missing)) {
    error = "cannot hear the sound of " + path + ": " + missing;
    return false;
  }
  MediaFacts facts;
  if (!ProbeMedia(ffprobe, {"-i", "file:" + path}, facts, error)) return false;
  if (!facts.hasAudio || facts.audioRate <= 0) {
    error = path + " has no sound to follow";
    return false;
  }
  ChildOptions options;
  options.arguments = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-i", "file:" + path,
                       "-map", "0:a:0", "-ac", "1", "-c:a", "pcm_f32le", "-f", "f32le", "-"};
  options.pipeOutput = true;
  auto child = ChildProcess::Start(options, error);
  if (!child) return false;
  SoundAnalyser analyser(facts.audioRate, timing);
  std::vector<float> hop(SoundAnalyser::kHop);
  const size_t hopBytes = hop.size() * sizeof(float);
  for (;;) {
    size_t got = 0;
    if (!child->Read(reinterpret_cast<uint8_t*>(hop.data()), hopBytes, got, error)) return false;
    if (got == 0) break;
    if (got < hopBytes) std::memset(reinterpret_cast<uint8_t*>(hop.data()) + got, 0, hopBytes - got);
    analyser.FeedHop(hop.data());
    if (got < hopBytes) break;
  }
  std::string outcome;
  if (!child->Wait(outcome)) {
    const std::string said = child->LogTail(2);
    error = "cannot decode the sound of " + path + ": " + (said.empty() ? "ffmpeg " + outcome : said);
    return false;
  }
  features = analyser.Features(fps, frames);
  return true;
}

}  // namespace hostkit
