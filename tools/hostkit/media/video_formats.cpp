#include "tools/hostkit/media/video_formats.h"

#include <cstdio>

namespace hostkit {
namespace {

// Frames arrive as full-range RGB. Every YUV output is converted with the BT.709 matrix into
// limited range and tagged so: players read untagged video of this size as BT.601, which
// shifts the hues away from those of the PNG output. setparams puts the tags on the frames
// themselves, which is where the ProRes encoder takes them from; the output options below
// tag the stream for the other encoders and the containers.
std::string Bt709Conversion(const char* pixelFormat) {
  return std::string("scale=out_color_matrix=bt709:out_range=tv,format=") + pixelFormat +
         ",setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709";
}

const std::vector<std::string> kBt709Tags = {"-colorspace", "bt709", "-color_primaries", "bt709",
                                             "-color_trc",  "bt709", "-color_range",      "tv"};

std::string Decimal(double value, const char* format) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void Append(std::vector<std::string>& args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
}

}  // namespace

bool VideoContainerFor(const std::string& extension, VideoContainer& container) {
  if (extension == "mp4") container = VideoContainer::Mp4;
  else if (extension == "mov") container = VideoContainer::Mov;
  else if (extension == "webm") container = VideoContainer::Webm;
  else if (extension == "gif") container = VideoContainer::Gif;
  else return false;
  return true;
}

bool HoldsSound(VideoContainer container) { return container != VideoContainer::Gif; }

std::vector<std::string> FfmpegArguments(const OutputRequest& request, VideoContainer container,
                                         const std::string& outputPath) {
  // "%.10g" keeps rates such as 30000/1001 exact enough for ffmpeg to find the fraction again.
  std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "rgba",
                                   "-s", std::to_string(request.width) + "x" + std::to_string(request.height),
                                   "-r", Decimal(request.fps, "%.10g"), "-i", "-"};
  const bool sound = !request.audioPath.empty() && HoldsSound(container);
  if (sound) {
    // Seeking before -i cuts the sound file itself, sample-exactly, so that the clip's sound
    // starts where its first frame does and lasts as long as its frames. "file:" makes ffmpeg
    // take a path as a file name even when it holds a colon or is "-" (here and for the output).
    const double seconds = request.audioSeconds > 0.0 ? request.audioSeconds : request.frames / request.fps;
    Append(args, {"-ss", Decimal(request.audioStart, "%.6f"), "-t", Decimal(seconds, "%.6f"), "-i",
                  "file:" + request.audioPath,
                  // The first sound stream, if the file has one: a silent source gives a silent clip.
                  "-map", "0:v:0", "-map", "1:a:0?"});
  }
  switch (container) {
    case VideoContainer::Mp4:
      // H.264 in 4:2:0 wants even sides: odd sizes are padded by one pixel.
      Append(args, {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2," + Bt709Conversion("yuv420p"), "-c:v", "libx264",
                    "-preset", "veryfast", "-crf", "18"});
      Append(args, kBt709Tags);
      if (sound) Append(args, {"-c:a", "aac", "-b:a", "192k"});
      Append(args, {"-movflags", "+faststart", "-f", "mp4"});
      break;
    case VideoContainer::Mov:
      // ProRes 4444 keeps a 10-bit alpha plane beside full-resolution chroma.
      Append(args, {"-vf", Bt709Conversion("yuva444p10le"), "-c:v", "prores_ks", "-profile:v", "4444"});
      Append(args, kBt709Tags);
      if (sound) Append(args, {"-c:a", "pcm_s16le"});
      Append(args, {"-movflags", "+faststart", "-f", "mov"});
      break;
    case VideoContainer::Webm:
      // VP9 keeps alpha as a second coded plane. Constant quality. On rendered 720p frames the
      // real-time mode at speed 6 costs a fifth of the CPU time of "good" at speed 4 for the
      // same PSNR and a file some 15% larger: the encoder shares the CPU with the renderer.
      Append(args, {"-vf", Bt709Conversion("yuva420p"), "-c:v", "libvpx-vp9", "-crf", "24", "-b:v", "0",
                    "-deadline", "realtime", "-cpu-used", "6", "-row-mt", "1"});
      Append(args, kBt709Tags);
      if (sound) Append(args, {"-c:a", "libopus", "-b:a", "128k"});
      Append(args, {"-f", "webm"});
      break;
    case VideoContainer::Gif:
      Append(args, {"-vf", "split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse", "-f", "gif"});
      break;
  }
  args.push_back("file:" + outputPath);
  return args;
}

}  // namespace hostkit
