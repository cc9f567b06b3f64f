// swirlmoss preview: the effect playing live in a window, with the controls a host would build
// from the plugin's answers, presets, and scripted runs for tests.

#include <cstdio>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/settings_options.h"
#include "tools/hostkit/control/osc_router.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/media/pipewire_camera.h"
#include "tools/hostkit/media/sound_analysis.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/preview/preview_session.h"
#include "tools/preview/preview_window.h"
#include "tools/preview/ui_script.h"

namespace swirlcli {
namespace {

// The fastest pace --fps may ask of the window.
constexpr double kMaxFps = 240.0;

struct PreviewOptions {
  std::string plugin;
  hostkit::RenderSettings settings;
  std::string scale;  // empty: half on a software renderer, full on a GPU
  std::string savePreset;
  int exitAfter = 0;
  std::string screenshot;
  std::string dumpControls;
  std::string uiScript;
  int oscPort = -1;
  std::string oscBind = "127.0.0.1";
  bool listOsc = false;
  bool midi = false;
  std::string midiPort;
  std::string midiApi = "auto";
  std::string midiMap;
  std::string presetDir;
  bool stats = false;
  bool camera = false;
  bool audio = false;
  preview::AudioCaptureSettings audioCapture;
};

preview::RenderScale ParseScale(const std::string& text, bool software) {
  if (text.empty()) return software ? preview::RenderScale::Half : preview::RenderScale::Full;
  if (text == "half") return preview::RenderScale::Half;
  if (text == "quarter") return preview::RenderScale::Quarter;
  return preview::RenderScale::Full;
}

// "shot.png" and "SHOT.PNG", but not a numbered sequence such as "shot_%04d.png".
bool IsPngName(const std::string& path) {
  hostkit::NumberPattern pattern;
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && dot + 4 == path.size() && hostkit::SameName(path.substr(dot + 1), "png") &&
         !hostkit::FindNumberPattern(path, pattern);
}

// Checks an output named on the command line before the window opens.
void RequireWritable(const std::string& path, const char* option) {
  if (path.empty()) return;
  std::string error;
  Require(hostkit::CheckOutputDirectory(path, error), std::string(option) + ": " + error);
}

// The --input source, delivering frames at --size when that is given, else at its own size;
// a video starts again after its last frame.
std::unique_ptr<hostkit::FrameSource> OpenInput(const PreviewOptions& options) {
  hostkit::SourceRequest request;
  request.location = options.settings.input;
  if (const auto& size = options.settings.size) {
    request.width = size->width;
    request.height = size->height;
  }
  request.loop = true;
  std::string error;
  auto source = hostkit::OpenFrameSource(request, error);
  Require(source != nullptr, error);
  return source;
}

int RunPreview(const PreviewOptions& options) {
  const hostkit::RenderSettings& settings = options.settings;
  if (options.listOsc) {
    const LoadedPlugin plugin = LoadPlugin(options.plugin);
    std::fputs(hostkit::OscRouter(plugin.model).Listing().c_str(), stdout);
    return kExitOk;
  }
  auto [width, height] = settings.size.value_or(hostkit::FrameSize{960, 540});
  const double fps = settings.fps.value_or(hostkit::kDefaultFrameRate);
  Require(options.exitAfter >= 0, "--exit-after takes a number of frames, 0 or more", kExitUsage);
  Require(options.screenshot.empty() || IsPngName(options.screenshot),
          "--screenshot writes one PNG picture: give a name ending in .png, such as shot.png (not \"" +
              options.screenshot + "\")",
          kExitUsage);
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  const hostkit::ParameterPlan plan = ParsePlan(WithPreset(settings.preset, hostkit::PlanValues(settings), plugin.model), plugin.model);
  preview::SessionSetup setup;
  Require(preview::ConstantChanges(plan, setup.initial, &setup.sound.follow),
          "the preview takes constant values and features of the sound; ramps and keyframes are for "
          "`swirlmoss render`",
          kExitUsage);
  if (!options.uiScript.empty()) {
    std::string error;
    Require(preview::ReadUiScript(options.uiScript, plugin.model, setup.script, error, options.exitAfter), error,
            kExitUsage);
  }
  RequireWritable(options.savePreset, "--save-preset");
  RequireWritable(options.dumpControls, "--dump-controls");
  if (!settings.input.empty()) {
    setup.source = OpenInput(options);
    width = setup.source->Info().width;
    height = setup.source->Info().height;
    // The instance starts from a blank picture; each frame uploads the source's.
    setup.input = hostkit::Image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    // Without --audio, a clip's own sound drives what follows the sound, as in a render.
    const hostkit::SourceInfo& info = setup.source->Info();
    if (info.hasAudio && !options.audio && options.audioCapture.source.empty()) {
      std::string error;
      if (hostkit::AnalyseClipSound(settings.input, info.fps, 0, setup.sound.clip, error)) {
        setup.sound.clipFrames = info.frames;
      } else {
        PrintWarning(error + "; the preview plays without the input's sound");
      }
    }
  } else {
    setup.input = hostkit::MakeTestCard(width, height);
  }

  std::string error;
  auto window = preview::PreviewWindow::Open("Swirlmoss preview", preview::kPanelWidth + width, height, error);
  Require(window != nullptr, error);
  if (!options.screenshot.empty()) {
    int windowWidth = 0, windowHeight = 0;
    window->FramebufferSize(windowWidth, windowHeight);
    setup.screenshot = hostkit::OpenSink({options.screenshot, 1, fps, windowWidth, windowHeight}, error);
    Require(setup.screenshot != nullptr, "--screenshot: " + error);
  }
  setup.plugin = plugin.library.get();
  setup.model = &plugin.model;
  setup.width = width;
  setup.height = height;
  setup.scale = ParseScale(options.scale, window->SoftwareRenderer());
  setup.fps = fps;
  setup.exitAfter = options.exitAfter;
  setup.dumpControls = options.dumpControls;
  setup.savePreset = options.savePreset;
  setup.presetPath = settings.preset;
  setup.pluginPath = options.plugin;
  setup.inputSpec = settings.input;
  setup.live.oscPort = options.oscPort;
  setup.live.oscBind = options.oscBind;
  setup.live.stats = options.stats;
  setup.live.midi = options.midi || !options.midiPort.empty() || !options.midiMap.empty();
  setup.live.midiPort = options.midiPort;
  setup.live.midiApi = options.midiApi;
  setup.live.midiMap = options.midiMap;
  setup.live.presetDir = options.presetDir;
  setup.sound.enabled = options.audio || !options.audioCapture.source.empty();
  setup.sound.capture = options.audioCapture;
  setup.sound.stats = options.stats;
  RequireWritable(options.midiMap, "--midi-map");
  if (options.camera) {
    // The camera is a convenience beside the window: without PipeWire the preview plays on.
    setup.camera = hostkit::PipeWireCamera::Open(
        {"Swirlmoss", preview::Scaled(width, setup.scale), preview::Scaled(height, setup.scale), fps}, error);
    if (!setup.camera) PrintWarning("--camera: " + error + "; the preview runs without the camera");
  }

  preview::PreviewSession session(*window, std::move(setup));
  Require(session.Start(error) && session.Run(error), error);
  return kExitOk;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<PreviewOptions>();
  CLI::App* command = app.add_subcommand("preview", "Play the effect live in a window with a host's controls");
  AddPluginOption(*command, options->plugin);
  AddSettingsOptions(*command, options->settings,
                     {"Input: a picture, a numbered sequence (f_%04d.png), a video (played in a loop) or a camera "
                      "(/dev/videoN); default: the built-in test card",
                      "Picture size WIDTHxHEIGHT at full scale; default: the input's own, 960x540 for the test card",
                      "Playback pace; never faster, as the effect's clock counts frames",
                      "Parameter value NAME=VALUE, or NAME=FEATURE:FROM..TO to follow the sound of --audio or of the input clip (repeatable; no ramps or keyframes)"},
                     kMaxFps);
  command->get_option(hostkit::option::kFps)->default_str(hostkit::RateText(hostkit::kDefaultFrameRate));
  command->add_option("--scale", options->scale, "Render scale; default: half on a software renderer, full on a GPU")
      ->check(CLI::IsMember({"full", "half", "quarter"}));
  command->add_option("--save-preset", options->savePreset, "Write the settings at exit to this preset file");
  command->add_option("--exit-after", options->exitAfter, "Quit after this many frames (0: run until closed)");
  command->add_option("--screenshot", options->screenshot, "Write the window's contents at exit to this PNG");
  command->add_option("--dump-controls", options->dumpControls,
                      "Write the picture's place and every control (name shown, visible, value) at exit as JSON");
  command->add_option("--ui-script", options->uiScript,
                      "JSON steps [{\"frame\": N, \"set\": {NAME: VALUE}}] applied through the panel before frame N");
  command->add_option("--osc", options->oscPort,
                      "Listen for OSC on this UDP port (0: one the system picks, printed at the start)")
      ->check(CLI::Range(0, 65535));
  command->add_option("--osc-bind", options->oscBind,
                      "The address OSC listens on; anyone who can reach it can drive the preview")
      ->capture_default_str();
  command->add_option("--preset-dir", options->presetDir,
                      "A folder of preset files that /swirlmoss/preset may load by name (without it: looks only)");
  command->add_flag("--list-osc", options->listOsc, "Print every OSC address with what it takes, and exit");
  command->add_flag("--midi", options->midi,
                    "Take MIDI from every input port and a virtual port named Swirlmoss; right-click a control to learn");
  command->add_option("--midi-port", options->midiPort, "Open only the MIDI input ports whose name holds this text (implies --midi)");
  command->add_option("--midi-api", options->midiApi, "The MIDI system: ALSA's sequencer, or a running JACK server")
      ->check(CLI::IsMember({"auto", "alsa", "jack"}))
      ->capture_default_str();
  command->add_option("--midi-map", options->midiMap,
                      "MIDI bindings as JSON: read at the start when the file exists, written whenever they change (implies --midi)");
  command->add_flag("--stats", options->stats,
                    "At exit print the frame pace and the time from each message's arrival, and from the sound's capture, to the first frame shown with it");
  command->add_flag("--audio", options->audio,
                    "Hear live sound (PipeWire, else JACK): values set to a feature, such as Light=bass:1..6, follow it");
  command->add_option("--audio-source", options->audioCapture.source,
                      "PipeWire: a source's name, a sink's name for what it plays, or monitor for what the computer "
                      "plays; JACK: the ports whose name holds this text (implies --audio)");
  command->add_option("--audio-api", options->audioCapture.api,
                      "The sound system: PipeWire, or a running JACK server (auto: PipeWire when it answers)")
      ->check(CLI::IsMember({"auto", "pipewire", "jack"}))
      ->capture_default_str();
  command->add_flag("--camera", options->camera,
                    "Publish the picture as a PipeWire camera named Swirlmoss (OBS, browsers, pipewiresrc)");
  command->footer(
      "\nKeys: Space pause/play, . or Right one step, S save the frame as PNG, R record MP4 (again to stop),\n"
      "both at the render scale, Shift+S and Shift+R at full size; F full screen, Esc quit. Ctrl-click a\n"
      "slider to type an exact value.\n"
      "S and R write swirlmoss-YYYYMMDD-HHMMSS.png/.mp4 into the current folder. A preset is\n"
      "{\"parameters\": {NAME: number or option name}}; `render --preset` renders the same look.\n"
      "Needs a display with OpenGL 4.1 core; `swirlmoss render` works without one.");
  command->callback([options, &exitCode] { exitCode = RunPreview(*options); });
}

}  // namespace swirlcli
