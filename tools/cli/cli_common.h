#pragma once
// What every subcommand of the swirlmoss CLI shares: messages, exit codes, the default
// plugin, opening the plugin and the GL context, and Ctrl-C.

#include <memory>
#include <stdexcept>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/hostkit/gl/egl_context.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace swirlcli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work could not be done (plugin, GL, input, output)
constexpr int kExitUsage = 2;    // the command line itself is wrong

// A command that cannot go on: main prints it as one error line and exits with `exitCode`.
struct CommandFailure : std::runtime_error {
  CommandFailure(const std::string& text, int exitCode) : std::runtime_error(text), exitCode(exitCode) {}
  int exitCode;
};
// Throws CommandFailure with `error` when `ok` is false.
void Require(bool ok, const std::string& error, int exitCode = kExitFailure);

// Adds --plugin; its help names the plugin that the search (plugin_search.h) finds without it.
void AddPluginOption(CLI::App& command, std::string& plugin);

// Where a command that renders makes its GL context, and whether it says which renderer it got.
struct GlOptions {
  std::string device = "auto";  // an EGL device index, or "auto"
  bool verbose = false;
};
// Adds --device and -v/--verbose.
void AddGlOptions(CLI::App& command, GlOptions& options);

// One line on standard error: "swirlmoss: error: TEXT".
void PrintError(const std::string& text);
void PrintWarning(const std::string& text);
void PrintNote(const std::string& text);  // "swirlmoss: TEXT"
bool StderrIsTerminal();

// A loaded plugin and its parameters; the GL context is made separately, once the command
// line has been checked against the plugin.
// Each throws CommandFailure with the reason when it cannot deliver.
struct LoadedPlugin {
  std::unique_ptr<hostkit::PluginLibrary> library;
  hostkit::ParameterModel model;
};
// `given` is the --plugin path, empty when none was given.
LoadedPlugin LoadPlugin(const std::string& given);
// With --verbose, writes the renderer it got to standard error.
std::unique_ptr<hostkit::EglContext> MakeGlContext(const GlOptions& options);
// "llvmpipe (LLVM 15.0.6, 256 bits), OpenGL 4.5 (Core Profile) Mesa 22.3.6, on the surfaceless platform"
std::string DescribeRenderer(const hostkit::EglContext& context);
// The parsed --set values, its warnings printed.
hostkit::ParameterPlan ParsePlan(const std::vector<std::string>& settings, const hostkit::ParameterModel& model);
// The settings of the --preset file (none when `preset` is empty) with --set laid over them.
std::vector<std::string> WithPreset(const std::string& preset, const std::vector<std::string>& settings,
                                    const hostkit::ParameterModel& model);
// GL context current: an instance of the plugin rendering width x height from `input`.
std::unique_ptr<hostkit::InstanceDriver> MakeDriver(const LoadedPlugin& plugin, int width, int height,
                                                    hostkit::PixelFormat format, const hostkit::Image& input);

// Ctrl-C asks a running render to stop (and leave nothing behind); a second one ends the
// program at once.
void InstallInterruptHandler();
bool Interrupted();

}  // namespace swirlcli
