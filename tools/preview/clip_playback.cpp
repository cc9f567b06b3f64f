#include "tools/preview/clip_playback.h"

#include <algorithm>
#include <cmath>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/scratch_file.h"
#include "tools/preview/pipewire_audio.h"

namespace preview {
namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr const char* kLatency = "512/48000";
// Further than this from the picture, the sound jumps to it; closer, it plays on undisturbed.
constexpr double kDriftSeconds = 0.08;
// No picture shown for this long (paused, compiling, stuck): the sound fades out.
constexpr double kStaleSeconds = 0.5;
// Jumps cross-fade, and starts and stops ramp, over this many samples (5 ms).
constexpr int kFade = 240;

// The decoded sound: frames of kChannels floats in a scratch file mapped read-only, so a long
// clip costs disk and page cache rather than the preview's own memory.
struct DecodedSound {
  std::unique_ptr<hostkit::ScratchFile> file;
  const float* samples = nullptr;
  int64_t frames = 0;
};

bool Decode(const std::string& path, DecodedSound& sound, std::string& error) {
  std::string ffmpeg;
  if (!hostkit::FindProgram("ffmpeg", ffmpeg)) {
    error = "ffmpeg is not installed";
    return false;
  }
  sound.file = hostkit::ScratchFile::Create(error);
  if (!sound.file) return false;
  hostkit::ChildOptions options;
  options.arguments = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-i", "file:" + path,
                       "-map", "0:a:0", "-ac", std::to_string(kChannels), "-ar", std::to_string(kRate),
                       "-c:a", "pcm_f32le", "-f", "f32le", "-y", "file:" + sound.file->PathForChild()};
  auto child = hostkit::ChildProcess::Start(options, error);
  if (!child) return false;
  std::string outcome;
  if (!child->Wait(outcome)) {
    const std::string said = child->LogTail(2);
    error = "cannot decode it: " + (said.empty() ? "ffmpeg " + outcome : said);
    return false;
  }
  if (!sound.file->Map(error)) return false;
  sound.frames = static_cast<int64_t>(sound.file->Size() / (kChannels * sizeof(float)));
  if (sound.frames == 0) {
    error = "it holds no sound";
    return false;
  }
  sound.samples = static_cast<const float*>(sound.file->Data());
  return true;
}

class PipeWirePlayback final : public ClipPlayback {
 public:
  explicit PipeWirePlayback(double loopSeconds) : loopSeconds(loopSeconds) {}

  // Connects first, so that a long clip is not decoded for nothing.
  bool Play(const std::string& path, std::string& note) {
    if (!client.Connect("swirlmoss-clip-sound", note) || !Decode(path, sound, note)) return false;
    loopFrames = loopSeconds > 0.0 ? std::max<int64_t>(1, std::llround(loopSeconds * kRate)) : sound.frames;
    pw_properties* properties = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "Movie", PW_KEY_NODE_NAME,
        "Swirlmoss clip", PW_KEY_NODE_DESCRIPTION, "Swirlmoss preview: the clip's sound", PW_KEY_NODE_LATENCY,
        kLatency, nullptr);
    if (!client.Start("the clip's sound", properties, PW_DIRECTION_OUTPUT, kChannels, kRate, OnProcess, this, note)) {
      return false;
    }
    note = "PipeWire's default output, " + std::to_string(kRate) + " Hz";
    return true;
  }

 private:
  // A frame of the sound, brought within the loop; after the sound's end, silence.
  int64_t Wrap(int64_t frame) const { return ((frame % loopFrames) + loopFrames) % loopFrames; }
  float At(int64_t frame, int channel) const {
    return frame < sound.frames ? sound.samples[frame * kChannels + channel] : 0.0f;
  }

  static void OnProcess(void* data) { static_cast<PipeWirePlayback*>(data)->Fill(); }

  // On PipeWire's real-time thread: allocates and locks nothing.
  void Fill() {
    pw_stream* stream = client.Stream();
    pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
    if (buffer == nullptr) return;
    spa_data& plane = buffer->buffer->datas[0];
    if (plane.data == nullptr || plane.chunk == nullptr) {
      pw_stream_queue_buffer(stream, buffer);
      return;
    }
    constexpr uint32_t stride = kChannels * sizeof(float);
    uint32_t count = plane.maxsize / stride;
    if (buffer->requested > 0) count = std::min<uint32_t>(count, static_cast<uint32_t>(buffer->requested));
    const double now = hostkit::LiveClock();
    const double shownAt = shownTime.load(std::memory_order_acquire);
    const double clip = shownClip.load(std::memory_order_relaxed);
    const bool playing = shownAt >= 0.0 && now - shownAt < kStaleSeconds;
    if (playing) {
      const int64_t target = Wrap(std::llround((clip + (now - shownAt)) * kRate));
      int64_t drift = Wrap(target - position);
      if (drift > loopFrames / 2) drift -= loopFrames;
      if (std::abs(drift) > static_cast<int64_t>(kDriftSeconds * kRate)) {
        if (gain > 0.0f) {
          fadeFrom = position;
          fadeLeft = kFade;
        }
        position = target;
      }
    }
    auto* out = static_cast<float*>(plane.data);
    const float step = (playing ? 1.0f : -1.0f) / kFade;
    for (uint32_t i = 0; i < count; ++i) {
      gain = std::clamp(gain + step, 0.0f, 1.0f);
      for (int channel = 0; channel < kChannels; ++channel) {
        float value = At(position, channel);
        if (fadeLeft > 0) {
          const float old = static_cast<float>(fadeLeft) / kFade;
          value = value * (1.0f - old) + At(fadeFrom, channel) * old;
        }
        out[i * kChannels + channel] = value * gain;
      }
      if (fadeLeft > 0) {
        fadeFrom = Wrap(fadeFrom + 1);
        --fadeLeft;
      }
      position = Wrap(position + 1);
    }
    plane.chunk->offset = 0;
    plane.chunk->stride = static_cast<int32_t>(stride);
    plane.chunk->size = count * stride;
    pw_stream_queue_buffer(stream, buffer);
  }

  double loopSeconds;
  DecodedSound sound;
  int64_t loopFrames = 1;
  PipeWireAudio client;  // last: its thread stops before the sound goes

  // The stream thread's own.
  int64_t position = 0;
  int64_t fadeFrom = 0;
  int fadeLeft = 0;
  float gain = 0.0f;
};

}  // namespace

std::unique_ptr<ClipPlayback> ClipPlayback::Open(const std::string& path, double loopSeconds, std::string& note) {
  auto playback = std::make_unique<PipeWirePlayback>(loopSeconds);
  if (!playback->Play(path, note)) return nullptr;
  return playback;
}

}  // namespace preview
