#pragma once
// What a render is made from besides the plugin, as `render` and `preview` take it on their
// command lines: the input, the size, the rate, a preset and --set values, each already read
// into its value. The option names live here once, for the commands that parse them and for
// the preview's "Copy command", which writes them back as a line for the shell.

#include <optional>
#include <string>
#include <vector>

#include "tools/hostkit/gl/composite_program.h"
#include "tools/hostkit/params/frame_rate.h"

namespace hostkit {

namespace option {
inline constexpr char kInput[] = "--input";
inline constexpr char kSize[] = "--size";
inline constexpr char kFps[] = "--fps";
inline constexpr char kPreset[] = "--preset";
inline constexpr char kSet[] = "--set";
inline constexpr char kBlend[] = "--blend";
inline constexpr char kMix[] = "--mix";
}  // namespace option

// A picture's size in pixels.
struct FrameSize {
  int width = 0;
  int height = 0;
};

struct RenderSettings {
  std::string input;               // empty: the built-in test card
  std::optional<FrameSize> size;   // none: the input's own, else the command's default
  std::optional<double> fps;       // none: the input's own rate, else the command's default
  std::string preset;               // empty: none
  std::vector<std::string> values;  // NAME=VALUE, one per --set, in order
  std::optional<BlendMode> blend;   // --blend; none: the preset's, else replace
  std::string mix;                  // --mix: a weight, ramp or keyframes as --set takes them; empty: none
};

// The values a render's plan is made from: "Blend" and "Mix" from --blend and --mix, then the
// --set values.
std::vector<std::string> PlanValues(const RenderSettings& settings);

// Reads a size as users write it, "WIDTHxHEIGHT" (or "X"), each side 1 to 999999. False with a
// one-line `error` naming the text otherwise.
bool ParseFrameSize(const std::string& text, int& width, int& height, std::string& error);

// "1280x720".
std::string FrameSizeText(const FrameSize& size);

// The settings as command-line words: each option given, in the order above, with its value.
std::vector<std::string> SettingsArguments(const RenderSettings& settings);

// "swirlmoss render" with the settings' options and then `extra` (render's own options, as
// words), quoted for a POSIX shell.
std::string RenderCommandLine(const RenderSettings& settings, const std::vector<std::string>& extra);

// `text` as one word for a POSIX shell: as it is when the shell would leave it alone, else in
// single quotes, with each single quote closed, escaped and reopened.
std::string ShellWord(const std::string& text);

}  // namespace hostkit
