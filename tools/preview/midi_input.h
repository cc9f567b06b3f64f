#pragma once
// MIDI in through RtMidi, on ALSA's sequencer or a JACK server: every input port (or those
// whose name holds --midi-port's text) and a virtual input named "Swirlmoss" that other
// programs connect to. Each message goes into the live queue as it arrives, stamped with its
// arrival; mapping it is the frame loop's work. Without a MIDI system the preview says so in
// one line and plays on; the libraries' own complaints are kept off the terminal.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/control/live_queue.h"

class RtMidiIn;

namespace preview {

class MidiInput {
 public:
  // Called on RtMidi's threads for each message.
  using Receiver = std::function<void(const hostkit::LiveEvent& event)>;

  MidiInput();
  ~MidiInput();
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // `api`: "auto" (ALSA when its sequencer opens, else a running JACK server), "alsa" or
  // "jack". `portFilter`: empty for every port. False with one line in `note` when no MIDI
  // system answers; else `note` says what was opened.
  bool Open(const std::string& api, const std::string& portFilter, Receiver receiver, std::string& note);
  // "JACK: Swirlmoss (virtual), midi-sender:out"
  const std::string& Description() const { return description; }

 private:
  Receiver receive;
  std::vector<std::unique_ptr<RtMidiIn>> inputs;
  std::string description;
};

}  // namespace preview
