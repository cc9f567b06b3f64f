#pragma once
// The sound of the source a filter is on: OBS hands each audio source's sound, as delivered,
// to capture callbacks on the thread that delivers it. There it is mixed to mono and heard by the
// host library's live analyser; the tempo and bar phase it hears reach the graphics thread through
// one atomic word, and are sent to the plugin before each frame, the sample rate first and again
// whenever it changes. A source without sound, or a module built without aubio
// (SWIRLMOSS_OBS_SOUND off), sends nothing.

#include <obs-module.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace hostkit {
class InstanceDriver;
}  // namespace hostkit

namespace swirlobs {

class SourceSound {
 public:
  SourceSound();
  // Stops listening; no callback runs after it.
  ~SourceSound();
  SourceSound(const SourceSound&) = delete;
  SourceSound& operator=(const SourceSound&) = delete;

  // Graphics thread, each frame: starts listening to `parent` (the filter's source) the first
  // time it is seen, if it has sound. A source the filter was removed from is never listened
  // to again: a frame drawn while OBS removes the filter must not start listening anew.
  void Follow(obs_source_t* parent);
  // OBS's filter_remove: stops listening to `parent`.
  void Forget(obs_source_t* parent);

  // Graphics thread, before a frame: the sample rate when it is new to `driver` and the tempo
  // and bar phase heard last, once a beat has been heard. Nothing is allocated.
  void Send(hostkit::InstanceDriver& driver);
  // The next Send goes to a new instance: it sends the sample rate again.
  void NewInstance() { sentRate = 0; }

 private:
  static void Heard(void* self, obs_source_t* source, const audio_data* audio, bool muted);
  void Hear(const audio_data& audio);
  void StopListening();

  // Registration, from the graphics thread (Follow) and OBS's (Forget, the destructor).
  std::mutex listening;
  std::atomic<obs_source_t*> followed{nullptr};  // the parent Follow last settled on
  obs_source_t* heard = nullptr;                  // the parent whose sound the callback takes
  obs_source_t* forgotten = nullptr;

  // The analyser and its buffer: the callback's thread only (OBS runs one source's callbacks
  // one at a time).
  struct Ear;
  std::unique_ptr<Ear> ear;

  // From the callback to the graphics thread.
  std::atomic<uint32_t> rate{0};    // 0 until sound has been heard
  std::atomic<uint64_t> beat{0};    // tempo and bar phase, the two floats' bits

  uint32_t sentRate = 0;  // the graphics thread's
};

}  // namespace swirlobs
