#pragma once
// The preview played from outside: OSC from the network (and, with --midi, a MIDI controller)
// reaches the panel through one bounded queue. Input threads check and push; the frame loop
// takes everything waiting before each frame and hands it to the panel's own path (the mode
// rule, presets as the list applies them), so a message changes the value at the next frame
// as a control does. It also counts what was refused, and with --stats times each change from
// its arrival to the first frame shown with it, and the pace of the frames.

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <thread>
#include <vector>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/control/live_stats.h"
#include "tools/hostkit/control/midi_map.h"
#include "tools/hostkit/control/osc_router.h"
#include "tools/hostkit/platform/udp_socket.h"
#include "tools/preview/control_panel.h"
#include "tools/preview/midi_input.h"
#include "tools/preview/osc_packet.h"
#include "tools/preview/preset_shelf.h"

namespace preview {

struct LiveSetup {
  int oscPort = -1;  // -1: no OSC; 0: a port the system picks
  std::string oscBind = "127.0.0.1";
  bool midi = false;
  std::string midiApi = "auto";
  std::string midiPort;  // empty: every input port
  std::string midiMap;   // loaded at the start when it exists, written whenever the bindings change
  std::string presetDir;  // the folder whose preset files /swirlmoss/preset may load; empty: looks only
  bool stats = false;
};

class LiveInput : private OscSink {
 public:
  // Applies preset `name` (a look's name or a file's path), its values read already, through
  // the panel's path.
  using PresetApplier = std::function<void(const std::string& name, const std::vector<ParameterChange>& changes)>;

  LiveInput(const hostkit::ParameterModel& model, LiveSetup setup);
  ~LiveInput() override;
  LiveInput(const LiveInput&) = delete;
  LiveInput& operator=(const LiveInput&) = delete;

  // Opens what the setup asks for. False with a one-line `error` (an OSC port that cannot be
  // bound, a MIDI map that cannot be read); `notes` gets one line per input, for standard
  // error. A missing MIDI system is a note, not an error.
  bool Start(std::string& notes, std::string& error);
  bool Active() const { return osc != nullptr || setup.midi; }

  // MIDI learn: the next control moved drives parameter `index`; the same index again stops.
  void Learn(uint32_t index);
  // At exit: the MIDI map back to --midi-map when a change is not written yet (a write that
  // failed while playing is tried again here).
  bool WriteExitOutputs(std::string& error);

  // On the frame loop, before frame `frame` is drawn: applies every waiting change.
  void Apply(ControlPanel& panel, int frame, const PresetApplier& applyPreset);
  // A frame of the effect began at `seconds` (LiveClock); paces the --stats figures.
  void FrameStarted(double seconds);
  // The frame drawn since the last Apply is on screen: the changes it carries have arrived.
  void FrameShown(double seconds);

  // The panel's section: what listens, what arrived and was refused, the latency so far.
  void Draw(const ControlPanel& panel);
  // For --dump-controls: counts, and the last changes of a value with the frame drawn first
  // with each.
  void Dump(nlohmann::ordered_json& dump, const hostkit::ParameterModel& model) const;
  // For --stats, at exit: frame pace against `fps`, and latency.
  void PrintStats(std::FILE* out, double fps) const;

 private:
  struct Applied {
    int frame = 0;
    uint32_t index = 0;
    float value = 0.0f;
  };
  static constexpr size_t kAppliedKept = 64;

  void Accept(const hostkit::LiveEvent& event) override;
  void Refuse(hostkit::OscRefusal refusal, const std::string& why) override;
  // Counts a refusal of a message counted as received already.
  void Count(hostkit::OscRefusal refusal, const std::string& why);
  // Writes the MIDI map to --midi-map when learning or removing changed the bindings, so that
  // no way of ending the program loses them.
  void KeepMap();
  void ListenOsc();
  void Flush(ControlPanel& panel, int frame);
  void DrawMidi(const ControlPanel& panel);

  const hostkit::ParameterModel& model;
  LiveSetup setup;
  hostkit::OscRouter router;
  hostkit::LiveQueue queue;
  std::unique_ptr<hostkit::UdpReceiver> osc;
  std::thread oscThread;
  std::atomic<bool> stopping{false};
  PresetShelf presets;
  hostkit::MidiMap midiMap;
  bool mapWriteFailed = false;  // tried again at exit, not at every frame
  std::unique_ptr<MidiInput> midi;
  std::atomic<uint64_t> midiReceived{0};
  char mapField[512] = {};
  std::string midiStatus;

  // Counted by the input threads, read by the loop.
  std::atomic<uint64_t> received{0};
  std::atomic<uint64_t> refused[hostkit::kOscRefusalKinds] = {};
  mutable std::mutex refusalLock;
  char lastRefusal[240] = {};

  // The loop's own, sized once.
  std::vector<hostkit::LiveEvent> taken;
  std::vector<float> latest;
  std::vector<uint8_t> touched;
  bool anyTouched = false;
  std::vector<ParameterChange> batch;
  std::vector<double> waiting;  // arrivals applied, not yet on screen
  size_t waitingCount = 0;
  Applied applied[kAppliedKept];
  uint64_t appliedCount = 0;
  hostkit::DurationHistogram latency;
  hostkit::DurationHistogram gaps{0.25, 1000.0};
  double lastFrame = -1.0;
  int framesStarted = 0;
  double firstFrame = 0.0;
  char shownRefusal[240] = {};
};

}  // namespace preview
