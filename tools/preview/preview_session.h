#pragma once
// A running preview: plays the effect at a steady pace in the window, beside the control panel,
// and answers the keys and buttons. Everything it needs is made before Run.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/plugin/plugin_library.h"
#include "tools/preview/camera_feed.h"
#include "tools/preview/capture.h"
#include "tools/preview/control_panel.h"
#include "tools/preview/live_input.h"
#include "tools/preview/picture_view.h"
#include "tools/preview/preview_window.h"
#include "tools/preview/sound_input.h"
#include "tools/preview/ui_script.h"

namespace preview {

// The control panel's width in the window; the picture takes the rest.
constexpr int kPanelWidth = 360;

enum class RenderScale { Full = 1, Half = 2, Quarter = 4 };
// A side of the picture at `scale`: at least one pixel.
inline int Scaled(int side, RenderScale scale) { return std::max(1, side / static_cast<int>(scale)); }

struct SessionSetup {
  const hostkit::PluginLibrary* plugin = nullptr;
  const hostkit::ParameterModel* model = nullptr;
  hostkit::Image input;  // the picture the instance is made with: the test card, or blank
  std::unique_ptr<hostkit::FrameSource> source;  // null: `input` is the picture of every frame
  int width = 0, height = 0;  // the picture at full scale
  RenderScale scale = RenderScale::Half;
  double fps = hostkit::kDefaultFrameRate;
  int exitAfter = 0;  // frames; 0 runs until the window closes
  std::vector<ParameterChange> initial;  // from the preset and --set, applied as render applies them
  std::vector<ScriptStep> script;
  std::unique_ptr<hostkit::FrameSink> screenshot;  // opened up front; written at exit
  std::string dumpControls;
  std::string savePreset;
  std::string presetPath;  // --preset: a look's name or a file, shown in the panel's preset field
  std::string pluginPath;  // for Copy command: empty for the default plugin
  std::string inputSpec;   // empty for the test card
  LiveSetup live;          // OSC and MIDI input, --stats
  SoundSetup sound;        // --audio, and the values that follow the sound
  std::unique_ptr<hostkit::PipeWireCamera> camera;  // --camera; null without it or without PipeWire
};

class PreviewSession {
 public:
  // GL context of `window` current.
  PreviewSession(PreviewWindow& window, SessionSetup setup);
  ~PreviewSession();
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  // Makes the instance for the current scale. False with a one-line `error`.
  bool Start(std::string& error);
  // Plays until the window closes, Esc, or --exit-after; then writes what exit writes. False
  // with `error` when one of those writes fails or the plugin fails a frame in a scripted run.
  bool Run(std::string& error);

 private:
  bool MakeInstance(std::string& error);
  bool ReadModeStarts(std::string& error);
  std::unique_ptr<hostkit::InstanceDriver> FullSizeCopy(std::string& error) const;
  bool UploadSourceFrame();
  void DrawEffectFrame();
  void DrawUi();
  void DrawHeader();
  void DrawStatus();
  void DrawPresetRow();
  void HandleKeys();
  void ChangeScale(RenderScale next);
  void ToggleRecording(bool fullSize);
  void SaveStill(bool fullSize);
  void SaveOrLoadPreset(bool save);
  void ApplyPreset(const std::string& nameOrPath, const std::vector<ParameterChange>& changes);
  std::string CommandLine() const;
  void CopyCommand();
  void Say(const std::string& text);
  bool WriteExitOutputs(std::string& error);
  bool WriteControlDump(std::string& error);
  // The current values as a preset file, the values that follow the sound as their mappings.
  bool WritePanelPreset(const std::string& path, std::string& error) const;
  PixelRect PictureArea() const;

  PreviewWindow& window;
  SessionSetup setup;
  std::vector<hostkit::Look> looks;
  ControlPanel panel;
  LiveInput live;
  SoundInput sound;
  LiveInput::PresetApplier applyPreset;  // what /swirlmoss/preset does: the panel's list's path
  PictureView view;
  Recorder recorder;
  CameraFeed camera;
  std::unique_ptr<hostkit::InstanceDriver> driver;
  size_t nextStep = 0;
  int frames = 0;            // drawn in this session
  int instanceFrames = 0;    // drawn by the current instance
  int64_t inputFrames = 0;  // frames the source delivered, across its loops
  int primesAtInstance = 0;  // the panel's prime count when the instance was made: each primed
                             // mode switch since is one more step of the instance's clock
  bool paused = false;
  bool stepOnce = false;
  bool exiting = false;
  bool frameFailed = false;
  bool announced = false;
  double nextDue = 0.0;
  double lastFrameStart = -1.0;
  double frameMs = 0.0;
  double interval = 0.0;  // smoothed time between drawn frames
  hostkit::Image sourceFrame;  // the source's frames pass through here; its buffer is reused
  std::string message;
  double messageUntil = 0.0;
  char presetField[512] = {};
};

}  // namespace preview
