#pragma once
// Live sound in: a capture stream on PipeWire (the default source, a named one, or the monitor
// of what the computer plays) or an input port on a running JACK server. The sound arrives as
// mono float blocks on the sound system's own thread, each stamped with the time its first
// sample was captured. Without a sound system the preview says so in one line and plays on;
// the libraries' own complaints are kept off the terminal.

#include <functional>
#include <memory>
#include <string>

namespace preview {

struct AudioCaptureSettings {
  // "auto" (PipeWire when a daemon answers, else a running JACK server), "pipewire" or "jack".
  std::string api = "auto";
  // PipeWire: empty for the default source, "monitor" for what the default sink plays, else a
  // node's name (a sink's name captures what it plays). JACK: empty for the first physical
  // capture port, else the output ports whose name holds this text.
  std::string source;
};

class AudioCapture {
 public:
  // Called on the sound system's thread with each block: `count` mono samples at SampleRate(),
  // the first captured at `captured` seconds (hostkit::LiveClock). Allocates nothing.
  using Receiver = std::function<void(const float* mono, size_t count, double captured)>;

  // Connects to the sound system. Null with one line in `note` when none answers; else `note`
  // says what it will capture from. Nothing arrives before Start.
  static std::unique_ptr<AudioCapture> Open(const AudioCaptureSettings& settings, std::string& note);
  virtual ~AudioCapture() = default;
  // The rate every block comes at.
  virtual int SampleRate() const = 0;
  // Starts the sound flowing into `receive`. False with a one-line `error`.
  virtual bool Start(Receiver receive, std::string& error) = 0;
};

}  // namespace preview
