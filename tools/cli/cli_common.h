#pragma once
// What every subcommand of the swirlmoss CLI shares: messages, exit codes, the default
// plugin, size parsing, opening the plugin and the GL context, and Ctrl-C.

#include <memory>
#include <string>

#include "tools/hostkit/egl_context.h"
#include "tools/hostkit/parameter_model.h"
#include "tools/hostkit/pixel_format.h"
#include "tools/hostkit/plugin_library.h"

namespace swirlcli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work could not be done (plugin, GL, input, output)
constexpr int kExitUsage = 2;    // the command line itself is wrong

// One line on standard error: "swirlmoss: error: TEXT".
void PrintError(const std::string& text);
void PrintWarning(const std::string& text);
void PrintNote(const std::string& text);  // only when standard error is a terminal
bool StderrIsTerminal();

// The Swirlmoss plugin beside this executable (the build folder), else the installed one.
std::string DefaultPluginPath();

// "1280x720" into width and height. False with a one-line `error` for anything else or a
// side of 0.
bool ParseSize(const std::string& text, int& width, int& height, std::string& error);

// A loaded plugin and its parameters; the GL context is made separately, once the command
// line has been checked against the plugin.
struct LoadedPlugin {
  std::unique_ptr<hostkit::PluginLibrary> library;
  hostkit::ParameterModel model;
};
bool LoadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error);
std::unique_ptr<hostkit::EglContext> MakeGlContext(std::string& error);

// The --input picture, or the built-in test card at width x height when `path` is empty.
bool LoadInput(const std::string& path, int width, int height, hostkit::Image& image, std::string& error);

// Ctrl-C asks a running render to stop (and leave nothing behind); a second one ends the
// program at once.
void InstallInterruptHandler();
bool Interrupted();

}  // namespace swirlcli
