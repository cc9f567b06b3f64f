#include "tools/preview/audio_capture.h"

#include <jack/jack.h>

#include <algorithm>
#include <vector>

#include "tools/hostkit/control/live_queue.h"
#include "tools/preview/pipewire_audio.h"

namespace preview {
namespace {

// PipeWire converts whatever the source gives to this rate, in blocks of about 5 ms: the
// analyser sees a hop soon after it is heard.
constexpr int kPipeWireRate = 48000;
constexpr const char* kPipeWireLatency = "256/48000";
constexpr const char* kClientName = "Swirlmoss";

void SilentJack(const char*) {}

class PipeWireCapture final : public AudioCapture {
 public:
  explicit PipeWireCapture(std::string source) : source(std::move(source)) {}

  bool Connect(std::string& note) {
    if (!client.Connect("swirlmoss-sound", note)) return false;
    note = "PipeWire, " + (source.empty() ? std::string("the default source")
                           : source == "monitor" ? std::string("what the default output plays")
                                                 : "\"" + source + "\"") +
           ", " + std::to_string(kPipeWireRate) + " Hz";
    return true;
  }

  int SampleRate() const override { return kPipeWireRate; }

  bool Start(Receiver receiveIn, std::string& error) override {
    receive = std::move(receiveIn);
    pw_properties* properties =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE,
                          "Music", PW_KEY_NODE_NAME, kClientName, PW_KEY_NODE_DESCRIPTION, "Swirlmoss sound input",
                          PW_KEY_NODE_LATENCY, kPipeWireLatency, nullptr);
    if (source == "monitor") {
      pw_properties_set(properties, PW_KEY_STREAM_CAPTURE_SINK, "true");
    } else if (!source.empty()) {
      pw_properties_set(properties, PW_KEY_TARGET_OBJECT, source.c_str());
    }
    return client.Start("the sound input", properties, PW_DIRECTION_INPUT, 1, kPipeWireRate, OnProcess, this, error);
  }

 private:
  static void OnProcess(void* data) {
    auto* self = static_cast<PipeWireCapture*>(data);
    pw_stream* stream = self->client.Stream();
    pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
    if (buffer == nullptr) return;
    const spa_data& plane = buffer->buffer->datas[0];
    if (plane.data != nullptr && plane.chunk != nullptr) {
      const uint32_t offset = std::min(plane.chunk->offset, plane.maxsize);
      const uint32_t size = std::min(plane.chunk->size, plane.maxsize - offset);
      const size_t count = size / sizeof(float);
      if (count > 0) {
        const double captured = hostkit::LiveClock() - static_cast<double>(count) / kPipeWireRate;
        self->receive(reinterpret_cast<const float*>(static_cast<const uint8_t*>(plane.data) + offset), count,
                      captured);
      }
    }
    pw_stream_queue_buffer(stream, buffer);
  }

  std::string source;
  Receiver receive;
  PipeWireAudio client;
};

class JackCapture final : public AudioCapture {
 public:
  explicit JackCapture(std::string source) : source(std::move(source)) {}
  ~JackCapture() override {
    if (client == nullptr) return;
    if (active) jack_deactivate(client);
    jack_client_close(client);
  }

  bool Connect(std::string& note) {
    jack_set_error_function(SilentJack);
    jack_set_info_function(SilentJack);
    jack_status_t status{};
    client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (client == nullptr) {
      note = "no JACK server is running";
      return false;
    }
    port = jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (port == nullptr) {
      note = "JACK refused the sound input's port";
      return false;
    }
    note = "JACK, " + (source.empty() ? std::string("the first capture port") : "ports holding \"" + source + "\"") +
           ", " + std::to_string(SampleRate()) + " Hz";
    return true;
  }

  int SampleRate() const override { return static_cast<int>(jack_get_sample_rate(client)); }

  bool Start(Receiver receiveIn, std::string& error) override {
    receive = std::move(receiveIn);
    rate = SampleRate();
    if (jack_set_process_callback(client, OnProcess, this) != 0 || jack_activate(client) != 0) {
      error = "JACK refused to start the sound input";
      return false;
    }
    active = true;
    // The sources: the first physical capture port, or every output port that holds the text.
    const unsigned long flags = JackPortIsOutput | (source.empty() ? JackPortIsPhysical : 0);
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, flags);
    std::vector<std::string> chosen;
    for (size_t i = 0; ports != nullptr && ports[i] != nullptr; ++i) {
      const std::string name = ports[i];
      if (name.rfind(std::string(kClientName) + ":", 0) == 0) continue;
      if (source.empty() ? chosen.empty() : name.find(source) != std::string::npos) chosen.push_back(name);
    }
    if (ports != nullptr) jack_free(ports);
    for (const auto& name : chosen) jack_connect(client, name.c_str(), jack_port_name(port));
    return true;
  }

 private:
  static int OnProcess(jack_nframes_t frames, void* data) {
    auto* self = static_cast<JackCapture*>(data);
    const auto* samples = static_cast<const float*>(jack_port_get_buffer(self->port, frames));
    if (samples != nullptr && frames > 0) {
      self->receive(samples, frames, hostkit::LiveClock() - static_cast<double>(frames) / self->rate);
    }
    return 0;
  }

  std::string source;
  Receiver receive;
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  bool active = false;
  int rate = 48000;
};

}  // namespace

std::unique_ptr<AudioCapture> AudioCapture::Open(const AudioCaptureSettings& settings, std::string& note) {
  std::string pipewireNote, jackNote;
  if (settings.api != "jack") {
    auto capture = std::make_unique<PipeWireCapture>(settings.source);
    if (capture->Connect(pipewireNote)) {
      note = pipewireNote;
      return capture;
    }
  }
  if (settings.api != "pipewire") {
    auto capture = std::make_unique<JackCapture>(settings.source);
    if (capture->Connect(jackNote)) {
      note = jackNote;
      return capture;
    }
  }
  note = settings.api == "pipewire" ? pipewireNote
         : settings.api == "jack"   ? jackNote
                                    : pipewireNote + " and " + jackNote;
  return nullptr;
}

}  // namespace preview
