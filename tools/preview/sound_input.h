#pragma once
// The preview hears live sound (--audio): the capture's thread feeds the analyser and hands its
// latest features to the frame loop, which lays them on the parameters that follow a feature
// ("Light=bass:1..6", from --set, a preset or the panel) through the panel's path, and sends the
// plugin the tempo and bar phase before each frame and the sample rate once per instance. The
// panel's section shows the features moving and lets a person choose, per control, the feature
// it follows and over what range, or learn the one that moves most. With --stats it times each
// block of sound from its capture to the first frame drawn with it.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "tools/hostkit/control/live_stats.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/preview/audio_capture.h"
#include "tools/preview/clip_playback.h"
#include "tools/preview/control_panel.h"

namespace hostkit {
class LiveSoundAnalyser;
}

namespace preview {

struct SoundSetup {
  bool enabled = false;  // --audio
  AudioCaptureSettings capture;
  std::vector<hostkit::ParameterTrack> follow;  // the Sound tracks of --set and the preset
  // Without --audio: the input clip's own sound, analysed whole, frame by frame of the clip
  // (empty: none), and the clip's length in frames, after which it plays again.
  hostkit::SoundFeatures clip;
  int64_t clipFrames = 0;
  // The clip whose sound is also played aloud, in step with the picture (empty: none, as with
  // --mute), and its frame rate.
  std::string playPath;
  double clipFps = 0.0;
  bool stats = false;
};

class SoundInput {
 public:
  SoundInput(const hostkit::ParameterModel& model, SoundSetup setup);
  ~SoundInput();
  SoundInput(const SoundInput&) = delete;
  SoundInput& operator=(const SoundInput&) = delete;

  // Opens the capture when --audio asks for it. `notes` gets one line for standard error: what
  // is heard, or why nothing is (the preview plays on either way).
  void Start(std::string& notes);
  bool Listening() const { return capture != nullptr; }
  bool Hears() const { return capture != nullptr || !setup.clip.frames.empty(); }

  // On the frame loop, before a frame of the instance that shows the input's frame
  // `inputFrame` (counted from the start, across loops): the latest features, live or the
  // clip's at that frame, go onto the parameters that follow them, and the beat to the plugin
  // (with the sample rate when `newInstance`).
  void BeforeFrame(ControlPanel& panel, hostkit::InstanceDriver& driver, bool newInstance, int64_t inputFrame);
  // The frame drawn since BeforeFrame is on screen: the clip's sound plays from its time.
  void FrameShown(double seconds);

  // The panel's section: what is heard, the features' meters, and which control follows what.
  void Draw(const ControlPanel& panel);
  // For --dump-controls.
  void Dump(nlohmann::ordered_json& dump) const;
  // For --stats, at exit.
  void PrintStats(std::FILE* out) const;
  // The rows a preset brings: they replace the ones there were.
  void UseFollow(std::vector<hostkit::ParameterTrack> rows);
  // "Light=bass:1..6" for each parameter that follows a feature, as --set takes it.
  std::vector<std::string> Settings() const;

 private:
  struct Heard {
    hostkit::SoundFrame frame;
    double oldest = 0.0;  // the capture time of the first block not yet taken
    uint64_t blocks = 0;
  };
  struct Learning {
    int row = -1;  // the follow row learning, -1 when none
    double until = 0.0;
    std::array<float, hostkit::kSoundFeatureCount> low{}, high{};
  };

  void Receive(const float* mono, size_t count, double captured);
  void Follow(uint32_t index);
  void DrawFollow(const ControlPanel& panel);
  void Learn(const hostkit::SoundFrame& frame, double now);

  const hostkit::ParameterModel& model;
  SoundSetup setup;
  std::unique_ptr<hostkit::LiveSoundAnalyser> analyser;  // the capture thread's own
  std::unique_ptr<AudioCapture> capture;
  std::unique_ptr<ClipPlayback> playback;  // the clip's sound, aloud
  int64_t drawnFrame = -1;  // the clip frame drawn last, until it is shown
  std::string status;

  // Handed from the capture thread to the loop.
  mutable std::mutex lock;
  Heard latest;
  bool pending = false;  // blocks arrived since the loop last took them

  // The loop's own.
  hostkit::SoundFeatures now;  // one frame: the features the tracks read
  uint64_t blocksTaken = 0;
  double shownOldest = -1.0;  // the oldest sound in the frame drawn last, until it is shown
  hostkit::DurationHistogram latency;
  std::vector<ParameterChange> batch;
  std::vector<std::pair<float, float>> ranges;  // per follow row: the lowest and highest value applied
  bool dirty = true;  // the rows changed: their values go in at the next frame, sound or not
  Learning learning;
  int chosenControl = 0;
};

}  // namespace preview
