#include "tools/cli/settings_options.h"

#include <cmath>

namespace swirlcli {

hostkit::FrameSize ReadFrameSize(const std::string& text) {
  hostkit::FrameSize size;
  std::string error;
  if (!hostkit::ParseFrameSize(text, size.width, size.height, error)) throw UsageMistake(error);
  return size;
}

CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, std::optional<hostkit::FrameSize>& size,
                           const std::string& help) {
  return command.add_option_function<std::string>(
      name, [&size](const std::string& text) { size = ReadFrameSize(text); }, help);
}

CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, hostkit::FrameSize& size,
                           const std::string& help) {
  return command
      .add_option_function<std::string>(name, [&size](const std::string& text) { size = ReadFrameSize(text); }, help)
      ->default_str(hostkit::FrameSizeText(size));
}

CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, std::vector<hostkit::FrameSize>& sizes,
                           const std::string& help) {
  std::string shown;
  for (const hostkit::FrameSize& size : sizes) shown += (shown.empty() ? "[" : ",") + hostkit::FrameSizeText(size);
  return command
      .add_option_function<std::vector<std::string>>(
          name,
          [&sizes](const std::vector<std::string>& texts) {
            sizes.clear();
            for (const std::string& text : texts) sizes.push_back(ReadFrameSize(text));
          },
          help)
      ->default_str(shown.empty() ? shown : shown + "]");
}

void AddSettingsOptions(CLI::App& command, hostkit::RenderSettings& settings, const SettingsHelp& help,
                        double maxFps) {
  namespace option = hostkit::option;
  command.add_option(option::kInput, settings.input, help.input);
  AddSizeOption(command, option::kSize, settings.size, help.size);
  command.add_option_function<double>(
      option::kFps,
      [&settings, maxFps](double rate) {
        // NaN fails both comparisons.
        if (!(rate > 0.0 && rate <= maxFps)) {
          throw UsageMistake(std::isinf(maxFps) ? "--fps must be above 0"
                                                : "--fps must lie above 0 and at most " + hostkit::RateText(maxFps));
        }
        settings.fps = rate;
      },
      help.fps);
  command.add_option(option::kPreset, settings.preset, "Preset file (JSON) to start from; --set overrides its values");
  command.add_option(option::kSet, settings.values, help.set);
}

}  // namespace swirlcli
