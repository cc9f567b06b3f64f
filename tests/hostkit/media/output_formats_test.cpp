// The table of output formats: every name finds its row, an unknown name is refused with the
// whole list, the video rows' ffmpeg arguments agree with what the row says, and the table in
// docs/footage.md is the one the code renders.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/media/output_formats.h"

namespace {

using hostkit::FindOutputFormat;
using hostkit::OutputFormat;
using hostkit::OutputFormats;
using hostkit::OutputKind;
using hostkit::PixelFormat;

TEST(OutputFormats, EachNameFindsItsRowAndOthersFindNone) {
  for (const OutputFormat& format : OutputFormats()) {
    for (const std::string& name : format.names) {
      EXPECT_EQ(FindOutputFormat(name), &format) << name;
      EXPECT_EQ(hostkit::FormatForPath(name), format.pixels) << name;
    }
  }
  struct Case {
    const char* path;
    const char* extension;  // null: refused
    OutputKind kind;
  };
  const Case cases[] = {
      {"shots/OUT.PNG", "png", OutputKind::Picture},         {"f_%d.png", "png", OutputKind::Sequence},
      {"f_%04d/x.png", "png", OutputKind::Picture},          {"Clip.MoV", "mov", OutputKind::Video},
      {"clip_%04d.mp4", "mp4", OutputKind::Video},           {"x.tiff", nullptr, OutputKind::Picture},
      {"dir.png/frame", nullptr, OutputKind::Picture},       {"png", nullptr, OutputKind::Picture},
      {"--", nullptr, OutputKind::Picture},
  };
  for (const Case& c : cases) {
    const OutputFormat* format = FindOutputFormat(c.path);
    if (!c.extension) {
      EXPECT_EQ(format, nullptr) << c.path;
      continue;
    }
    ASSERT_NE(format, nullptr) << c.path;
    EXPECT_EQ(format->extension, c.extension) << c.path;
    EXPECT_EQ(format->kind, c.kind) << c.path;
  }
}

TEST(OutputFormats, AnUnknownNameIsRefusedWithEveryAcceptedOne) {
  std::string error;
  EXPECT_FALSE(hostkit::KnownOutputType("out.avi", error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_EQ(error.rfind("unknown output type \"out.avi\": use ", 0), 0u) << error;
  for (const OutputFormat& format : OutputFormats()) {
    for (const std::string& name : format.names) EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;
  }
}

TEST(OutputFormats, VideoArgumentsCarrySoundOnlyWhereTheRowHoldsItAndEndInTheContainer) {
  hostkit::OutputRequest request{"clip", 10, 30000.0 / 1001.0, 96, 64};
  request.audioPath = "in.wav";
  for (const OutputFormat& format : OutputFormats()) {
    if (format.kind != OutputKind::Video) continue;
    EXPECT_EQ(format.pixels, PixelFormat::Rgba8);
    EXPECT_EQ(format.sound.empty(), format.soundName.empty()) << format.extension;
    const std::vector<std::string> args = hostkit::FfmpegArguments(request, format, "/tmp/x.part");
    const auto has = [&](const std::string& word) { return std::find(args.begin(), args.end(), word) != args.end(); };
    EXPECT_TRUE(has("29.97002997")) << format.extension << ": the rate keeps ten digits";
    EXPECT_EQ(has("file:in.wav"), !format.sound.empty()) << format.extension;
    EXPECT_EQ(has("-c:a"), !format.sound.empty()) << format.extension;
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(args.end() - 3, args.end()),
              (std::vector<std::string>{"-f", format.extension, "file:/tmp/x.part"}));

    // Sound that ends at the last frame: the picture first, then a copy of it with the sound
    // cut at the counted frames (12 at 29.97 fps).
    hostkit::OutputRequest open = request;
    open.audioToLastFrame = true;
    const std::vector<std::string> picture = hostkit::FfmpegArguments(open, format, "/tmp/x.part");
    EXPECT_EQ(std::find(picture.begin(), picture.end(), "file:in.wav"), picture.end()) << format.extension;
    if (format.sound.empty()) continue;
    std::string line;
    for (const std::string& word : hostkit::SoundArguments(open, format, 12, "/tmp/p.part", "/tmp/x.part")) {
      line += word + " ";
    }
    for (const char* part : {"-i file:/tmp/p.part ", "-i file:in.wav ", "-c:v copy ", "apad -t 0.400400 "}) {
      EXPECT_NE(line.find(part), std::string::npos) << part << " in: " << line;
    }
  }
}

// docs/footage.md holds the table between two markers. To bring it up to date, run this test
// with SWIRLMOSS_UPDATE_DOCS=1, or paste the block that a failure prints.
TEST(OutputFormats, TheDocsTableIsTheOneTheCodeRenders) {
  const std::string path = SWIRLMOSS_SOURCE_DIR "/docs/footage.md";
  std::ifstream in(path);
  ASSERT_TRUE(in) << "cannot read " << path;
  std::ostringstream text;
  text << in.rdbuf();
  std::string page = text.str();
  const std::string begin = "<!-- output-formats:begin -->\n", end = "<!-- output-formats:end -->";
  const size_t from = page.find(begin), to = page.find(end);
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos && from < to) << path << " lacks the markers";
  const std::string expected = "\n" + hostkit::OutputFormatsMarkdown() + "\n";
  const std::string held = page.substr(from + begin.size(), to - from - begin.size());
  if (held != expected && std::getenv("SWIRLMOSS_UPDATE_DOCS")) {
    page.replace(from + begin.size(), held.size(), expected);
    std::ofstream(path) << page;
    return;
  }
  EXPECT_EQ(held, expected) << "The block in " << path << " should read:\n" << begin << expected << end;
}

}  // namespace
