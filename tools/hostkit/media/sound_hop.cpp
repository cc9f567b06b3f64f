#include "tools/hostkit/media/sound_hop.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "tools/hostkit/platform/shared_library.h"

namespace hostkit {

namespace {
// The bands' edges in Hz: bass up to 250, mid to 4000, high above; nothing below 20.
constexpr double kBassTop = 250.0;
constexpr double kMidTop = 4000.0;
constexpr double kLowest = 20.0;
}  // namespace

// aubio is opened when sound is first heard, not linked: the Debian build of the library brings
// ffmpeg's libraries and their codecs along (well over a hundred megabytes), which a machine that
// renders without sound, or the GPU check's folder, need not have.
namespace {

constexpr const char* kAubioLibrary = "libaubio.so.5";  // aubio 0.4's, on Debian 12 and 13

#define SWIRLMOSS_AUBIO_FUNCTIONS(X)                                                                 \
  X(new_fvec) X(del_fvec) X(new_cvec) X(del_cvec) X(new_aubio_tempo) X(del_aubio_tempo)             \
  X(aubio_tempo_do) X(aubio_tempo_get_bpm) X(aubio_tempo_get_last_s) X(new_aubio_onset)             \
  X(del_aubio_onset) X(aubio_onset_do) X(aubio_onset_get_last_s) X(new_aubio_pvoc) X(del_aubio_pvoc) \
  X(aubio_pvoc_do)

struct AubioLibrary {
#define SWIRLMOSS_AUBIO_POINTER(name) decltype(&::name) name = nullptr;
  SWIRLMOSS_AUBIO_FUNCTIONS(SWIRLMOSS_AUBIO_POINTER)
#undef SWIRLMOSS_AUBIO_POINTER
  bool loaded = false;
  std::string error;
};

const AubioLibrary& OpenAubio() {
  static AubioLibrary api;
  static std::once_flag once;
  std::call_once(once, [] {
    std::string error;
    // Kept open for the life of the process (never closed, not even at exit, when a sound
    // thread may still be in it); held by a static so the leak checker sees it is not lost.
    static SharedLibrary* library = nullptr;
    library = SharedLibrary::Open(kAubioLibrary, error).release();
    if (!library) {
      api.error = std::string("aubio is not installed (") + kAubioLibrary + ": " + error + ")";
      return;
    }
    bool complete = true;
#define SWIRLMOSS_AUBIO_FIND(name)                                          \
  api.name = reinterpret_cast<decltype(api.name)>(library->Symbol(#name)); \
  complete = complete && api.name != nullptr;
    SWIRLMOSS_AUBIO_FUNCTIONS(SWIRLMOSS_AUBIO_FIND)
#undef SWIRLMOSS_AUBIO_FIND
    api.loaded = complete;
    if (!complete) api.error = std::string(kAubioLibrary) + " lacks functions of aubio 0.4";
  });
  return api;
}

}  // namespace

bool SoundHop::Available(std::string& error) {
  const AubioLibrary& api = OpenAubio();
  if (!api.loaded) error = api.error;
  return api.loaded;
}

double SoundDecibels(float amplitude) {
  return 20.0 * std::log10(std::max(static_cast<double>(amplitude), 1e-9));
}

struct SoundHop::Aubio {
  const AubioLibrary& api = OpenAubio();
  fvec_t* input = nullptr;
  fvec_t* beat = nullptr;
  fvec_t* onset = nullptr;
  cvec_t* spectrum = nullptr;
  aubio_tempo_t* tempo = nullptr;
  aubio_onset_t* onsets = nullptr;
  aubio_pvoc_t* pvoc = nullptr;
  ~Aubio() {
    if (pvoc) api.del_aubio_pvoc(pvoc);
    if (onsets) api.del_aubio_onset(onsets);
    if (tempo) api.del_aubio_tempo(tempo);
    if (spectrum) api.del_cvec(spectrum);
    if (onset) api.del_fvec(onset);
    if (beat) api.del_fvec(beat);
    if (input) api.del_fvec(input);
  }
};

SoundHop::SoundHop(int sampleRate, const SoundTiming& timing)
    : rate(sampleRate), timing(timing) {
  if (!OpenAubio().loaded) return;  // hears nothing: Available() said why
  aubio = std::make_unique<Aubio>();
  const AubioLibrary& api = aubio->api;
  const auto samples = static_cast<uint_t>(sampleRate);
  aubio->input = api.new_fvec(kHop);
  aubio->beat = api.new_fvec(1);
  aubio->onset = api.new_fvec(1);
  aubio->spectrum = api.new_cvec(kWindow);
  aubio->tempo = api.new_aubio_tempo("default", kWindow, kHop, samples);
  aubio->onsets = api.new_aubio_onset("default", kWindow, kHop, samples);
  aubio->pvoc = api.new_aubio_pvoc(kWindow, kHop);
  if (!aubio->input || !aubio->beat || !aubio->onset || !aubio->spectrum || !aubio->tempo || !aubio->onsets ||
      !aubio->pvoc) {
    aubio.reset();
  }
}

SoundHop::~SoundHop() = default;

double SoundHop::Tempo() const {
  return aubio ? static_cast<double>(aubio->api.aubio_tempo_get_bpm(aubio->tempo)) : 0.0;
}

const SoundHop::Heard& SoundHop::Feed(const float* samples) {
  if (!aubio) return heard;
  const AubioLibrary& api = aubio->api;
  std::memcpy(aubio->input->data, samples, sizeof(float) * kHop);
  api.aubio_tempo_do(aubio->tempo, aubio->input, aubio->beat);
  const smpl_t bpm = api.aubio_tempo_get_bpm(aubio->tempo);
  heard.beat = aubio->beat->data[0] != 0.0f && bpm > 0.0f;
  if (heard.beat) {
    heard.beatSeconds = static_cast<double>(api.aubio_tempo_get_last_s(aubio->tempo));
    heard.beatPeriod = 60.0 / static_cast<double>(bpm);
  }
  api.aubio_onset_do(aubio->onsets, aubio->input, aubio->onset);
  heard.onset = aubio->onset->data[0] != 0.0f;
  if (heard.onset) heard.onsetSeconds = static_cast<double>(api.aubio_onset_get_last_s(aubio->onsets));
  api.aubio_pvoc_do(aubio->pvoc, aubio->input, aubio->spectrum);

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
