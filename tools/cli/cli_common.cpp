#include "tools/cli/cli_common.h"

#include <cstdio>
#include <cstdlib>

#include "tools/hostkit/platform/descriptor_io.h"
#include "tools/hostkit/gl/egl_devices.h"
#include "tools/hostkit/plugin/plugin_search.h"
#include "tools/hostkit/platform/interrupt.h"
#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/preset.h"

namespace swirlcli {

bool StderrIsTerminal() { return hostkit::IsTerminal(hostkit::kStandardError); }

void PrintError(const std::string& text) { std::fprintf(stderr, "swirlmoss: error: %s\n", text.c_str()); }
void PrintWarning(const std::string& text) { std::fprintf(stderr, "swirlmoss: warning: %s\n", text.c_str()); }
void PrintNote(const std::string& text) { std::fprintf(stderr, "swirlmoss: %s\n", text.c_str()); }

void Require(bool ok, const std::string& error, int exitCode) {
  if (!ok) throw CommandFailure(error, exitCode);
}

void AddPluginOption(CLI::App& command, std::string& plugin) {
  std::string found, error;
  const bool any = hostkit::FindPlugin("", hostkit::PluginSeeker::Program, found, error);
  command.add_option("--plugin", plugin,
                     "Plugin library to load; default: the one SWIRLMOSS_PLUGIN names, else Swirlmoss.so beside this "
                     "program, else the installed one (here: " + (any ? found : std::string("none found")) + ")");
}

LoadedPlugin LoadPlugin(const std::string& given) {
  LoadedPlugin plugin;
  std::string path, error;
  Require(hostkit::FindPlugin(given, hostkit::PluginSeeker::Program, path, error), error);
  plugin.library = hostkit::PluginLibrary::Load(path, error);
  Require(plugin.library && hostkit::ParameterModel::Query(*plugin.library, plugin.model, error), error);
  return plugin;
}

void AddGlOptions(CLI::App& command, GlOptions& options) {
  command
      .add_option("--device", options.device,
                  "EGL device index to render on, as `swirlmoss devices` lists them; auto: a GPU if there is one, "
                  "else Mesa's surfaceless platform, else the software device")
      ->capture_default_str();
  command.add_flag("-v,--verbose", options.verbose, "Write the renderer used to standard error");
}

std::unique_ptr<hostkit::EglContext> MakeGlContext(const GlOptions& options) {
  std::string error;
  int device = -1;
  const bool parsed = hostkit::ParseDeviceChoice(options.device, device, error);
  Require(parsed, "--device: " + error, kExitUsage);
  auto context = hostkit::EglContext::Create(device, error);
  Require(context != nullptr, error);
  if (options.verbose) std::fprintf(stderr, "swirlmoss: renderer: %s\n", DescribeRenderer(*context).c_str());
  return context;
}

std::string DescribeRenderer(const hostkit::EglContext& context) {
  return context.RendererText() + ", OpenGL " + context.VersionText() + ", on " + context.SourceText();
}

hostkit::ParameterPlan ParsePlan(const std::vector<std::string>& settings, const hostkit::ParameterModel& model) {
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;
  std::string error;
  Require(hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error), error, kExitUsage);
  for (const auto& warning : warnings) PrintWarning(warning);
  return plan;
}

std::vector<std::string> WithPreset(const std::string& preset, const std::vector<std::string>& settings,
                                    const hostkit::ParameterModel& model) {
  if (preset.empty()) return settings;
  std::vector<std::string> fromPreset;
  std::string error, path;
  Require(hostkit::ResolvePreset(preset, path, error), error, kExitUsage);
  Require(hostkit::ReadPreset(path, model, fromPreset, error), error);
  return hostkit::OverlaySettings(fromPreset, settings, model);
}

std::unique_ptr<hostkit::InstanceDriver> MakeDriver(const LoadedPlugin& plugin, int width, int height,
                                                    hostkit::PixelFormat format, const hostkit::Image& input) {
  std::string error;
  auto driver = hostkit::InstanceDriver::Create(*plugin.library, width, height, format, input, error);
  Require(driver != nullptr, error);
  return driver;
}

void InstallInterruptHandler() { hostkit::InstallInterruptHandler(); }

bool Interrupted() { return hostkit::InterruptRequested(); }

}  // namespace swirlcli
