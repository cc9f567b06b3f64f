#include "tools/hostkit/media/output_formats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/params/frame_rate.h"

namespace hostkit {
namespace {

// Frames arrive as full-range RGB. Every YUV output is converted with the BT.709 matrix into
// limited range and tagged so: players read untagged video of this size as BT.601, which
// shifts the hues away from those of the PNG output. setparams puts the tags on the frames
// themselves, which is where the ProRes encoder takes them from; the stream tags after the
// codec serve the other encoders and the containers.
std::string Bt709Conversion(const char* pixelFormat) {
  return std::string("scale=out_color_matrix=bt709:out_range=tv,format=") + pixelFormat +
         ",setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709";
}

std::vector<std::string> WithBt709Tags(std::vector<std::string> args) {
  args.insert(args.end(), {"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                           "-color_range", "tv"});
  return args;
}

OutputFormat Picture(std::vector<std::string> names, const char* extension, OutputKind kind, PixelFormat pixels,
                     const char* description) {
  OutputFormat format;
  format.names = std::move(names);
  format.extension = extension;
  format.kind = kind;
  format.pixels = pixels;
  format.alpha = true;
  format.description = description;
  return format;
}

OutputFormat Video(const char* extension, std::vector<std::string> video, std::vector<std::string> sound,
                   std::vector<std::string> container, bool alpha, const char* soundName, const char* description) {
  OutputFormat format;
  format.names = {std::string("NAME.") + extension};
  format.extension = extension;
  format.kind = OutputKind::Video;
  format.video = std::move(video);
  format.sound = std::move(sound);
  format.container = std::move(container);
  format.alpha = alpha;
  format.soundName = soundName;
  format.description = description;
  return format;
}

OutputFormat WithEvenSides(OutputFormat format) {
  format.evenSides = true;
  return format;
}

std::vector<OutputFormat> MakeTable() {
  OutputFormat stream;
  stream.names = {"-"};
  stream.kind = OutputKind::Stream;
  stream.alpha = true;
  stream.description = "raw RGBA8 frames, rows top to bottom, no header, on standard output";
  return {
      Picture({"NAME.png"}, "png", OutputKind::Picture, PixelFormat::Rgba8, "one PNG of the last frame"),
      Picture({"NAME_%04d.png", "NAME_####.png"}, "png", OutputKind::Sequence, PixelFormat::Rgba8,
              "one PNG per frame, numbered by the frame's place in the timeline"),
      Picture({"NAME.exr"}, "exr", OutputKind::Picture, PixelFormat::RgbaHalf,
              "OpenEXR half floats of the last frame, rendered into a 16-bit float framebuffer: values above 1 kept"),
      Picture({"NAME_%04d.exr", "NAME_####.exr"}, "exr", OutputKind::Sequence, PixelFormat::RgbaHalf,
              "one OpenEXR half-float file per frame, values above 1 kept"),
      // H.264 in 4:2:0 wants even sides: odd sizes are padded by one pixel.
      WithEvenSides(Video(
          "mp4",
          WithBt709Tags({"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2," + Bt709Conversion("yuv420p"), "-c:v", "libx264",
                         "-preset", "veryfast", "-crf", "18"}),
          {"-c:a", "aac", "-b:a", "192k"}, {"-movflags", "+faststart", "-f", "mp4"}, false, "AAC",
          "H.264 `yuv420p`, BT.709 limited range, tagged so; cut pixels show black; odd sides padded by one pixel")),
      // ProRes 4444 keeps a 10-bit alpha plane beside full-resolution chroma.
      Video("mov",
            WithBt709Tags({"-vf", Bt709Conversion("yuva444p10le"), "-c:v", "prores_ks", "-profile:v", "4444"}),
            {"-c:a", "pcm_s16le"}, {"-movflags", "+faststart", "-f", "mov"}, true, "16-bit PCM",
            "ProRes 4444 `yuva444p10le`, BT.709 tagged"),
      // VP9 keeps alpha as a second coded plane. Constant quality. On rendered 720p frames the
      // real-time mode at speed 6 costs a fifth of the CPU time of "good" at speed 4 for the
      // same PSNR and a file some 15% larger: the encoder shares the CPU with the renderer.
      Video("webm",
            WithBt709Tags({"-vf", Bt709Conversion("yuva420p"), "-c:v", "libvpx-vp9", "-crf", "24", "-b:v", "0",
                           "-deadline", "realtime", "-cpu-used", "6", "-row-mt", "1"}),
            {"-c:a", "libopus", "-b:a", "128k"}, {"-f", "webm"}, true, "Opus", "VP9 `yuva420p`, BT.709 tagged"),
      Video("gif", {"-vf", "split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse"}, {}, {"-f", "gif"},
            true, "", "GIF with its own palette and a transparent entry"),
      stream,
  };
}

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::string Joined(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : separator) + name;
  return text;
}

const char* FramesText(OutputKind kind) {
  switch (kind) {
    case OutputKind::Picture:
      return "the last";
    case OutputKind::Sequence:
      return "each in a file of its own";
    case OutputKind::Video:
      return "all (needs ffmpeg)";
    case OutputKind::Stream:
      return "all";
  }
  return "";
}

void Append(std::vector<std::string>& args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
}

// Seconds as ffmpeg's time options take them, to the microsecond.
std::string SecondsText(double seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  return text;
}

// The request's sound file as ffmpeg's next input, mapped after the first input's picture.
// Seeking before -i cuts the sound file itself, sample-exactly, so that the clip's sound
// starts where its first frame does and lasts `seconds`. "file:" makes ffmpeg take a path as a
// file name even when it holds a colon or is "-" (here and for the output).
void AppendSoundInput(std::vector<std::string>& args, const OutputRequest& request, double seconds) {
  Append(args, {"-ss", SecondsText(request.audioStart), "-t", SecondsText(seconds), "-i", "file:" + request.audioPath,
                // The first sound stream, if the file has one: a silent source gives a silent clip.
                "-map", "0:v:0", "-map", "1:a:0?"});
}

}  // namespace

const std::vector<OutputFormat>& OutputFormats() {
  static const std::vector<OutputFormat> table = MakeTable();
  return table;
}

const OutputFormat* FindOutputFormat(const std::string& path) {
  const std::string extension = path == "-" ? "" : LowerExtension(path);
  if (path != "-" && extension.empty()) return nullptr;
  NumberPattern pattern;
  const bool numbered = FindNumberPattern(path, pattern);
  for (const auto& format : OutputFormats()) {
    if (format.kind == OutputKind::Stream ? path != "-" : format.extension != extension) continue;
    const bool pictures = format.kind == OutputKind::Picture || format.kind == OutputKind::Sequence;
    if (!pictures || numbered == (format.kind == OutputKind::Sequence)) return &format;
  }
  return nullptr;
}

std::string OutputNameList() {
  std::vector<std::string> names;
  for (const auto& format : OutputFormats()) {
    for (const auto& name : format.names) names.push_back(format.kind == OutputKind::Stream ? name + " (raw RGBA)" : name);
  }
  const std::string last = names.back();
  names.pop_back();
  return Joined(names, ", ") + " or " + last;
}

std::string OutputFormatsHelp() {
  size_t width = 0;
  for (const auto& format : OutputFormats()) width = std::max(width, Joined(format.names, ", ").size());
  std::string text;
  for (const auto& format : OutputFormats()) {
    std::string names = Joined(format.names, ", ");
    names.resize(width, ' ');
    std::string line = "  " + names + "  " + format.description;
    line.erase(std::remove(line.begin(), line.end(), '`'), line.end());
    text += line + (format.alpha ? "; keeps alpha" : "; no alpha") +
            (format.soundName.empty() ? "" : "; sound as " + format.soundName) + "\n";
  }
  return text;
}

std::string OutputFormatsMarkdown() {
  std::string text = "| `-o` | frames | pixels | alpha | sound | output |\n|---|---|---|---|---|---|\n";
  for (const auto& format : OutputFormats()) {
    text += "| `" + Joined(format.names, "`, `") + "` | " + FramesText(format.kind) + " | " +
            (format.pixels == PixelFormat::RgbaHalf ? "half float" : "8-bit") + " | " + (format.alpha ? "yes" : "no") +
            " | " + (format.soundName.empty() ? "none" : format.soundName) + " | " + format.description + " |\n";
  }
  return text;
}

std::vector<std::string> FfmpegArguments(const OutputRequest& request, const OutputFormat& format,
                                         const std::string& outputPath) {
  std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "rgba",
                                   "-s", std::to_string(request.width) + "x" + std::to_string(request.height),
                                   "-r", RateText(request.fps), "-i", "-"};
  // Sound whose end is the last frame, unknown until then, is added afterwards (SoundArguments).
  const bool sound = !request.audioPath.empty() && !format.sound.empty() && !request.audioToLastFrame;
  if (sound) {
    const double seconds = request.audioSeconds > 0.0 ? request.audioSeconds : request.frames / request.fps;
    AppendSoundInput(args, request, seconds);
  }
  Append(args, format.video);
  if (sound) Append(args, format.sound);
  Append(args, format.container);
  args.push_back("file:" + outputPath);
  return args;
}

std::vector<std::string> SoundArguments(const OutputRequest& request, const OutputFormat& format, int frames,
                                        const std::string& picturePath, const std::string& outputPath) {
  std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-y",
                                   "-i", "file:" + picturePath};
  const double seconds = frames / request.fps;
  AppendSoundInput(args, request, seconds);
  Append(args, {"-c:v", "copy"});
  Append(args, format.sound);
  // The source's sound, then silence, cut to the picture by the output's own length: exact,
  // where "-shortest" against a padded stream overshoots by a varying amount in ffmpeg 7.
  Append(args, {"-af", "apad", "-t", SecondsText(seconds)});
  Append(args, format.container);
  args.push_back("file:" + outputPath);
  return args;
}

}  // namespace hostkit
