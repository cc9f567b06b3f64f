// The preview module's entry: the window, the live input and the camera, run from the options
// the swirlmoss program parsed (preview_command.cpp). Built into swirlmoss-preview.so alone.

#include <cstdio>
#include <cstring>
#include <exception>

#include "tools/cli/cli_common.h"
#include "tools/cli/preview_module.h"
#include "tools/hostkit/control/osc_router.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/media/pipewire_camera.h"
#include "tools/hostkit/media/sound_analysis.h"
#include "tools/hostkit/platform/interrupt.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/preview/preview_session.h"
#include "tools/preview/preview_window.h"
#include "tools/preview/ui_script.h"

namespace swirlcli {
namespace {

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
  if (const std::string hdr = hostkit::HdrNote(source->Info()); !hdr.empty()) PrintNote(hdr);
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
    // Frames come at --size when it is given (fitted, padded), else at the source's own size.
    const auto& size = settings.size;
    width = size ? size->width : setup.source->Info().width;
    height = size ? size->height : setup.source->Info().height;
    // The instance starts from a blank picture; each frame uploads the source's.
    setup.input = hostkit::Image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    // Without --audio, a clip's own sound drives what follows the sound, as in a render, and
    // plays aloud with the picture unless --mute. With --audio the live sound is what is
    // followed, and the clip stays silent: it could be heard back through a monitor source.
    const hostkit::SourceInfo& info = setup.source->Info();
    if (info.hasAudio && !options.audio && options.audioSource.empty()) {
      std::string error;
      if (hostkit::AnalyseClipSound(settings.input, info.fps, 0, setup.sound.clip, error)) {
        setup.sound.clipFrames = info.frames;
        if (!options.mute && info.fps > 0.0) {
          setup.sound.playPath = settings.input;
          setup.sound.clipFps = info.fps;
        }
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
  setup.sound.enabled = options.audio || !options.audioSource.empty();
  setup.sound.capture = {options.audioApi, options.audioSource};
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
}  // namespace swirlcli

// The module holds its own copy of the host library, so it takes Ctrl-C over from the program's
// copy: the preview's loop, its recordings and the encoders they start answer this one. A run
// ended by a signal answers as the program's own main would (128 + the signal).
extern "C" int swirlmoss_preview_run(const char* programVersion, const swirlcli::PreviewOptions* options) {
  using namespace swirlcli;
  if (std::strcmp(programVersion, SWIRLMOSS_VERSION) != 0) {
    PrintError(std::string("this swirlmoss is version ") + programVersion + " and its preview module version " +
               SWIRLMOSS_VERSION + ": install " + kPreviewPackage + " of the same version as swirlmoss");
    return kExitFailure;
  }
  hostkit::InstallInterruptHandler();
  int exitCode = kExitOk;
  try {
    exitCode = RunPreview(*options);
  } catch (const CommandFailure& e) {
    PrintError(e.what());
    exitCode = e.exitCode;
  } catch (const std::exception& e) {
    PrintError(e.what());
    exitCode = kExitFailure;
  }
  const int signal = hostkit::InterruptSignal();
  return signal != 0 ? 128 + signal : exitCode;
}
