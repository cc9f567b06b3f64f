#pragma once
// Every output a render can write, one row each: how its name is recognised, the pixels
// rendered for it, for video the ffmpeg arguments, what it keeps (alpha, sound) and a line
// for people. The sink choice, the refusal of an unknown name, `render --help` and the table
// in docs/footage.md are all made from this table.

#include <string>
#include <vector>

#include "tools/hostkit/image/pixel_format.h"
#include "tools/hostkit/media/frame_sink.h"

namespace hostkit {

enum class OutputKind {
  Picture,   // one picture file holding the last frame
  Sequence,  // one picture file per frame, named by a number pattern ("%04d" or "####")
  Video,     // a clip written by the ffmpeg program
  Stream,    // raw frames on standard output
};

struct OutputFormat {
  std::vector<std::string> names;  // as a user writes them: "NAME.png", "NAME_%04d.png", "-"
  std::string extension;           // lower case, without the dot; empty for the stream
  OutputKind kind = OutputKind::Picture;
  PixelFormat pixels = PixelFormat::Rgba8;  // what the renderer draws for it; RgbaHalf pictures are EXR
  // Video only, ffmpeg's arguments after the inputs: the picture's filters, codec and tags;
  // then `sound` where the render has sound; then `container`, which ends with "-f NAME".
  std::vector<std::string> video;
  std::vector<std::string> sound;  // empty: the output holds no sound
  std::vector<std::string> container;
  bool alpha = false;
  bool evenSides = false;  // odd widths and heights are padded by one pixel (4:2:0 H.264)
  std::string soundName;  // "AAC"; empty when the output holds no sound
  std::string description;
};

// The rows, in the order people are shown them.
const std::vector<OutputFormat>& OutputFormats();

// The row that `path` names ("-", or by its extension, any case, and for pictures whether
// the file name holds a number pattern); null when none does.
const OutputFormat* FindOutputFormat(const std::string& path);

// The accepted names for a message: "NAME.png, NAME_%04d.png, ... or - (raw RGBA)".
std::string OutputNameList();

// The table as plain text, one row a line, for `render --help`.
std::string OutputFormatsHelp();

// The table in Markdown, as docs/footage.md holds it between its output-formats markers.
std::string OutputFormatsMarkdown();

// ffmpeg's arguments, without the program name, for a Video row: raw RGBA frames of the
// request's size and rate on standard input, the request's sound (when it names a file and
// the row holds sound) from audioStart for audioSeconds, and the clip written to the file
// `outputPath`. A request whose sound ends at the last frame (audioToLastFrame) gives the
// picture alone here, and SoundArguments adds its sound once the frames are counted.
std::vector<std::string> FfmpegArguments(const OutputRequest& request, const OutputFormat& format,
                                         const std::string& outputPath);

// ffmpeg's arguments that copy the picture of the clip `picturePath` into `outputPath` with the
// request's sound from audioStart, padded with silence where it runs out and cut where the
// picture's `frames` end.
std::vector<std::string> SoundArguments(const OutputRequest& request, const OutputFormat& format, int frames,
                                        const std::string& picturePath, const std::string& outputPath);

}  // namespace hostkit
