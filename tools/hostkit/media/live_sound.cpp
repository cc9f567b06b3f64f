#include "tools/hostkit/media/live_sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hostkit {

namespace {
constexpr double kGapTolerance = 0.15;  // of a period
}  // namespace

LiveSoundAnalyser::LiveSoundAnalyser(int sampleRate, const SoundTiming& timing)
    : rate(sampleRate), timing(timing), hop(sampleRate, timing) {
  referenceDb.fill(kQuietestReferenceDb);
}

void LiveSoundAnalyser::Feed(const float* samples, size_t count) {
  while (count > 0) {
    const size_t take = std::min(count, pending.size() - pendingCount);
    std::memcpy(pending.data() + pendingCount, samples, take * sizeof(float));
    pendingCount += take;
    samples += take;
    count -= take;
    if (pendingCount == pending.size()) {
      Hear(pending.data());
      pendingCount = 0;
    }
  }
}

void LiveSoundAnalyser::Hear(const float* hopSamples) {
  const SoundHop::Heard& heard = hop.Feed(hopSamples);
  ++hopsHeard;
  const double now = Seconds();
  const double sink = kReferenceFallDbPerSecond * SoundHop::kHop / rate;
  envelope = heard.envelope;
  for (size_t channel = 0; channel < 4; ++channel) {
    referenceDb[channel] = std::max({referenceDb[channel] - sink, SoundDecibels(envelope[channel]), kQuietestReferenceDb});
  }
  if (heard.beat) AddBeat(heard.beatSeconds, heard.beatPeriod);
  if (heard.onset) lastOnset = now;
}

void LiveSoundAnalyser::AddBeat(double seconds, double trackerPeriod) {
  const size_t last = (beatsHeard + kRecentBeats - 1) % kRecentBeats, slot = beatsHeard % kRecentBeats;
  double number = 0.0;
  if (beatsHeard > 0) {
    // A gap of a whole number of periods (within kGapTolerance of one) holds beats the tracker
    // left out; any other gap is a change in the music and starts the period afresh.
    const double period = gridPeriod > 0.0 ? gridPeriod : trackerPeriod;
    const double gap = seconds - recentBeats[last], steps = std::max(1.0, std::round(gap / period));
    number = recentNumbers[last] + steps;
    if (std::fabs(gap / steps - period) >= kGapTolerance * period) {
      beatsHeard = 1;  // only this beat counts towards the period from now on
      recentBeats[0] = seconds;
      recentNumbers[0] = number;
      gridPeriod = trackerPeriod;
      return;
    }
  }
  recentBeats[slot] = seconds;
  recentNumbers[slot] = number;
  ++beatsHeard;
  // The period: the slope of a least-squares line through the recent beats, time against number.
  const size_t count = std::min(beatsHeard, kRecentBeats);
  if (count < 2) {
    gridPeriod = trackerPeriod;
    return;
  }
  double sn = 0, st = 0, snn = 0, snt = 0;
  for (size_t i = 0; i < count; ++i) {
    const double n = recentNumbers[i] - number, t = recentBeats[i] - seconds;
    sn += n;
    st += t;
    snn += n * n;
    snt += n * t;
  }
  const double points = static_cast<double>(count), spread = points * snn - sn * sn;
  gridPeriod = spread > 0.0 ? (points * snt - sn * st) / spread : trackerPeriod;
}

SoundFrame LiveSoundAnalyser::Now() const {
  SoundFrame frame;
  const double loudestBand = std::max({referenceDb[1], referenceDb[2], referenceDb[3]});
  for (size_t channel = 0; channel < 4; ++channel) {
    const double top = channel == 0 ? referenceDb[0] : std::max(referenceDb[channel], loudestBand - kBandSpreadDb);
    const double value = (SoundDecibels(envelope[channel]) - (top - kRangeDb)) / kRangeDb;
    frame.values[channel] = static_cast<float>(std::clamp(value, 0.0, 1.0));
  }
  const double now = Seconds();
  const auto pulse = [&](double since) {
    if (since < 0.0) return 0.0f;
    return static_cast<float>(std::clamp(1.0 - (now - since) / timing.pulse, 0.0, 1.0));
  };
  frame.values[static_cast<size_t>(SoundFeature::Onset)] = pulse(lastOnset);
  if (beatsHeard > 0 && gridPeriod > 0.0) {
    const size_t last = (beatsHeard - 1) % kRecentBeats;
    const double position = recentNumbers[last] + (now - recentBeats[last]) / gridPeriod;
    frame.values[static_cast<size_t>(SoundFeature::Beat)] =
        pulse(recentBeats[last] + (std::floor(position) - recentNumbers[last]) * gridPeriod);
    const double inBar = position / timing.beatsPerBar;
    frame.values[static_cast<size_t>(SoundFeature::Bar)] = static_cast<float>(inBar - std::floor(inBar));
    frame.tempo = static_cast<float>(60.0 / gridPeriod);
  }
  return frame;
}

}  // namespace hostkit
