#pragma once
// The command line read into values: the options `render` and `preview` share (--input,
// --size, --fps, --preset, --set), declared and parsed in one place, and the readers that turn
// an option's text into its value as the command line is parsed, so that nothing after the
// parse reads that text again. The preview's "Copy command" writes the same settings back
// (hostkit::RenderCommandLine), so a copied command parses into the settings it came from.

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/hostkit/params/render_settings.h"

namespace swirlcli {

// A value that its option cannot take, found as the command line is read: one line worded by
// the option's reader, reported as any other usage mistake (main.cpp).
class UsageMistake : public CLI::ParseError {
 public:
  explicit UsageMistake(const std::string& text)
      : CLI::ParseError("UsageMistake", text, CLI::ExitCodes::ValidationError) {}
};

// An option of CLI11's own type `Value` whose value is none until it is given.
template <typename Value>
CLI::Option* AddOptionalOption(CLI::App& command, const std::string& name, std::optional<Value>& value,
                               const std::string& help) {
  return command.add_option_function<Value>(name, [&value](const Value& given) { value = given; }, help);
}

// WIDTHxHEIGHT into a size; throws UsageMistake naming the text otherwise.
hostkit::FrameSize ReadFrameSize(const std::string& text);

// An option taking one size: none until it is given, or the default it shows in --help.
CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, std::optional<hostkit::FrameSize>& size,
                           const std::string& help);
CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, hostkit::FrameSize& size,
                           const std::string& help);
// A repeatable option of sizes; the ones given replace the defaults it shows in --help.
CLI::Option* AddSizeOption(CLI::App& command, const std::string& name, std::vector<hostkit::FrameSize>& sizes,
                           const std::string& help);

// What a command says about each shared option; --preset means the same everywhere.
struct SettingsHelp {
  const char* input;
  const char* size;
  const char* fps;
  const char* set;
};

// Adds the shared options to `command`, read into `settings`. A rate is above 0 and at most
// `maxFps`, which a command that paces a window sets.
void AddSettingsOptions(CLI::App& command, hostkit::RenderSettings& settings, const SettingsHelp& help,
                        double maxFps = std::numeric_limits<double>::infinity());

}  // namespace swirlcli
