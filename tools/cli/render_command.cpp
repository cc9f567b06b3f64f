// swirlmoss render: frames of the effect to PNG, PNG sequences, OpenEXR, MP4, MOV, WebM, GIF or raw RGBA.

#include <cstdio>
#include <vector>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/progress.h"

namespace swirlcli {

const char* const kSetHelp =
    "Setting parameters (--set NAME=VALUE, repeatable; names and option names ignore case):\n"
    "  --set \"Light=2.5\"              a number\n"
    "  --set \"Mode=Smoke\"             an option by name (or its value: Mode=1)\n"
    "  --set \"Seed=Seed 4\"            likewise; \"Night Mode=on\" for a switch\n"
    "  --set \"Spot Spin=0..1\"         a linear ramp from the first frame to the last\n"
    "  --set \"Light=0:1,60:5,120:1\"   keyframes FRAME:VALUE (frames from 0), linear between them\n"
    "A value outside the declared range is passed unchanged with a warning: the plugin does not clamp.\n"
    "\n"
    "How values are applied: \"Mode\" keeps one bank of values per mode, and a \"Mode\" on the other\n"
    "side of 0.5 loads that mode's bank at the next frame, which would overwrite values set before\n"
    "it. So this host sets \"Mode\" first, primes the switch with a frame record of no input (the\n"
    "banks swap, the labels change, and the effect's clock advances one step), and only then sets\n"
    "the other values. Hidden parameters can be set too: in Smoke, \"Night Mode=1\" turns on the\n"
    "light beams.";

namespace {

struct RenderOptions {
  std::string plugin;
  std::string size = "1280x720";
  int frames = 1;
  double fps = 30.0;
  std::string input;
  std::vector<std::string> settings;
  std::string preset;
  std::string output;
};

int RunRender(const RenderOptions& options) {
  std::string error;
  Require(hostkit::KnownOutputType(options.output, error), error, kExitUsage);
  const auto [width, height] = ParseSize(options.size);
  Require(options.frames >= 1, "--frames " + std::to_string(options.frames) + ": render at least 1 frame", kExitUsage);
  Require(options.fps > 0.0, "--fps must be above 0", kExitUsage);
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  const hostkit::ParameterPlan plan = ParsePlan(WithPreset(options.preset, options.settings, plugin.model), plugin.model);
  const hostkit::Image input = LoadInput(options.input, width, height);
  const auto gl = MakeGlContext();
  auto driver = MakeDriver(plugin, width, height, hostkit::FormatForPath(options.output), input);
  auto sink = hostkit::OpenSink({options.output, options.frames, options.fps, width, height}, error);
  Require(sink != nullptr, error);
  TerminalProgress progress("render");
  hostkit::RenderTiming timing;
  const bool rendered = hostkit::RenderFrames(*driver, plan, options.frames, sink.get(), &progress, &timing, error);
  progress.Close();
  Require(rendered && sink->Commit(error), error);
  if (options.output != "-") {
    char summary[160];
    std::snprintf(summary, sizeof summary, "wrote %s (%dx%d, %d frame%s) in %.1f s", options.output.c_str(), width,
                  height, options.frames, options.frames == 1 ? "" : "s", timing.seconds);
    PrintNote(summary);
  }
  return kExitOk;
}

}  // namespace

void AddRenderCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<RenderOptions>();
  CLI::App* command = app.add_subcommand("render", "Render frames of the effect to files or to standard output");
  AddPluginOption(*command, options->plugin);
  command->add_option("--size", options->size, "Output size WIDTHxHEIGHT")->capture_default_str();
  command->add_option("--frames", options->frames, "Number of frames; the effect's clock advances once a frame")
      ->capture_default_str();
  command->add_option("--fps", options->fps, "Frames per second of video output")->capture_default_str();
  command->add_option("--input", options->input,
                      "Input picture (PNG); default: a built-in test card with colour, gradients and a "
                      "transparent disc");
  command->add_option("--set", options->settings, "Parameter value NAME=VALUE (repeatable; see below)");
  command->add_option("--preset", options->preset, "Preset file (JSON) to start from; --set overrides its values");
  command
      ->add_option("-o,--output", options->output,
                   "Output, chosen by its name: NAME.png (the last frame), NAME_%04d.png or NAME_####.png (one file "
                   "per frame), NAME.exr / NAME_%04d.exr (half float, keeps values above 1), NAME.mp4 (H.264), "
                   "NAME.mov (ProRes 4444 with alpha), NAME.webm (VP9 with alpha), NAME.gif (video needs ffmpeg), "
                   "- (raw RGBA frames, rows top to bottom, on standard output)")
      ->required();
  command->footer(std::string("\n") + kSetHelp +
                  "\n\nFiles are written upright, whole or not at all (a temporary name, then a rename). The\n"
                  "output keeps the alpha: the host clears to transparent black before each frame, so pixels\n"
                  "the image mask cuts stay transparent.");
  command->callback([options, &exitCode] { exitCode = RunRender(*options); });
}

}  // namespace swirlcli
