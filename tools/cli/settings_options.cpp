#include "tools/cli/settings_options.h"

namespace swirlcli {

void AddSettingsOptions(CLI::App& command, hostkit::RenderSettings& settings, const SettingsHelp& help) {
  namespace option = hostkit::option;
  command.add_option(option::kInput, settings.input, help.input);
  command.add_option(option::kSize, settings.size, help.size)->each([&settings](const std::string&) {
    settings.sizeGiven = true;
  });
  command.add_option(option::kFps, settings.fps, help.fps)->each([&settings](const std::string&) {
    settings.fpsGiven = true;
  });
  command.add_option(option::kPreset, settings.preset, "Preset file (JSON) to start from; --set overrides its values");
  command.add_option(option::kSet, settings.values, help.set);
}

}  // namespace swirlcli
