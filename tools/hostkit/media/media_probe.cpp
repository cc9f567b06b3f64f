#include "tools/hostkit/media/media_probe.h"

#include <cmath>
#include <cstdlib>
#include <utility>
#include <nlohmann/json.hpp>

#include "tools/hostkit/platform/child_process.h"

namespace hostkit {
namespace {

using Json = nlohmann::json;

std::string Text(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) return "";
  if (found->is_string()) return found->get<std::string>();
  if (found->is_number()) return found->dump();
  return "";
}

// "30000/1001" or "25/1"; 0 for "0/0" and anything unreadable.
double Rate(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return std::atof(text.c_str());
  const double numerator = std::atof(text.substr(0, slash).c_str());
  const double denominator = std::atof(text.substr(slash + 1).c_str());
  return denominator > 0.0 ? numerator / denominator : 0.0;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

bool PixelFormatHasAlpha(const std::string& f) {
  return StartsWith(f, "yuva") || StartsWith(f, "gbrap") || StartsWith(f, "ya") || StartsWith(f, "rgba") ||
         StartsWith(f, "bgra") || StartsWith(f, "argb") || StartsWith(f, "abgr") || f == "pal8";
}

bool PixelFormatIsRgb(const std::string& f) {
  for (const char* prefix : {"rgb", "bgr", "gbr", "argb", "abgr", "gray", "ya", "pal8", "monow", "monob", "0rgb",
                             "0bgr", "x2rgb", "x2bgr"}) {
    if (StartsWith(f, prefix)) return true;
  }
  return false;
}

bool ProbeMedia(const std::string& program, const std::vector<std::string>& inputArguments, MediaFacts& facts,
                std::string& error) {
  ChildOptions options;
  options.arguments = {program, "-hide_banner", "-v", "error", "-print_format", "json", "-show_format",
                       "-show_streams"};
  options.arguments.insert(options.arguments.end(), inputArguments.begin(), inputArguments.end());
  options.pipeOutput = true;
  auto child = ChildProcess::Start(options, error);
  if (!child) return false;
  std::string report;
  uint8_t chunk[16384];
  for (;;) {
    size_t got = 0;
    if (!child->Read(chunk, sizeof chunk, got, error)) return false;
    report.append(reinterpret_cast<const char*>(chunk), got);
    if (got < sizeof chunk) break;
  }
  std::string outcome;
  if (!child->Wait(outcome)) {
    const std::string said = child->LogTail(1);
    error = said.empty() ? "ffprobe " + outcome : said;
    return false;
  }
  const Json json = Json::parse(report, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "ffprobe gave no readable report";
    return false;
  }
  facts = MediaFacts{};
  const Json empty = Json::object();
  const Json& format = json.contains("format") && json["format"].is_object() ? json["format"] : empty;
  facts.container = Text(format, "format_name");
  const Json* picture = nullptr;
  if (json.contains("streams") && json["streams"].is_array()) {
    for (const Json& stream : json["streams"]) {
      const std::string type = Text(stream, "codec_type");
      const bool coverArt = stream.contains("disposition") && stream["disposition"].is_object() &&
                            stream["disposition"].value("attached_pic", 0) == 1;
      if (type == "audio") facts.hasAudio = true;
      if (type == "video" && !coverArt && !picture) picture = &stream;
    }
  }
  if (!picture) {
    error = "it has no picture stream";
    return false;
  }
  const Json& stream = *picture;
  facts.codec = Text(stream, "codec_name");
  facts.pixelFormat = Text(stream, "pix_fmt");
  facts.colorSpace = Text(stream, "color_space");
  facts.colorRange = Text(stream, "color_range");
  facts.width = stream.value("width", 0);
  facts.height = stream.value("height", 0);
  facts.fps = Rate(Text(stream, "avg_frame_rate"));
  if (facts.fps <= 0.0) facts.fps = Rate(Text(stream, "r_frame_rate"));
  facts.frames = std::atoll(Text(stream, "nb_frames").c_str());
  if (facts.frames <= 0 && facts.fps > 0.0) {
    // Containers such as Matroska keep no frame count: the duration at the stream's rate.
    double seconds = std::atof(Text(stream, "duration").c_str());
    if (seconds <= 0.0) seconds = std::atof(Text(format, "duration").c_str());
    facts.frames = static_cast<int64_t>(std::llround(seconds * facts.fps));
    facts.framesEstimated = true;
  }
  if (stream.contains("tags") && stream["tags"].is_object()) {
    for (const auto& [key, value] : stream["tags"].items()) {
      if ((key == "alpha_mode" || key == "ALPHA_MODE") && value.is_string() && value.get<std::string>() == "1") {
        facts.alphaTagged = true;
      }
    }
  }
  // ffmpeg turns pictures that their file says are rotated (phone videos) upright as it
  // decodes them: a quarter turn swaps the sides.
  int rotation = std::atoi(Text(stream.value("tags", Json::object()), "rotate").c_str());
  if (stream.contains("side_data_list") && stream["side_data_list"].is_array()) {
    for (const Json& side : stream["side_data_list"]) {
      if (side.is_object() && side.contains("rotation") && side["rotation"].is_number()) {
        rotation = side["rotation"].get<int>();
      }
    }
  }
  if (std::abs(rotation) % 180 == 90) std::swap(facts.width, facts.height);
  if (facts.width < 1 || facts.height < 1) {
    error = "its picture stream has no size";
    return false;
  }
  return true;
}

}  // namespace hostkit
