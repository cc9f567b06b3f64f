#include "tools/preview/midi_input.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <algorithm>
#include <cctype>

namespace preview {
namespace {

constexpr const char* kClientName = "Swirlmoss";

void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
void SilentJack(const char*) {}
void SilentRtMidi(RtMidiError::Type, const std::string&, void*) {}

// Both libraries write their failures to standard error themselves; the preview says once
// what it found instead.
void SilenceLibraries() {
  snd_lib_error_set_handler(SilentAlsa);
  jack_set_error_function(SilentJack);
  jack_set_info_function(SilentJack);
}

bool AlsaAnswers() {
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) return false;
  snd_seq_close(sequencer);
  return true;
}

bool JackAnswers() {
  jack_status_t status{};
  jack_client_t* client = jack_client_open("swirlmoss-probe", JackNoStartServer, &status);
  if (!client) return false;
  jack_client_close(client);
  return true;
}

bool Contains(const std::string& text, const std::string& part) {
  const auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  };
  return lower(text).find(lower(part)) != std::string::npos;
}

void Arrived(double, std::vector<unsigned char>* message, void* user) {
  const auto* receive = static_cast<const MidiInput::Receiver*>(user);
  if (!message || message->size() > 3 || message->empty()) return;
  hostkit::LiveEvent event;
  event.kind = hostkit::LiveEvent::Kind::Midi;
  event.arrival = hostkit::LiveClock();
  event.midiSize = static_cast<uint8_t>(message->size());
  std::copy(message->begin(), message->end(), event.midi.begin());
  (*receive)(event);
}

}  // namespace

MidiInput::MidiInput() = default;

MidiInput::~MidiInput() {
  for (auto& input : inputs) input->cancelCallback();
}

bool MidiInput::Open(const std::string& api, const std::string& portFilter, Receiver receiver, std::string& note) {
  SilenceLibraries();
  receive = std::move(receiver);
  RtMidi::Api chosen = RtMidi::UNSPECIFIED;
  if ((api == "auto" || api == "alsa") && AlsaAnswers()) {
    chosen = RtMidi::LINUX_ALSA;
  } else if ((api == "auto" || api == "jack") && JackAnswers()) {
    chosen = RtMidi::UNIX_JACK;
  }
  if (chosen == RtMidi::UNSPECIFIED) {
    note = api == "alsa"   ? "MIDI: ALSA's sequencer (/dev/snd/seq) does not open; playing without MIDI"
           : api == "jack" ? "MIDI: no JACK server is running; playing without MIDI"
                           : "MIDI: neither ALSA's sequencer nor a JACK server answers; playing without MIDI";
    return false;
  }
  const std::string system = chosen == RtMidi::LINUX_ALSA ? "ALSA" : "JACK";
  try {
    const auto open = [&]() {
      auto input = std::make_unique<RtMidiIn>(chosen, kClientName);
      input->setErrorCallback(SilentRtMidi, nullptr);
      input->ignoreTypes(true, true, true);
      return input;
    };
    auto virtualPort = open();
    virtualPort->openVirtualPort(kClientName);
    virtualPort->setCallback(Arrived, &receive);
    inputs.push_back(std::move(virtualPort));
    description = system + ": " + kClientName + " (virtual)";
    auto lister = open();
    const unsigned count = lister->getPortCount();
    for (unsigned port = 0; port < count; ++port) {
      const std::string name = lister->getPortName(port);
      // Our own ports, and those that --midi-port leaves out.
      if (name.rfind(kClientName, 0) == 0 || (!portFilter.empty() && !Contains(name, portFilter))) continue;
      auto input = open();
      input->openPort(port, "in");
      input->setCallback(Arrived, &receive);
      inputs.push_back(std::move(input));
      description += ", " + name;
    }
  } catch (const RtMidiError& failure) {
    note = "MIDI: " + system + " refused: " + failure.getMessage() + "; playing without MIDI";
    inputs.clear();
    return false;
  }
  note = "MIDI: listening on " + description;
  if (!portFilter.empty() && inputs.size() == 1) note += " (no input port matches \"" + portFilter + "\")";
  return true;
}

}  // namespace preview
