#include "tools/preview/clip_playback.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/platform/child_process.h"
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

// The decoded sound: an unnamed file mapped read-only, frames of kChannels floats.
struct DecodedSound {
  const float* samples = nullptr;
  int64_t frames = 0;
  size_t bytes = 0;
  ~DecodedSound() {
    if (samples != nullptr) munmap(const_cast<float*>(samples), bytes);
  }
};

// ffmpeg writes the sound into a temporary file that has no name by the time it is mapped (it
// reopens it through /proc while this process holds it open), so nothing is left behind however
// the preview ends.
bool Decode(const std::string& path, DecodedSound& sound, std::string& error) {
  std::string ffmpeg;
  if (!hostkit::FindProgram("ffmpeg", ffmpeg)) {
    error = "ffmpeg is not installed";
    return false;
  }
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/swirlmoss-sound-XXXXXX";
  const int file = mkostemp(name.data(), O_CLOEXEC);
  if (file < 0) {
    error = "cannot make a temporary file for the clip's sound in " + name.substr(0, name.rfind('/')) + ": " +
            std::strerror(errno);
    return false;
  }
  unlink(name.c_str());
  hostkit::ChildOptions options;
  options.arguments = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-i", "file:" + path,
                       "-map", "0:a:0", "-ac", std::to_string(kChannels), "-ar", std::to_string(kRate),
                       "-c:a", "pcm_f32le", "-f", "f32le", "-y",
                       "file:/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(file)};
  auto child = hostkit::ChildProcess::Start(options, error);
  std::string outcome;
  const bool decoded = child != nullptr && child->Wait(outcome);
  if (child != nullptr && !decoded) {
    const std::string said = child->LogTail(2);
    error = "cannot decode it: " + (said.empty() ? "ffmpeg " + outcome : said);
  }
  struct stat facts {};
  if (decoded && fstat(file, &facts) != 0) {
    error = std::string("cannot read the decoded sound: ") + std::strerror(errno);
  } else if (decoded) {
    sound.bytes = static_cast<size_t>(facts.st_size);
    sound.frames = facts.st_size / static_cast<off_t>(kChannels * sizeof(float));
    if (sound.frames == 0) {
      error = "it holds no sound";
    } else {
      void* mapped = mmap(nullptr, sound.bytes, PROT_READ, MAP_SHARED, file, 0);
      if (mapped == MAP_FAILED) {
        error = std::string("cannot map the decoded sound: ") + std::strerror(errno);
      } else {
        madvise(mapped, sound.bytes, MADV_WILLNEED);
        sound.samples = static_cast<const float*>(mapped);
      }
    }
  }
  close(file);
  return sound.samples != nullptr;
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
