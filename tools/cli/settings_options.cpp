#include "tools/cli/settings_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/parameter_model.h"

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

namespace {

// One weight of --mix: a number from 0 to 1.
bool MixWeight(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && value >= 0.0 && value <= 1.0;
}

// --mix as --set takes a value: a weight, a ramp FROM..TO or keyframes FRAME:VALUE,...; each
// weight from 0 to 1.
std::string ReadMix(const std::string& text) {
  bool ok = !text.empty();
  if (text.find(':') != std::string::npos) {
    size_t start = 0;
    while (ok && start <= text.size()) {
      const size_t comma = std::min(text.find(',', start), text.size());
      const std::string key = text.substr(start, comma - start);
      const size_t colon = key.find(':');
      ok = colon != std::string::npos && colon > 0 &&
           key.find_first_not_of("0123456789") == colon && MixWeight(key.substr(colon + 1));
      start = comma + 1;
    }
  } else if (const size_t dots = text.find(".."); dots != std::string::npos) {
    ok = MixWeight(text.substr(0, dots)) && MixWeight(text.substr(dots + 2));
  } else {
    ok = MixWeight(text);
  }
  if (!ok) {
    throw UsageMistake("--mix takes the effect's weight from 0 to 1, a ramp such as 0..1 or keyframes such as "
                       "0:0,30:1; \"" + text + "\" is none of these");
  }
  return text;
}

// --preset takes a look's name as well as a file: the help names the looks installed.
std::string PresetHelp() {
  std::vector<std::string> names;
  for (const hostkit::Look& look : hostkit::ListLooks()) names.push_back(look.name);
  const std::string looks = names.empty() ? "none installed here" : hostkit::JoinNames(names, ", ");
  return "A curated look (" + looks + "; swirlmoss looks describes them) or a preset file (JSON) to start from; "
         "--set overrides its values";
}

}  // namespace

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
  command.add_option(option::kPreset, settings.preset, PresetHelp());
  command.add_option(option::kSet, settings.values, help.set);
  command.add_option_function<std::string>(
      option::kBlend,
      [&settings](const std::string& text) {
        hostkit::BlendMode mode;
        if (!hostkit::ParseBlendMode(text, mode)) {
          throw UsageMistake("unknown blend \"" + text + "\"; choose one of: " + hostkit::BlendModeList());
        }
        settings.blend = mode;
      },
      "How the effect lies over the input: " + hostkit::BlendModeList() + " (default replace: the effect alone)");
  command.add_option_function<std::string>(
      option::kMix, [&settings](const std::string& text) { settings.mix = ReadMix(text); },
      "The effect's weight over the input, 0..1 (default 1); a ramp (0..1) or keyframes (0:0,30:1) as --set takes");
}

}  // namespace swirlcli
