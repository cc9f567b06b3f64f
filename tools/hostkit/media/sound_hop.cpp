#include "tools/hostkit/media/sound_hop.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hostkit {

namespace {
// The bands' edges in Hz: bass up to 250, mid to 4000, high above; nothing below 20.
constexpr double kBassTop = 250.0;
constexpr double kMidTop = 4000.0;
constexpr double kLowest = 20.0;
}  // namespace

double SoundDecibels(float amplitude) {
  return 20.0 * std::log10(std::max(static_cast<double>(amplitude), 1e-9));
}

struct SoundHop::Aubio {
  fvec_t* input = nullptr;
  fvec_t* beat = nullptr;
  fvec_t* onset = nullptr;
  cvec_t* spectrum = nullptr;
  aubio_tempo_t* tempo = nullptr;
  aubio_onset_t* onsets = nullptr;
  aubio_pvoc_t* pvoc = nullptr;
  ~Aubio() {
    if (pvoc) del_aubio_pvoc(pvoc);
    if (onsets) del_aubio_onset(onsets);
    if (tempo) del_aubio_tempo(tempo);
    if (spectrum) del_cvec(spectrum);
    if (onset) del_fvec(onset);
    if (beat) del_fvec(beat);
    if (input) del_fvec(input);
  }
};

SoundHop::SoundHop(int sampleRate, const SoundTiming& timing)
    : rate(sampleRate), timing(timing), aubio(std::make_unique<Aubio>()) {
  const auto samples = static_cast<uint_t>(sampleRate);
  aubio->input = new_fvec(kHop);
  aubio->beat = new_fvec(1);
  aubio->onset = new_fvec(1);
  aubio->spectrum = new_cvec(kWindow);
  aubio->tempo = new_aubio_tempo("default", kWindow, kHop, samples);
  aubio->onsets = new_aubio_onset("default", kWindow, kHop, samples);
  aubio->pvoc = new_aubio_pvoc(kWindow, kHop);
}

SoundHop::~SoundHop() = default;

double SoundHop::Tempo() const { return static_cast<double>(aubio_tempo_get_bpm(aubio->tempo)); }

const SoundHop::Heard& SoundHop::Feed(const float* samples) {
  std::memcpy(aubio->input->data, samples, sizeof(float) * kHop);
  aubio_tempo_do(aubio->tempo, aubio->input, aubio->beat);
  const smpl_t bpm = aubio_tempo_get_bpm(aubio->tempo);
  heard.beat = aubio->beat->data[0] != 0.0f && bpm > 0.0f;
  if (heard.beat) {
    heard.beatSeconds = static_cast<double>(aubio_tempo_get_last_s(aubio->tempo));
    heard.beatPeriod = 60.0 / static_cast<double>(bpm);
  }
  aubio_onset_do(aubio->onsets, aubio->input, aubio->onset);
  heard.onset = aubio->onset->data[0] != 0.0f;
  if (heard.onset) heard.onsetSeconds = static_cast<double>(aubio_onset_get_last_s(aubio->onsets));
  aubio_pvoc_do(aubio->pvoc, aubio->input, aubio->spectrum);

  std::array<double, 4> power{};
  for (int i = 0; i < kHop; ++i) power[0] += static_cast<double>(samples[i]) * samples[i];
  power[0] /= kHop;
  const double binHz = static_cast<double>(rate) / kWindow;
  const uint_t bins = aubio->spectrum->length;
  for (uint_t bin = 1; bin < bins; ++bin) {
    const double hz = bin * binHz, magnitude = aubio->spectrum->norm[bin];
    if (hz < kLowest) continue;
    power[hz < kBassTop ? 1 : hz < kMidTop ? 2 : 3] += magnitude * magnitude;
  }
  // The spectrum's sums scale with the window; a full-scale sine sums to about (kWindow/4)^2.
  const double spectrumScale = 4.0 / kWindow;
  const double hopSeconds = static_cast<double>(kHop) / rate;
  const double rise = 1.0 - std::exp(-hopSeconds / timing.attack);
  const double fall = 1.0 - std::exp(-hopSeconds / timing.release);
  for (size_t channel = 0; channel < 4; ++channel) {
    const double amplitude = channel == 0 ? std::sqrt(power[0]) : std::sqrt(power[channel]) * spectrumScale;
    const double now = heard.envelope[channel];
    heard.envelope[channel] = static_cast<float>(now + (amplitude - now) * (amplitude > now ? rise : fall));
  }
  return heard;
}

}  // namespace hostkit
