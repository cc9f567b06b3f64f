// Video outputs through the ffmpeg program, checked the way a user's tools see them: ffprobe
// for the streams, ffmpeg decoding back to RGBA and to samples. Synthetic frames (rows bottom
// to top, as GL reads them) go through the sinks; no plugin or GL is involved.

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/frame_sink.h"

namespace {

using tooltest::Run;
using tooltest::RunResult;
using tooltest::ScratchDir;

constexpr int kW = 96;
constexpr int kH = 64;
constexpr int kFrames = 6;
constexpr double kFps = 24.0;
// A saturated orange: decoded with the wrong matrix (BT.601 for BT.709) it moves by some
// 8 levels in red, well outside the round-trip tolerance.
constexpr uint8_t kColour[3] = {200, 120, 40};
// A transparent disc off the centre, in the picture's upper left, so a clip turned upside
// down shows it in the wrong place.
constexpr int kDiscX = 28;
constexpr int kDiscY = 22;  // from the top
constexpr int kDiscRadius = 12;

// Rows bottom to top; everything the flat colour but the transparent (0,0,0,0) disc.
std::vector<uint8_t> CardFrame() {
  std::vector<uint8_t> pixels(kW * kH * 4);
  for (int row = 0; row < kH; ++row) {
    const int y = kH - 1 - row;
    for (int x = 0; x < kW; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(row) * kW + x) * 4];
      const bool hole = (x - kDiscX) * (x - kDiscX) + (y - kDiscY) * (y - kDiscY) < kDiscRadius * kDiscRadius;
      p[0] = hole ? 0 : kColour[0], p[1] = hole ? 0 : kColour[1], p[2] = hole ? 0 : kColour[2];
      p[3] = hole ? 0 : 255;
    }
  }
  return pixels;
}

bool WriteClip(const hostkit::OutputRequest& request, std::string& error) {
  auto sink = hostkit::OpenSink(request, error);
  if (!sink) return false;
  const std::vector<uint8_t> pixels = CardFrame();
  for (int i = 0; i < request.frames; ++i) {
    if (!sink->Write({pixels.data(), kW, kH, hostkit::PixelFormat::Rgba8, i}, error)) return false;
  }
  return sink->Commit(error);
}

hostkit::OutputRequest Request(const std::string& path) { return {path, kFrames, kFps, kW, kH}; }

// ffprobe's view of the first stream of `kind` ("v" or "a"): KEY=VALUE per field.
std::map<std::string, std::string> Probe(const std::string& path, const std::string& kind) {
  const RunResult run = tooltest::RunTool("ffprobe", {"-v", "error", "-select_streams", kind + ":0", "-count_frames",
                                         "-show_entries",
                                         "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,"
                                         "nb_read_frames,color_space,color_primaries,color_transfer,color_range:"
                                         "stream_tags=alpha_mode",
                                         "-of", "default=noprint_wrappers=1", path});
  std::map<std::string, std::string> fields;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return fields;
}

// The range that decoding the first picture gives, as a player sees it.
std::string FirstFrameRange(const std::string& path) {
  const RunResult run = tooltest::RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-read_intervals", "%+#1",
                                                      "-show_entries", "frame=color_range", "-of", "csv=p=0", path});
  return run.out.substr(0, run.out.find_first_of(",\n"));
}

// Mono 16-bit samples at 48 kHz.
std::vector<int16_t> DecodeSound(const std::string& path) {
  const std::string bytes = tooltest::RunTool("ffmpeg", {"-v", "error", "-nostdin", "-i", path, "-map", "0:a:0", "-f",
                                                         "s16le", "-ac", "1", "-ar", "48000", "-"})
                                .out;
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);  // little-endian, as the host
  return samples;
}

// Three clips and the PNG of the same frames, written once for the suite.
class VideoOutput : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    signal(SIGPIPE, SIG_IGN);
    if (!hostkit::VideoOutputAvailable()) return;
    dir = new ScratchDir();
    for (const char* name : {"card.png", "card.mp4", "card.mov", "card.webm"}) {
      std::string error;
      ASSERT_TRUE(WriteClip(Request(*dir / name), error)) << name << ": " << error;
    }
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override {
    if (!hostkit::VideoOutputAvailable()) GTEST_SKIP() << "ffmpeg is not installed here";
  }
  static ScratchDir* dir;
};
ScratchDir* VideoOutput::dir = nullptr;

TEST_F(VideoOutput, EachContainerHasItsCodecSizeRateFramesAndBt709Tags) {
  const struct {
    const char* name;
    const char* codec;
    const char* pixelFormat;  // as the decoder reports it
  } clips[] = {
      {"card.mp4", "h264", "yuv420p"},
      {"card.mov", "prores", "yuva444p12le"},  // 10-bit 4444 decodes to ffmpeg's 12-bit layout
      {"card.webm", "vp9", "yuv420p"},         // the alpha plane is a side stream: see the tag
  };
  for (const auto& clip : clips) {
    auto video = Probe(*dir / clip.name, "v");
    EXPECT_EQ(video["codec_name"], clip.codec) << clip.name;
    EXPECT_EQ(video["pix_fmt"], clip.pixelFormat) << clip.name;
    EXPECT_EQ(video["width"], std::to_string(kW)) << clip.name;
    EXPECT_EQ(video["height"], std::to_string(kH)) << clip.name;
    EXPECT_EQ(video["r_frame_rate"], "24/1") << clip.name;
    EXPECT_EQ(video["nb_read_frames"], std::to_string(kFrames)) << clip.name;
    for (const char* tag : {"color_space", "color_primaries", "color_transfer"}) {
      EXPECT_EQ(video[tag], "bt709") << clip.name << " " << tag;
    }
    // ffprobe 7.1 no longer lifts a ProRes stream's range from its frames into the stream's
    // (5.1 said "tv"): the frames still carry it.
    if (std::string(clip.codec) != "prores" || video["color_range"] != "unknown") {
      EXPECT_EQ(video["color_range"], "tv") << clip.name;
    }
    EXPECT_EQ(FirstFrameRange(*dir / clip.name), "tv") << clip.name;
    EXPECT_TRUE(Probe(*dir / clip.name, "a").empty()) << clip.name << ": no sound was asked for";
  }
  EXPECT_EQ(Probe(*dir / "card.mov", "v")["profile"], "4444");
  EXPECT_EQ(Probe(*dir / "card.webm", "v")["TAG:alpha_mode"], "1");
}

// Decoded as a player does (by the stream's own tags), each clip shows the PNG's colour. The
// tolerance is 3 levels per channel: 8-bit limited-range YUV has 219 luma and 224 chroma
// steps for RGB's 256, so the conversion there and back rounds by up to about 2 levels, and
// the encoders add at most one more on a flat area. A wrong or missing matrix tag is off by 8.
TEST_F(VideoOutput, ColourComesBackAsInThePngAndAlphaWhereTheContainerKeepsIt) {
  tooltest::PngOnDisk png;
  ASSERT_TRUE(tooltest::LoadPng(*dir / "card.png", png));
  const uint8_t* expected = png.At(kW - 8, kH - 8);
  ASSERT_EQ(expected[0], kColour[0]);
  for (const std::string name : {"card.mp4", "card.mov", "card.webm"}) {
    tooltest::PngOnDisk frame;
    ASSERT_TRUE(tooltest::DecodeFirstFrame(*dir / name, kW, kH, frame)) << name;
    for (const auto& [x, y] : {std::pair{kW - 8, kH - 8}, std::pair{kW / 2, 8}, std::pair{12, kH - 6}}) {
      for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(frame.At(x, y)[c], png.At(x, y)[c], 3) << name << " at " << x << "," << y << " channel " << c;
      }
      EXPECT_EQ(frame.At(x, y)[3], 255) << name;
    }
    // The disc's centre, and the same spot mirrored top to bottom.
    const uint8_t* hole = frame.At(kDiscX, kDiscY);
    const uint8_t* mirrored = frame.At(kDiscX, kH - 1 - kDiscY);
    EXPECT_EQ(png.At(kDiscX, kDiscY)[3], 0);
    EXPECT_NEAR(mirrored[0], kColour[0], 3) << name << " is upside down";
    if (name == "card.mp4") {
      EXPECT_EQ(hole[3], 255) << "H.264 has no alpha: the cleared pixels show black";
      EXPECT_LE(hole[0], 3);
    } else {
      EXPECT_LE(hole[3], 2) << name << " keeps the transparent disc";
      EXPECT_GE(mirrored[3], 253) << name;
    }
  }
}

// A stereo sound whose loudness grows with time tells where the cut began: sin(440 Hz) * t / 4.
TEST_F(VideoOutput, SoundIsTakenFromItsStartForTheFramesLengthInEachContainer) {
  ScratchDir scratch;
  const std::string source = scratch / "take:2.wav";  // a colon, which ffmpeg could read as a protocol
  ASSERT_EQ(tooltest::RunTool("ffmpeg", {"-v", "error", "-nostdin", "-f", "lavfi", "-i",
                            "aevalsrc=sin(2*PI*440*t)*t/4|sin(2*PI*440*t)*t/4:s=44100:d=4", "file:" + source})
                .exitCode,
            0);
  const int frames = 12;  // 0.5 s at 24 fps
  const double start = 2.0;
  const struct {
    const char* name;
    const char* codec;
  } clips[] = {{"s.mp4", "aac"}, {"s.mov", "pcm_s16le"}, {"s.webm", "opus"}, {"s.gif", ""}};
  for (const auto& clip : clips) {
    hostkit::OutputRequest request = Request(scratch / clip.name);
    request.frames = frames;
    request.audioPath = source;
    request.audioStart = start;
    request.audioSeconds = frames / kFps;
    std::string error;
    ASSERT_TRUE(WriteClip(request, error)) << clip.name << ": " << error;
    auto sound = Probe(scratch / clip.name, "a");
    EXPECT_EQ(sound["codec_name"], clip.codec) << clip.name;
    if (*clip.codec == '\0') continue;  // GIF holds no sound
    EXPECT_EQ(Probe(scratch / clip.name, "v")["nb_read_frames"], std::to_string(frames)) << clip.name;
    // Lossy codecs pad to whole packets (AAC 1024 samples, Opus 20 ms) and trim most of it back.
    const std::vector<int16_t> samples = DecodeSound(scratch / clip.name);
    EXPECT_NEAR(samples.size() / 48000.0, frames / kFps, 0.03) << clip.name;
    // The envelope over the first 0.1 s after the cut is about 0.5, an RMS near 0.36; from
    // the file's beginning it would be under 0.02.
    double sum = 0.0;
    const size_t window = std::min<size_t>(4800, samples.size());
    for (size_t i = 0; i < window; ++i) sum += double(samples[i]) * samples[i];
    EXPECT_NEAR(std::sqrt(sum / static_cast<double>(window)) / 32768.0, 0.36, 0.05) << clip.name;
  }
}

TEST_F(VideoOutput, AFailingFfmpegIsReportedWithItsLastMessagesAndLeavesNoFile) {
  ScratchDir scratch;
  hostkit::OutputRequest request = Request(scratch / "clip.mp4");
  request.audioPath = scratch / "no-such-sound.wav";
  std::string error;
  EXPECT_FALSE(WriteClip(request, error));
  EXPECT_EQ(error.find("ffmpeg"), 0u) << error;
  EXPECT_NE(error.find("clip.mp4"), std::string::npos) << error;
  // ffmpeg 5.1: "PATH: No such file or directory"; 7.1: "Error opening input file file:PATH. |
  // Error opening input files: No such file or directory".
  EXPECT_NE(error.find("no-such-sound.wav"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_TRUE(scratch.Entries().empty());
}

}  // namespace
