#include "tools/obs/source_sound.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tools/hostkit/plugin/instance_driver.h"
#if SWIRLMOSS_OBS_SOUND
#include "tools/hostkit/media/live_sound.h"
#endif

namespace swirlobs {

struct SourceSound::Ear {
#if SWIRLMOSS_OBS_SOUND
  std::unique_ptr<hostkit::LiveSoundAnalyser> analyser;
  std::array<float, 1024> mono{};
#endif
};
namespace {

uint64_t PackBeat(float tempo, float phase) {
  uint32_t words[2];
  std::memcpy(&words[0], &tempo, sizeof tempo);
  std::memcpy(&words[1], &phase, sizeof phase);
  return uint64_t{words[0]} | uint64_t{words[1]} << 32;
}

void UnpackBeat(uint64_t packed, float& tempo, float& phase) {
  const uint32_t words[2] = {static_cast<uint32_t>(packed), static_cast<uint32_t>(packed >> 32)};
  std::memcpy(&tempo, &words[0], sizeof tempo);
  std::memcpy(&phase, &words[1], sizeof phase);
}

}  // namespace

SourceSound::SourceSound() : ear(std::make_unique<Ear>()) {}

SourceSound::~SourceSound() {
  std::lock_guard<std::mutex> guard(listening);
  StopListening();
}

void SourceSound::StopListening() {
  if (heard) obs_source_remove_audio_capture_callback(heard, Heard, this);
  heard = nullptr;
}

void SourceSound::Follow(obs_source_t* parent) {
  if (!SWIRLMOSS_OBS_SOUND || !parent || parent == followed.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> guard(listening);
  if (parent == forgotten) return;
  StopListening();
  followed.store(parent, std::memory_order_relaxed);
  if (!(obs_source_get_output_flags(parent) & OBS_SOURCE_AUDIO)) return;
  heard = parent;
  obs_source_add_audio_capture_callback(heard, Heard, this);
}

void SourceSound::Forget(obs_source_t* parent) {
  std::lock_guard<std::mutex> guard(listening);
  forgotten = parent;
  if (heard == parent) StopListening();
  followed.store(nullptr, std::memory_order_relaxed);
}

void SourceSound::Heard(void* self, obs_source_t*, const audio_data* audio, bool) {
  // Muted or not, the source's sound is what the effect follows: muting takes it out of
  // OBS's mix, not away from the source.
  if (audio && audio->frames > 0) static_cast<SourceSound*>(self)->Hear(*audio);
}

void SourceSound::Hear(const audio_data& audio) {
#if SWIRLMOSS_OBS_SOUND
  std::unique_ptr<hostkit::LiveSoundAnalyser>& analyser = ear->analyser;
  std::array<float, 1024>& mono = ear->mono;
  audio_t* output = obs_get_audio();
  if (!output) return;
  const uint32_t sampleRate = audio_output_get_sample_rate(output);
  const size_t channels = std::min<size_t>(audio_output_get_channels(output), MAX_AV_PLANES);
  if (sampleRate == 0 || channels == 0) return;
  // Made again only when OBS's rate changes, which needs its audio reset.
  if (!analyser || analyser->SampleRate() != static_cast<int>(sampleRate)) {
    analyser = std::make_unique<hostkit::LiveSoundAnalyser>(static_cast<int>(sampleRate));
  }
  // OBS's sound is planar 32-bit float, one plane per channel.
  const float scale = 1.0f / static_cast<float>(channels);
  for (uint32_t done = 0; done < audio.frames;) {
    const uint32_t count = std::min<uint32_t>(audio.frames - done, static_cast<uint32_t>(mono.size()));
    std::fill(mono.begin(), mono.begin() + count, 0.0f);
    for (size_t channel = 0; channel < channels; ++channel) {
      const auto* plane = reinterpret_cast<const float*>(audio.data[channel]);
      if (!plane) continue;
      for (uint32_t i = 0; i < count; ++i) mono[i] += plane[done + i] * scale;
    }
    analyser->Feed(mono.data(), count);
    done += count;
  }
  const hostkit::SoundFrame now = analyser->Now();
  beat.store(PackBeat(now.tempo, now.Value(hostkit::SoundFeature::Bar)), std::memory_order_relaxed);
  rate.store(sampleRate, std::memory_order_release);
#else
  static_cast<void>(audio);
#endif
}

void SourceSound::Send(hostkit::InstanceDriver& driver) {
  const uint32_t sampleRate = rate.load(std::memory_order_acquire);
  if (sampleRate == 0) return;
  if (sampleRate != sentRate) {
    driver.SetSampleRate(sampleRate);
    sentRate = sampleRate;
  }
  float tempo = 0.0f, phase = 0.0f;
  UnpackBeat(beat.load(std::memory_order_relaxed), tempo, phase);
  if (tempo > 0.0f) driver.SetBeatInfo(tempo, phase);
}

}  // namespace swirlobs
