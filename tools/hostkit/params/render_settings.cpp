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

bool ParseSide(const std::string& text, int& side) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  side = std::atoi(text.c_str());
  return true;
}

}  // namespace

bool ParseFrameSize(const std::string& text, int& width, int& height, std::string& error) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos || !ParseSide(text.substr(0, x), width) || !ParseSide(text.substr(x + 1), height)) {
    error = "size \"" + text + "\" is not WIDTHxHEIGHT, such as 1280x720";
    return false;
  }
  if (width < 1 || height < 1) {
    error = "size " + text + " has no pixels: width and height must be at least 1";
    return false;
  }
  return true;
}

std::string FrameSizeText(const FrameSize& size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::vector<std::string> SettingsArguments(const RenderSettings& settings) {
  std::vector<std::string> words;
  if (!settings.input.empty()) words.insert(words.end(), {option::kInput, settings.input});
  if (settings.size) words.insert(words.end(), {option::kSize, FrameSizeText(*settings.size)});
  if (settings.fps) words.insert(words.end(), {option::kFps, DoubleText(*settings.fps)});
  if (!settings.preset.empty()) words.insert(words.end(), {option::kPreset, settings.preset});
  if (settings.blend) words.insert(words.end(), {option::kBlend, BlendModeName(*settings.blend)});
  if (!settings.mix.empty()) words.insert(words.end(), {option::kMix, settings.mix});
  for (const auto& value : settings.values) words.insert(words.end(), {option::kSet, value});
  return words;
}

std::vector<std::string> PlanValues(const RenderSettings& settings) {
  std::vector<std::string> values;
  if (settings.blend) values.push_back(std::string("Blend=") + BlendModeName(*settings.blend));
  if (!settings.mix.empty()) values.push_back("Mix=" + settings.mix);
  values.insert(values.end(), settings.values.begin(), settings.values.end());
  return values;
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
