#include "tools/hostkit/media/frame_source.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "tools/hostkit/image/image_fit.h"
#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/media/decoded_stream.h"
#include "tools/hostkit/media/media_probe.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/pending_file.h"

namespace hostkit {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasExtension(const std::string& path, const char* extension) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  std::string found = path.substr(dot + 1);
  for (char& c : found) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return found == extension;
}

std::string Describe(const std::string& name, const SourceInfo& info, const char* kind) {
  char text[200];
  if (info.still) {
    std::snprintf(text, sizeof text, " (%dx%d, still%s)", info.width, info.height, info.hasAlpha ? ", alpha" : "");
  } else {
    char length[40];
    if (info.frames < 0) {
      std::snprintf(length, sizeof length, "%s", kind);
    } else if (info.frames == 0) {
      std::snprintf(length, sizeof length, "length unknown");
    } else {
      std::snprintf(length, sizeof length, "%lld frame%s", static_cast<long long>(info.frames),
                    info.frames == 1 ? "" : "s");
    }
    char rate[64];
    if (info.averageFps > 0.0) {
      std::snprintf(rate, sizeof rate, "%g fps on average, varying", info.averageFps);
    } else {
      std::snprintf(rate, sizeof rate, "%g fps", info.fps);
    }
    std::snprintf(text, sizeof text, " (%dx%d, %s, %s%s%s)", info.width, info.height, rate, length,
                  info.hasAlpha ? ", alpha" : "", info.hasAudio ? ", sound" : "");
  }
  return name + text;
}

// The delivered size: the request's, or the picture's own.
void DeliveredSize(const SourceRequest& request, const SourceInfo& info, int& width, int& height) {
  const bool own = request.width <= 0 || request.height <= 0;
  width = own ? info.width : request.width;
  height = own ? info.height : request.height;
}

// The matrix and range the stream's pixels were made with. Untagged streams get what their
// size suggests: HD and above BT.709, below BT.601; limited range unless tagged full.
std::string ColourOptions(const MediaFacts& facts) {
  if (PixelFormatIsRgb(facts.pixelFormat)) return "";
  const std::string& space = facts.colorSpace;
  std::string matrix = facts.height >= 720 ? "bt709" : "bt601";
  if (space == "bt709") matrix = "bt709";
  if (space == "smpte170m" || space == "bt470bg") matrix = "bt601";
  if (space == "fcc" || space == "smpte240m") matrix = space;
  if (space == "bt2020nc" || space == "bt2020c") matrix = "bt2020";
  const bool full = facts.colorRange == "pc" || facts.pixelFormat.rfind("yuvj", 0) == 0;
  return "in_color_matrix=" + matrix + ":in_range=" + (full ? "full" : "limited") + ":";
}

// Frames at a steady `rate` when it is above 0 (each the frame on screen at its time, so the
// picture keeps its times against the sound), positioned from `skip`, converted to RGBA with the stream's own colours, fitted into
// width x height and flipped to rows bottom to top, as GL takes them. The size is always
// forced, so every frame has the bytes the reader expects even if a stream changes size.
std::string FilterChain(const MediaFacts& facts, int width, int height, int64_t skip, double rate) {
  std::string chain;
  if (rate > 0.0) chain += "fps=" + RateText(rate) + ",";
  if (skip > 0) chain += "trim=start_frame=" + std::to_string(skip) + ",setpts=PTS-STARTPTS,";
  const std::string size = std::to_string(width) + ":" + std::to_string(height);
  return chain + "scale=" + size + ":force_original_aspect_ratio=decrease:" + ColourOptions(facts) +
         "flags=bicubic,format=rgba,pad=" + size + ":(ow-iw)/2:(oh-ih)/2:color=black@0,vflip";
}

std::vector<std::string> DecodeArguments(const std::string& ffmpeg, const MediaFacts& facts,
                                         const std::vector<std::string>& input, int width, int height,
                                         int64_t skip, bool oneFrame, double rate = 0.0) {
  std::vector<std::string> args = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error"};
  // ffmpeg's own VP9 decoder drops the alpha that such streams carry beside the picture.
  if (facts.alphaTagged && facts.codec == "vp9") args.insert(args.end(), {"-c:v", "libvpx-vp9"});
  // The JPEG decoder fills a picture cut short with grey and says so only as a warning.
  if (oneFrame && facts.codec == "mjpeg") args.insert(args.end(), {"-err_detect", "explode"});
  args.insert(args.end(), input.begin(), input.end());
  args.insert(args.end(), {"-map", "0:v:0", "-an", "-sn", "-dn", "-vf", FilterChain(facts, width, height, skip, rate),
                           "-fps_mode", "passthrough"});
  if (oneFrame) args.insert(args.end(), {"-frames:v", "1"});
  args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "rgba", "pipe:1"});
  return args;
}

class StillSource final : public FrameSource {
 public:
  StillSource(SourceInfo info, Image picture) : info(std::move(info)), picture(std::move(picture)) {}
  const SourceInfo& Info() const override { return info; }
  bool Next(Image& image, std::string&) override {
    image.width = picture.width;
    image.height = picture.height;
    image.rgba.resize(picture.rgba.size());
    std::copy(picture.rgba.begin(), picture.rgba.end(), image.rgba.begin());
    return true;
  }

 private:
  SourceInfo info;
  Image picture;
};

std::unique_ptr<FrameSource> OpenPng(const SourceRequest& request, std::string& error) {
  Image picture;
  if (!ReadPng(request.location, picture, error)) return nullptr;
  SourceInfo info;
  info.width = picture.width;
  info.height = picture.height;
  info.fps = kDefaultFrameRate;
  info.frames = 1;
  info.still = true;
  for (size_t i = 3; i < picture.rgba.size(); i += 4) {
    if (picture.rgba[i] != 255) {
      info.hasAlpha = true;
      break;
    }
  }
  info.description = Describe(BaseName(request.location), info, "");
  int width = 0, height = 0;
  DeliveredSize(request, info, width, height);
  if (width != picture.width || height != picture.height) picture = FitPicture(picture, width, height);
  return std::make_unique<StillSource>(std::move(info), std::move(picture));
}

// A still through ffmpeg: one frame decoded now and kept.
std::unique_ptr<FrameSource> OpenDecodedStill(const std::string& ffmpeg, const SourceRequest& request,
                                              const MediaFacts& facts, const std::vector<std::string>& input,
                                              SourceInfo info, std::string& error) {
  int width = 0, height = 0;
  DeliveredSize(request, info, width, height);
  ChildOptions options;
  options.arguments = DecodeArguments(ffmpeg, facts, input, width, height, 0, true);
  options.pipeOutput = true;
  auto child = ChildProcess::Start(options, error);
  if (!child) return nullptr;
  Image picture;
  picture.width = width;
  picture.height = height;
  picture.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  size_t got = 0;
  std::string outcome;
  const bool read = child->Read(picture.rgba.data(), picture.rgba.size(), got, error);
  if (!child->Wait(outcome) || !read || got != picture.rgba.size()) {
    const std::string said = child->LogTail(2);
    error = "cannot decode " + info.description + ": " + (said.empty() ? "ffmpeg " + outcome : said);
    return nullptr;
  }
  return std::make_unique<StillSource>(std::move(info), std::move(picture));
}

// The numbers of the files that `pattern` matches, listed from its directory.
std::set<int64_t> ListSequence(const NumberPattern& pattern) {
  std::set<int64_t> numbers;
  const std::string directory = DirectoryOf(pattern.prefix + "0");
  const std::string namePrefix = BaseName(pattern.prefix + "0");
  const std::string head = namePrefix.substr(0, namePrefix.size() - 1);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= head.size() + pattern.suffix.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - pattern.suffix.size(), pattern.suffix.size(), pattern.suffix) != 0) {
      continue;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - pattern.suffix.size());
    if (digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    // "%04d" writes at least four digits, "%d" no leading zeros: other names are not its files.
    const bool padded = static_cast<int>(digits.size()) == pattern.width ||
                        (static_cast<int>(digits.size()) > pattern.width && (digits[0] != '0' || digits.size() == 1));
    if (padded) numbers.insert(std::stoll(digits));
  }
  return numbers;
}

// ffmpeg's own spelling of the pattern: "%04d", with any other '%' doubled.
std::string FfmpegPattern(const NumberPattern& pattern) {
  auto escape = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '%' ? std::string("%%") : std::string(1, c);
    return out;
  };
  const std::string number = pattern.width > 0 ? "%0" + std::to_string(pattern.width) + "d" : "%d";
  return escape(pattern.prefix) + number + escape(pattern.suffix);
}

// A location checked and sorted: a camera, a numbered sequence of files or one file, with the
// arguments that name it to ffprobe and ffmpeg.
struct Input {
  std::string location;
  bool camera = false;
  bool sequence = false;
  NumberPattern pattern;            // a sequence's names
  int64_t first = 0, count = 0;     // a sequence's first number and its length
  std::vector<std::string> probe;   // ffprobe's input arguments
  std::vector<std::string> decode;  // ffmpeg's (a sequence's are made for each start)
};

// Sorts the location into a camera, a sequence or a file; refuses what is none of them.
bool PlaceInput(const std::string& location, Input& input, std::string& error) {
  input.location = location;
  input.camera = IsCameraLocation(location);
  std::error_code ignored;
  const bool exists = fs::exists(location, ignored);
  input.sequence = !input.camera && !exists && FindNumberPattern(location, input.pattern);
  if (!input.camera && !exists && !input.sequence) {
    error = "input file not found: " + location;
    return false;
  }
  if (exists && fs::is_directory(location, ignored)) {
    error = "input is a directory, not a file: " + location;
    return false;
  }
  if (input.camera && !exists) {
    error = "cannot open the camera " + location + ": no such device";
    return false;
  }
  return true;
}

bool FindFfmpeg(const std::string& location, std::string& ffmpeg, std::string& ffprobe, std::string& error) {
  if (FindProgram("ffmpeg", ffmpeg) && FindProgram("ffprobe", ffprobe)) return true;
  error = "ffmpeg is not installed: reading " + BaseName(location) +
          " needs it (PNG stills work without it; scripts/setup.sh installs it)";
  return false;
}

// A sequence's numbers from its directory: the first and the length, refused when one in the
// middle is missing.
bool MeasureSequence(Input& input, std::string& error) {
  const NumberPattern& pattern = input.pattern;
  const std::set<int64_t> numbers = ListSequence(pattern);
  if (numbers.empty()) {
    error = "no file matches the input sequence " + input.location;
    return false;
  }
  const int64_t first = *numbers.begin();
  const int64_t last = *numbers.rbegin();
  for (int64_t n = first; n <= last; ++n) {
    if (!numbers.count(n)) {
      error = "input sequence " + input.location + " misses " + pattern.Format(static_cast<int>(n)) +
              " (it runs from " + pattern.Format(static_cast<int>(first)) + " to " +
              pattern.Format(static_cast<int>(last)) + ")";
      return false;
    }
  }
  input.first = first;
  input.count = last - first + 1;
  return true;
}

// The input arguments of ffprobe and ffmpeg; a sequence is probed by its first file.
bool NameInput(Input& input, std::string& error) {
  if (input.sequence) {
    if (!MeasureSequence(input, error)) return false;
    input.probe = {"-i", "file:" + input.pattern.Format(static_cast<int>(input.first))};
  } else if (input.camera) {
    input.probe = input.decode = {"-f", "v4l2", "-i", input.location};
  } else {
    input.probe = input.decode = {"-i", "file:" + input.location};
  }
  return true;
}

// The sequence read from its frame `frame` on: the image reader positions itself by file
// number, so no frame is decoded only to be dropped.
std::vector<std::string> SequenceFrom(const Input& input, int64_t frame) {
  return {"-f", "image2", "-framerate", RateText(kDefaultFrameRate), "-start_number",
          std::to_string(input.first + frame), "-i", FfmpegPattern(input.pattern)};
}

// What the probe says of a picture whatever it is: its size and whether it has alpha.
SourceInfo ProbedInfo(const MediaFacts& facts) {
  SourceInfo info;
  info.width = facts.width;
  info.height = facts.height;
  info.hasAlpha = facts.alphaTagged || PixelFormatHasAlpha(facts.pixelFormat);
  if (facts.colorTransfer == "smpte2084") info.hdrTransfer = "PQ";
  if (facts.colorTransfer == "arib-std-b67") info.hdrTransfer = "HLG";
  return info;
}

std::string DisplayName(const Input& input) { return input.camera ? input.location : BaseName(input.location); }

SourceInfo StillInfo(const MediaFacts& facts, const Input& input) {
  SourceInfo info = ProbedInfo(facts);
  info.still = true;
  info.frames = 1;
  info.fps = kDefaultFrameRate;
  info.description = Describe(DisplayName(input), info, "");
  return info;
}

// The steady rate a file whose rate varies is delivered at: the one asked for, else the rate its
// frames' times are steps of, which keeps every frame (unless that is beyond any camera's, as
// when the steps are a clock's ticks: then its average, in whole frames).
double SteadyRate(const MediaFacts& facts, const SourceRequest& request) {
  if (request.fps > 0.0) return request.fps;
  if (facts.nominalFps > 0.0 && facts.nominalFps <= 120.0) return facts.nominalFps;
  return std::max(1.0, std::round(facts.fps));
}

// Moving frames: a sequence at the still rate and without sound, a camera without end, a file
// whose picture stream's length nothing gives with 0 frames (it runs as far as it delivers).
// A file whose rate varies runs at a steady rate; its length in those frames is not known
// before it is decoded.
void MovingInfo(const MediaFacts& facts, const Input& input, const SourceRequest& request, SourceInfo& info) {
  info = ProbedInfo(facts);
  info.hasAudio = !input.sequence && facts.hasAudio;
  info.fps = input.sequence || facts.fps <= 0.0 ? kDefaultFrameRate : facts.fps;
  info.frames = input.camera ? -1 : input.sequence ? input.count : facts.frames;
  if (facts.variableRate && !input.sequence && !input.camera) {
    info.averageFps = facts.fps;
    info.fps = SteadyRate(facts, request);
    info.frames = 0;
  }
  info.description = Describe(DisplayName(input), info, "camera");
}

// ffmpeg's runs for the frames from the requested start and, for a looping source, for every
// later pass from frame 0; refused when the start lies past the end.
bool PlanDecoding(const std::string& ffmpeg, const MediaFacts& facts, const Input& input,
                  const SourceRequest& request, const SourceInfo& info, DecodePlan& plan, std::string& error) {
  DeliveredSize(request, info, plan.width, plan.height);
  plan.loop = request.loop && !input.camera;
  const bool known = info.frames > 0;
  if (plan.loop && !known && request.start > 0) {
    error = info.description + " does not say its length, so a loop cannot start at its frame " +
            std::to_string(request.start) + ": start at 0";
    return false;
  }
  const int64_t start = input.camera ? 0 : (plan.loop && known ? request.start % info.frames : request.start);
  plan.start = start;
  if (!input.camera && known && start >= info.frames) {
    error = info.description + " has no frame " + std::to_string(request.start) + " (its frames are 0 to " +
            std::to_string(info.frames - 1) + ")";
    return false;
  }
  if (input.sequence) {
    plan.first = DecodeArguments(ffmpeg, facts, SequenceFrom(input, start), plan.width, plan.height, 0, false);
    plan.again = DecodeArguments(ffmpeg, facts, SequenceFrom(input, 0), plan.width, plan.height, 0, false);
  } else {
    const double rate = info.averageFps > 0.0 ? info.fps : 0.0;
    plan.first = DecodeArguments(ffmpeg, facts, input.decode, plan.width, plan.height, start, false, rate);
    plan.again = DecodeArguments(ffmpeg, facts, input.decode, plan.width, plan.height, 0, false, rate);
  }
  plan.expected = input.camera || !known ? 0 : info.frames - start;
  plan.expectedIsEstimate = !input.sequence && !input.camera && facts.framesEstimated;
  return true;
}

// PNG stills are read here; everything else is probed and decoded by the ffmpeg programs.
std::unique_ptr<FrameSource> OpenMedia(const SourceRequest& request, std::string& error) {
  Input input;
  if (!PlaceInput(request.location, input, error)) return nullptr;
  const bool oneFile = !input.camera && !input.sequence;
  if (oneFile && HasExtension(request.location, "png")) return OpenPng(request, error);
  std::string ffmpeg, ffprobe;
  if (!FindFfmpeg(request.location, ffmpeg, ffprobe, error) || !NameInput(input, error)) return nullptr;
  MediaFacts facts;
  if (!ProbeMedia(ffprobe, input.probe, facts, error)) {
    error = (input.camera ? "cannot open the camera " : "cannot read the input ") + request.location + ": " + error;
    return nullptr;
  }
  const bool pictureFile = facts.container == "image2" || facts.container.find("_pipe") != std::string::npos;
  if (oneFile && pictureFile) {
    return OpenDecodedStill(ffmpeg, request, facts, input.decode, StillInfo(facts, input), error);
  }
  SourceInfo info;
  DecodePlan plan;
  MovingInfo(facts, input, request, info);
  if (!PlanDecoding(ffmpeg, facts, input, request, info, plan, error)) return nullptr;
  return DecodedStream::Start(std::move(info), std::move(plan), error);
}

}  // namespace

std::string InputFileOverwritten(const std::string& location, const std::string& output, bool numbered, int64_t first,
                                 int64_t count) {
  std::set<FileIdentity> read;
  FileIdentity identity;
  NumberPattern pattern;
  if (IdentifyFile(location, identity)) {
    read.insert(identity);
  } else if (FindNumberPattern(location, pattern)) {
    for (int64_t n : ListSequence(pattern)) {
      if (IdentifyFile(pattern.Format(static_cast<int>(n)), identity)) read.insert(identity);
    }
  }
  const auto isRead = [&](const std::string& path) { return IdentifyFile(path, identity) && read.count(identity) > 0; };
  if (isRead(output) || !numbered || !FindNumberPattern(output, pattern)) return isRead(output) ? output : "";
  // Only files that exist can be inputs: those the pattern names among the frames written.
  for (int64_t n : ListSequence(pattern)) {
    if (n < first || n - first >= count) continue;
    const std::string path = pattern.Format(static_cast<int>(n));
    if (isRead(path)) return path;
  }
  return "";
}

bool IsCameraLocation(const std::string& location) {
  if (location.rfind("/dev/video", 0) != 0 || location.size() == 10) return false;
  return location.find_first_not_of("0123456789", 10) == std::string::npos;
}

std::string HdrNote(const SourceInfo& info) {
  if (info.hdrTransfer.empty()) return "";
  return info.description + " is HDR video (" + info.hdrTransfer +
         "): it is shown as SDR, without tone mapping, so its brightness and colours differ from an HDR player's";
}

std::unique_ptr<FrameSource> OpenFrameSource(const SourceRequest& request, std::string& error) {
  if (request.location.empty()) {
    error = "no input given";
    return nullptr;
  }
  if (request.start < 0) {
    error = "an input cannot start before its frame 0";
    return nullptr;
  }
  return OpenMedia(request, error);
}

}  // namespace hostkit
