#pragma once
// A PipeWire client on a thread loop of its own with one audio stream of 32-bit floats, as the
// preview's sound input and its clip playback use it: connecting says in one line why not, the
// stream calls `process` on PipeWire's real-time thread, and dropping it stops all of it.

#include <pipewire/pipewire.h>

#include <string>

namespace preview {

class PipeWireAudio {
 public:
  PipeWireAudio() = default;
  ~PipeWireAudio();
  PipeWireAudio(const PipeWireAudio&) = delete;
  PipeWireAudio& operator=(const PipeWireAudio&) = delete;

  // Starts the loop thread `thread` and connects to the session's daemon. False with one line in
  // `note`.
  bool Connect(const char* thread, std::string& note);
  // Makes the stream from `properties` (taken) and connects it, `channels` (1: mono, 2: left and
  // right) at `rate`, calling `process(data)` for each buffer. False with a one-line `error`
  // naming `what` the stream is.
  bool Start(const std::string& what, pw_properties* properties, pw_direction direction, int channels, int rate,
             void (*process)(void*), void* data, std::string& error);
  // For the process callback.
  pw_stream* Stream() const { return stream; }

 private:
  bool running = false;
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  pw_stream_events events{};
};

}  // namespace preview
