#include "tools/hostkit/params/render_settings.h"

#include <cstdio>
#include <cstdlib>

namespace hostkit {
namespace {

// The shortest decimal text that reads back as exactly `value` ("29.97", "23.976023976023978").
std::string DoubleText(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

}  // namespace

std::vector<std::string> SettingsArguments(const RenderSettings& settings) {
  std::vector<std::string> words;
  if (!settings.input.empty()) words.insert(words.end(), {option::kInput, settings.input});
  if (settings.sizeGiven) words.insert(words.end(), {option::kSize, settings.size});
  if (settings.fpsGiven) words.insert(words.end(), {option::kFps, DoubleText(settings.fps)});
  if (!settings.preset.empty()) words.insert(words.end(), {option::kPreset, settings.preset});
  for (const auto& value : settings.values) words.insert(words.end(), {option::kSet, value});
  return words;
}

std::string RenderCommandLine(const RenderSettings& settings, const std::vector<std::string>& extra) {
  std::string line = "swirlmoss render";
  for (const auto& word : SettingsArguments(settings)) line += " " + ShellWord(word);
  for (const auto& word : extra) line += " " + ShellWord(word);
  return line;
}

std::string ShellWord(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                             "0123456789_-+=.,:/@%") == std::string::npos;
  if (plain) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace hostkit
