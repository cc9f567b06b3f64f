// swirlmoss preview: the effect playing live in a window, with the controls a host would build
// from the plugin's answers, presets, and scripted runs for tests. The options are read here;
// the window runs in the preview module (preview_module.h, preview_run.cpp).

#include <filesystem>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/preview_module.h"
#include "tools/cli/settings_options.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/shared_library.h"

namespace swirlcli {
namespace {

// The fastest pace --fps may ask of the window.
constexpr double kMaxFps = 240.0;

// Opens the preview module, beside the program (the build folder) or in lib/swirlmoss/
// (installed), and runs the preview in it.
int RunPreviewModule(const PreviewOptions& options) {
  const std::filesystem::path folder = std::filesystem::path(hostkit::ExecutablePath()).parent_path();
  std::string path;
  for (const auto& candidate : {folder / kPreviewModuleFile, folder / "../lib/swirlmoss" / kPreviewModuleFile}) {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(candidate, ignored)) {
      path = candidate.string();
      break;
    }
  }
  Require(!path.empty(), std::string("the preview window is in the ") + kPreviewPackage +
                             " package, which is not installed: install it (apt install " + kPreviewPackage +
                             ") to run `swirlmoss preview`");
  std::string error;
  // Kept loaded to the end: the module is never unloaded anyway (its libraries' threads).
  static std::unique_ptr<hostkit::SharedLibrary> module;
  module = hostkit::SharedLibrary::Open(path, error);
  Require(module != nullptr, "the preview module " + path + " cannot be loaded (" + error + "): reinstall " +
                                 kPreviewPackage);
  const auto entry = reinterpret_cast<decltype(&swirlmoss_preview_run)>(module->Symbol(kPreviewEntryName));
  Require(entry != nullptr, path + " is not a swirlmoss preview module: it has no " + kPreviewEntryName);
  return entry(SWIRLMOSS_VERSION, &options);
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
  command->add_option("--audio-source", options->audioSource,
                      "PipeWire: a source's name, a sink's name for what it plays, or monitor for what the computer "
                      "plays; JACK: the ports whose name holds this text (implies --audio)");
  command->add_option("--audio-api", options->audioApi,
                      "The sound system: PipeWire, or a running JACK server (auto: PipeWire when it answers)")
      ->check(CLI::IsMember({"auto", "pipewire", "jack"}))
      ->capture_default_str();
  command->add_flag("--mute", options->mute,
                    "Do not play the input clip's sound aloud (the effect still follows it)");
  command->add_flag("--camera", options->camera,
                    "Publish the picture as a PipeWire camera named Swirlmoss (OBS, browsers, pipewiresrc)");
  command->footer(
      "\nKeys: Space pause/play, . or Right one step, S save the frame as PNG, R record MP4 (again to stop),\n"
      "both at the render scale, Shift+S and Shift+R at full size; F full screen, Esc quit. Ctrl-click a\n"
      "slider to type an exact value.\n"
      "S and R write swirlmoss-YYYYMMDD-HHMMSS.png/.mp4 into the current folder. A preset is\n"
      "{\"parameters\": {NAME: number or option name}}; `render --preset` renders the same look.\n"
      "Needs a display with OpenGL 4.1 core; `swirlmoss render` works without one.");
  command->callback([options, &exitCode] { exitCode = RunPreviewModule(*options); });
}

}  // namespace swirlcli
