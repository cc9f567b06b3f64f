#include "tools/hostkit/media/media_probe.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <nlohmann/json.hpp>

#include "tools/hostkit/platform/child_process.h"

namespace hostkit {
namespace {

using Json = nlohmann::json;

// Reports come from programs of any version and, when fuzzed, from nowhere: every reader below
// takes any JSON value and answers "nothing" for what it cannot read, so no lookup throws.

const Json* Member(const Json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

const Json& ObjectMember(const Json& object, const char* key) {
  static const Json empty = Json::object();
  const Json* value = Member(object, key);
  return value && value->is_object() ? *value : empty;
}

std::string Text(const Json& object, const char* key) {
  const Json* value = Member(object, key);
  if (!value) return "";
  if (value->is_string()) return value->get<std::string>();
  if (value->is_number()) return value->dump();
  return "";
}

// An integer member ("width": 1920, "rotation": -90) that fits an int; 0 for anything else.
int IntegerMember(const Json& object, const char* key) {
  const Json* value = Member(object, key);
  if (!value || !value->is_number()) return 0;
  const double number = value->get<double>();
  return number >= INT_MIN && number <= INT_MAX ? static_cast<int>(number) : 0;
}

double Positive(double value) { return std::isfinite(value) && value > 0.0 ? value : 0.0; }

// The number at the start of `text` ("0.400000"); 0 when there is none or it is not finite.
double Number(const std::string& text) {
  const double value = std::strtod(text.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

// The whole number at the start of `text` ("10", "-90"), 0 when there is none.
int64_t Whole(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

// "30000/1001" or "25/1"; 0 for "0/0", for rates below zero and anything unreadable.
double Rate(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return Positive(Number(text));
  const double numerator = Number(text.substr(0, slash));
  const double denominator = Number(text.substr(slash + 1));
  return denominator > 0.0 ? Positive(numerator / denominator) : 0.0;
}

// "00:01:02.500000000", as Matroska keeps a stream's duration in its tags, in seconds; 0 when
// it is not written so.
double ClockSeconds(const std::string& text) {
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return 0.0;
  const std::string hours = text.substr(0, first);
  const std::string minutes = text.substr(first + 1, second - first - 1);
  const std::string seconds = text.substr(second + 1);
  auto digits = [](const std::string& part) {
    return !part.empty() && part.size() <= 9 && part.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!digits(hours) || !digits(minutes) || seconds.empty() || seconds[0] < '0' || seconds[0] > '9') return 0.0;
  return Positive(Number(hours) * 3600.0 + Number(minutes) * 60.0 + Number(seconds));
}

// The first picture stream, skipping cover art (a still attached to a song or a film); null when
// there is none. Sets `hasAudio` when any stream is sound, and `audioRate` to the first one's
// sample rate.
const Json* PictureStream(const Json& streams, bool& hasAudio, int& audioRate) {
  const Json* picture = nullptr;
  if (!streams.is_array()) return picture;
  for (const Json& stream : streams) {
    const std::string type = Text(stream, "codec_type");
    const bool coverArt = IntegerMember(ObjectMember(stream, "disposition"), "attached_pic") == 1;
    if (type == "audio" && !hasAudio) {
      hasAudio = true;
      const std::string rate = Text(stream, "sample_rate");
      const bool digits = !rate.empty() && rate.size() <= 7 && rate.find_first_not_of("0123456789") == std::string::npos;
      audioRate = digits ? std::atoi(rate.c_str()) : 0;
    }
    if (type == "video" && !coverArt && !picture) picture = &stream;
  }
  return picture;
}

// The length in frames when the stream keeps no count (Matroska, WebM): its own duration at its
// rate; 0 when nothing gives the stream's duration. The file's duration is no measure of the
// picture: it is its longest stream's, often the sound's.
int64_t EstimatedFrames(const Json& stream, double fps) {
  double seconds = Positive(Number(Text(stream, "duration")));
  if (seconds <= 0.0) seconds = ClockSeconds(Text(ObjectMember(stream, "tags"), "DURATION"));
  const double frames = std::round(seconds * fps);
  return frames < 1e18 ? static_cast<int64_t>(frames) : 0;
}

// ffmpeg turns pictures that their file says are rotated (phone videos) upright as it decodes
// them: true for a quarter turn, which swaps the sides. The display matrix in the side data
// wins over the older "rotate" tag.
bool QuarterTurned(const Json& stream) {
  int64_t rotation = Whole(Text(ObjectMember(stream, "tags"), "rotate"));
  const Json* sideData = Member(stream, "side_data_list");
  if (sideData && sideData->is_array()) {
    for (const Json& side : *sideData) {
      const Json* value = Member(side, "rotation");
      if (value && value->is_number()) rotation = IntegerMember(side, "rotation");
    }
  }
  const int64_t turn = (rotation % 360 + 360) % 360;
  return turn == 90 || turn == 270;
}

bool ReadReport(const Json& json, MediaFacts& facts, std::string& error) {
  if (!json.is_object()) {
    error = "ffprobe gave no readable report";
    return false;
  }
  const Json& format = ObjectMember(json, "format");
  facts.container = Text(format, "format_name");
  const Json* streams = Member(json, "streams");
  const Json* picture = streams ? PictureStream(*streams, facts.hasAudio, facts.audioRate) : nullptr;
  if (!picture) {
    error = "it has no picture stream";
    return false;
  }
  const Json& stream = *picture;
  const Json& tags = ObjectMember(stream, "tags");
  facts.codec = Text(stream, "codec_name");
  facts.pixelFormat = Text(stream, "pix_fmt");
  facts.colorSpace = Text(stream, "color_space");
  facts.colorRange = Text(stream, "color_range");
  facts.colorTransfer = Text(stream, "color_transfer");
  facts.width = IntegerMember(stream, "width");
  facts.height = IntegerMember(stream, "height");
  facts.fps = Rate(Text(stream, "avg_frame_rate"));
  facts.nominalFps = Rate(Text(stream, "r_frame_rate"));
  if (facts.fps <= 0.0) facts.fps = facts.nominalFps;
  // Frames at one interval average the nominal rate (within a short last frame); interlaced
  // pictures say their field rate, twice their frame rate, and are steady too.
  const double ratio = facts.nominalFps > 0.0 ? facts.fps / facts.nominalFps : 1.0;
  facts.variableRate = std::fabs(ratio - 1.0) > 0.02 && std::fabs(ratio - 0.5) > 0.001;
  facts.frames = Whole(Text(stream, "nb_frames"));
  if (facts.frames <= 0 && facts.fps > 0.0) {
    facts.frames = EstimatedFrames(stream, facts.fps);
    facts.framesEstimated = facts.frames > 0;
  }
  // VP9 streams that carry alpha beside the picture say so in a tag, spelt either way.
  facts.alphaTagged = Text(tags, "alpha_mode") == "1" || Text(tags, "ALPHA_MODE") == "1";
  if (QuarterTurned(stream)) std::swap(facts.width, facts.height);
  if (facts.width < 1 || facts.height < 1) {
    error = "its picture stream has no size";
    return false;
  }
  return true;
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
  return ParseProbeReport(report, facts, error);
}

bool ParseProbeReport(const std::string& report, MediaFacts& facts, std::string& error) {
  try {
    MediaFacts read;
    if (!ReadReport(Json::parse(report, nullptr, false), read, error)) return false;
    facts = std::move(read);
    return true;
  } catch (...) {
    // Only running out of memory is left to throw here.
    error = "ffprobe gave no readable report";
    return false;
  }
}

}  // namespace hostkit
