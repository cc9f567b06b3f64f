// swirlmoss info: what a host learns from the plugin before and after making an instance.
// Labels and visibility exist only once a frame has run; a frame record with no input runs
// the mode switch and the labels and draws nothing, so no shader compile is waited for.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/params/mode_rule.h"

namespace swirlcli {
namespace {

struct InfoOptions {
  std::string plugin;
  GlOptions gl;
  bool json = false;
};

using hostkit::ModeView;

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

void PrintJson(const LoadedPlugin& plugin, const std::vector<ModeView>& modes) {
  using nlohmann::ordered_json;
  const hostkit::PluginIdentity id = plugin.library->Identity();
  const hostkit::PluginCapabilities caps = plugin.library->Capabilities();
  ordered_json out;
  out["plugin"] = plugin.library->Path();
  out["info"] = {{"apiVersion", std::to_string(id.apiMajor) + "." + std::to_string(id.apiMinor)},
                 {"uniqueId", id.uniqueId},
                 {"name", id.name},
                 {"type", id.pluginType == 0 ? "effect" : "source"}};
  out["extendedInfo"] = {{"version", std::to_string(id.versionMajor) + "." + std::to_string(id.versionMinor)},
                         {"description", id.description},
                         {"about", id.about}};
  out["capabilities"] = {{"hostTime", caps.hostTime},
                         {"minInputs", caps.minInputs},
                         {"maxInputs", caps.maxInputs},
                         {"topLeftTextureOrientation", caps.topLeftOrientation}};
  ordered_json parameters = ordered_json::array();
  const auto& infos = plugin.model.Parameters();
  for (size_t i = 0; i < infos.size(); ++i) {
    const auto& info = infos[i];
    ordered_json entry = {{"index", info.index}, {"name", info.name}, {"type", hostkit::TypeName(info.type)}};
    if (info.IsText()) {
      entry["default"] = info.defaultText;
    } else {
      entry["default"] = info.defaultValue;
      entry["range"] = {{"min", info.minimum}, {"max", info.maximum}};
    }
    if (info.IsOption()) {
      ordered_json elements = ordered_json::array();
      for (const auto& element : info.elements) elements.push_back({{"name", element.name}, {"value", element.value}});
      entry["elements"] = elements;
    }
    ordered_json perMode = ordered_json::object();
    for (const auto& mode : modes) {
      const auto& shown = mode.parameters[i];
      perMode[mode.name] = {{"visible", shown.visible}, {"displayName", shown.displayName}, {"value", shown.value}};
    }
    entry["modes"] = perMode;
    parameters.push_back(entry);
  }
  out["parameters"] = parameters;
  std::printf("%s\n", out.dump(2).c_str());
}

void PrintText(const LoadedPlugin& plugin, const std::vector<ModeView>& modes) {
  const hostkit::PluginIdentity id = plugin.library->Identity();
  const hostkit::PluginCapabilities caps = plugin.library->Capabilities();
  std::printf("Plugin       %s\n", plugin.library->Path().c_str());
  std::printf("Name         %s (id %s, %s, interface %u.%u, version %u.%u)\n", id.name.c_str(), id.uniqueId.c_str(),
              id.pluginType == 0 ? "effect" : "source", id.apiMajor, id.apiMinor, id.versionMajor, id.versionMinor);
  std::printf("Description  %s\n", id.description.c_str());
  std::printf("About        %s\n", id.about.c_str());
  std::printf("Capabilities host time %s; inputs %u to %u; top-left texture orientation %s\n",
              caps.hostTime ? "yes" : "no", caps.minInputs, caps.maxInputs, caps.topLeftOrientation ? "yes" : "no");
  std::printf("\nParameters (%zu). Per mode: shown or hidden, the display name the plugin set ('-' for none: a "
              "host shows the name), and the value the mode starts with.\n\n",
              plugin.model.Parameters().size());
  std::printf("%3s  %-15s %-9s %8s  %-11s", "#", "name", "type", "default", "range");
  for (const auto& mode : modes) std::printf("  %-28s", mode.name.c_str());
  std::printf("\n");
  const auto& infos = plugin.model.Parameters();
  for (size_t i = 0; i < infos.size(); ++i) {
    const auto& info = infos[i];
    const std::string range = info.IsText() ? "" : Number(info.minimum) + ".." + Number(info.maximum);
    std::printf("%3u  %-15s %-9s %8s  %-11s", info.index, info.name.c_str(), hostkit::TypeName(info.type),
                info.IsText() ? info.defaultText.c_str() : Number(info.defaultValue).c_str(),
                info.IsOption() ? "options" : range.c_str());
    for (const auto& mode : modes) {
      const auto& shown = mode.parameters[i];
      char cell[96];
      std::snprintf(cell, sizeof cell, "%-6s %-14s %s", shown.visible ? "shown" : "hidden",
                    shown.displayName.empty() ? "-" : shown.displayName.c_str(), Number(shown.value).c_str());
      std::printf("  %-28s", cell);
    }
    std::printf("\n");
    if (info.IsOption()) {
      std::string list;
      for (const auto& element : info.elements) {
        list += (list.empty() ? "" : ", ") + element.name + " = " + Number(element.value);
      }
      std::printf("     %-15s options: %s\n", "", list.c_str());
    }
  }
}

int RunInfo(const InfoOptions& options) {
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  const auto gl = MakeGlContext(options.gl);
  auto driver = MakeDriver(plugin, 16, 16, hostkit::PixelFormat::Rgba8, hostkit::MakeTestCard(16, 16));
  const std::vector<ModeView> modes = hostkit::ReadModeViews(*driver, plugin.model);
  if (options.json) {
    PrintJson(plugin, modes);
  } else {
    PrintText(plugin, modes);
  }
  return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Show the plugin's information, capabilities and parameters (per mode: visibility and labels)");
  AddPluginOption(*command, options->plugin);
  AddGlOptions(*command, options->gl);
  command->add_flag("--json", options->json, "Print one JSON document instead of a table");
  command->callback([options, &exitCode] { exitCode = RunInfo(*options); });
}

}  // namespace swirlcli
