// Input footage through the frame source: videos, stills, sequences and their failures, with
// fixtures made by ffmpeg's own generators at small sizes. Frames arrive rows bottom to top.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/reliability/alloc_counter.h"
#include "tests/support/tool_test_util.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/image/image_fit.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/image/png_io.h"

namespace {

using hostkit::Image;
using tooltest::ScratchDir;

constexpr int kW = 64;
constexpr int kH = 48;
// 8-bit RGB through 4:2:0 YUV and back: rounding in both conversions, on flat colour.
constexpr int kVideoTolerance = 4;

class FrameSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string ffprobe;
    if (!hostkit::FindProgram("ffmpeg", ffmpeg) || !hostkit::FindProgram("ffprobe", ffprobe)) {
      GTEST_SKIP() << "ffmpeg is not installed here";
    }
  }
  // Runs ffmpeg quietly with `args`; the last one is the file made in the scratch directory.
  std::string Make(std::vector<std::string> args) {
    const std::string path = dir / args.back();
    args.back() = path;
    args.insert(args.begin(), {"-hide_banner", "-loglevel", "error", "-y"});
    const auto run = tooltest::Run(ffmpeg, args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path;
  }
  std::unique_ptr<hostkit::FrameSource> Open(hostkit::SourceRequest request) {
    std::string error;
    auto source = hostkit::OpenFrameSource(request, error);
    EXPECT_NE(source, nullptr) << error;
    return source;
  }
  std::string OpenError(const std::string& location) {
    std::string error;
    EXPECT_EQ(hostkit::OpenFrameSource({location}, error), nullptr) << location;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
  }

  std::string ffmpeg;
  ScratchDir dir;
};

// Red over blue, at `size`, as ffmpeg's filter graph writes it: red at the top.
std::vector<std::string> RedOverBlue(const std::string& size, const std::string& seconds) {
  return {"-f", "lavfi", "-i", "color=c=0xC86432:s=" + size + ":r=25:d=" + seconds +
                                   ",drawbox=y=ih/2:h=ih/2:w=iw:color=0x3264C8:t=fill"};
}

void ExpectNear(const uint8_t* pixel, int r, int g, int b, int a, int tolerance, const char* what) {
  EXPECT_NEAR(pixel[0], r, tolerance) << what;
  EXPECT_NEAR(pixel[1], g, tolerance) << what;
  EXPECT_NEAR(pixel[2], b, tolerance) << what;
  EXPECT_EQ(pixel[3], a) << what;
}

TEST_F(FrameSourceTest, VideoGivesEachFrameUprightInItsOwnColoursThenEnds) {
  auto args = RedOverBlue("64x48", "0.4");
  args.insert(args.end(), {"-f", "lavfi", "-i", "sine=d=0.4", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac",
                           "-shortest", "clip.mp4"});
  auto source = Open({Make(args)});
  ASSERT_NE(source, nullptr);
  const hostkit::SourceInfo& info = source->Info();
  EXPECT_EQ(info.width, kW);
  EXPECT_EQ(info.height, kH);
  EXPECT_DOUBLE_EQ(info.fps, 25.0);
  EXPECT_EQ(info.frames, 10);
  EXPECT_TRUE(info.hasAudio);
  EXPECT_FALSE(info.still || info.hasAlpha);
  EXPECT_EQ(info.description, "clip.mp4 (64x48, 25 fps, 10 frames, sound)");
  Image image;
  std::string error;
  for (int frame = 0; frame < 10; ++frame) {
    ASSERT_TRUE(source->Next(image, error)) << frame << ": " << error;
    ASSERT_EQ(image.rgba.size(), size_t{kW} * kH * 4);
  }
  // Untagged and under 720 lines: BT.601, limited range, as ffmpeg encoded it.
  ExpectNear(image.Pixel(kW / 2, 4), 0x32, 0x64, 0xC8, 255, kVideoTolerance, "blue at the bottom (GL row 0)");
  ExpectNear(image.Pixel(kW / 2, kH - 4), 0xC8, 0x64, 0x32, 255, kVideoTolerance, "red at the top");
  EXPECT_FALSE(source->Next(image, error));
  EXPECT_EQ(error, "") << "the end of a video is not an error";
}

TEST_F(FrameSourceTest, UntaggedHdVideoIsReadAsBt709AndTaggedFullRangeAsFull) {
  // Encoded with BT.709 but not tagged: HD sizes are read as BT.709.
  auto hd = RedOverBlue("1280x720", "0.08");
  hd.insert(hd.end(), {"-vf", "scale=out_color_matrix=bt709:out_range=tv", "-c:v", "libx264", "-pix_fmt", "yuv420p",
                       "hd.mp4"});
  auto full = RedOverBlue("64x48", "0.08");
  full.insert(full.end(), {"-vf", "scale=out_range=pc", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-color_range",
                           "pc", "full.mp4"});
  for (const auto& path : {Make(hd), Make(full)}) {
    auto source = Open({path});
    ASSERT_NE(source, nullptr);
    Image image;
    std::string error;
    ASSERT_TRUE(source->Next(image, error)) << error;
    ExpectNear(image.Pixel(image.width / 2, image.height - 8), 0xC8, 0x64, 0x32, 255, kVideoTolerance, path.c_str());
  }
}

TEST_F(FrameSourceTest, AlphaOfProResAndVp9IsKept) {
  const std::vector<std::string> halfClear = {
      "-f", "lavfi", "-i", "color=c=white:s=64x48:r=25:d=0.2,format=rgba,geq=r=200:g=100:b=50:a='if(lt(X,W/2),0,255)'"};
  auto prores = halfClear;
  prores.insert(prores.end(), {"-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuva444p10le", "alpha.mov"});
  auto vp9 = halfClear;
  vp9.insert(vp9.end(), {"-c:v", "libvpx-vp9", "-pix_fmt", "yuva420p", "alpha.webm"});
  for (const auto& path : {Make(prores), Make(vp9)}) {
    auto source = Open({path});
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->Info().hasAlpha) << path;
    Image image;
    std::string error;
    ASSERT_TRUE(source->Next(image, error)) << error;
    EXPECT_EQ(image.Pixel(4, kH / 2)[3], 0) << path << ": the left half stays transparent";
    EXPECT_EQ(image.Pixel(kW - 4, kH / 2)[3], 255) << path;
  }
}

TEST_F(FrameSourceTest, AnotherShapeIsFittedAndPaddedWithTransparentBlack) {
  auto args = RedOverBlue("64x48", "0.08");
  args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv444p", "wide.mp4"});
  const std::string video = Make(args);
  const std::string still = Make({"-f", "lavfi", "-i", "color=c=0xC86432:s=64x48", "-frames:v", "1", "still.jpg"});
  for (const auto& path : {video, still}) {
    auto source = Open({path, 128, 48});
    ASSERT_NE(source, nullptr);
    Image image;
    std::string error;
    ASSERT_TRUE(source->Next(image, error)) << error;
    ASSERT_EQ(image.width, 128);
    ASSERT_EQ(image.height, 48);
    EXPECT_EQ(image.Pixel(8, kH / 2)[3], 0) << path << ": the left margin";
    EXPECT_EQ(image.Pixel(120, kH / 2)[3], 0) << path << ": the right margin";
    EXPECT_EQ(image.Pixel(64, kH - 4)[3], 255) << path;
  }
  // PNG stills are fitted by the host itself, the same way.
  Image tall{2, 4, std::vector<uint8_t>(2 * 4 * 4, 255)};
  const Image fitted = hostkit::FitPicture(tall, 8, 4);
  EXPECT_EQ(fitted.Pixel(2, 1)[3], 0);
  EXPECT_EQ(fitted.Pixel(3, 1)[3], 255);
  EXPECT_EQ(fitted.Pixel(4, 1)[3], 255);
  EXPECT_EQ(fitted.Pixel(5, 1)[3], 0);
}

TEST_F(FrameSourceTest, StillsOfCommonFormatsAreUsedForEveryFrame) {
  for (const char* name : {"still.jpg", "still.webp", "still.tiff", "still.exr", "still.png"}) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", "color=c=0xC86432:s=64x48", "-frames:v", "1"};
    if (std::string(name) == "still.exr") args.insert(args.end(), {"-pix_fmt", "gbrpf32le"});
    args.push_back(name);
    auto source = Open({Make(args)});
    ASSERT_NE(source, nullptr) << name;
    EXPECT_TRUE(source->Info().still) << name;
    EXPECT_EQ(source->Info().frames, 1) << name;
    Image image;
    std::string error;
    for (int frame = 0; frame < 3; ++frame) ASSERT_TRUE(source->Next(image, error)) << name << ": " << error;
    // JPEG and WebP are lossy and subsampled; the others keep the colour.
    ExpectNear(image.Pixel(kW / 2, kH / 2), 0xC8, 0x64, 0x32, 255, kVideoTolerance + 2, name);
  }
}

TEST_F(FrameSourceTest, SequencesAreListedPositionedLoopedAndGapsNamed) {
  std::filesystem::create_directory(dir / "shots");
  // Frames 7..10, each a grey of its own number.
  for (int n = 7; n <= 10; ++n) {
    const std::string grey = std::to_string(n * 20);
    char name[32];
    std::snprintf(name, sizeof name, "shots/f_%04d.png", n);
    Make({"-f", "lavfi", "-i", "color=c=white:s=16x8", "-vf", "format=rgba,geq=r=" + grey + ":g=" + grey + ":b=" + grey + ":a=255",
          "-frames:v", "1", name});
  }
  auto source = Open({dir / "shots/f_%04d.png", 0, 0, 2, true});
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->Info().frames, 4);
  EXPECT_DOUBLE_EQ(source->Info().fps, 30.0);
  Image image;
  std::string error;
  int seen[5] = {};
  for (int& grey : seen) {
    ASSERT_TRUE(source->Next(image, error)) << error;
    grey = image.Pixel(8, 4)[0];
  }
  // From frame 2 (file 9): 9, 10, then the loop starts again at file 7.
  const int expected[5] = {180, 200, 140, 160, 180};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(seen[i], expected[i]) << "delivered frame " << i;

  std::filesystem::remove(dir / "shots/f_0009.png");
  const std::string error2 = OpenError(dir / "shots/f_%04d.png");
  EXPECT_NE(error2.find("misses " + dir / "shots/f_0009.png"), std::string::npos) << error2;
  EXPECT_NE(OpenError(dir / "shots/g_%04d.png").find("no file matches"), std::string::npos);
}

TEST_F(FrameSourceTest, ALoopingVideoStartsAgainAtItsFirstFrame) {
  // Seven frames that differ from each other: the eighth delivered is the first again.
  // (testsrc2 repeats its first frames at this size; a ramp shifted each frame never does.)
  auto source = Open({Make({"-f", "lavfi", "-i",
                            "color=c=black:s=64x48:r=25:d=0.28,format=yuv420p,geq=lum='X+N*20':cb=128:cr=128",
                            "-c:v", "libx264", "-pix_fmt", "yuv420p", "moving.mp4"}),
                      0, 0, 0, true});
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(source->Info().frames, 7);
  std::vector<Image> seen(9);
  std::string error;
  for (Image& image : seen) ASSERT_TRUE(source->Next(image, error)) << error;
  EXPECT_NE(seen[1].rgba, seen[0].rgba) << "the fixture does not move";
  EXPECT_TRUE(seen[7].rgba == seen[0].rgba) << "the loop did not start again at frame 0";
  EXPECT_TRUE(seen[8].rgba == seen[1].rgba);
}

TEST_F(FrameSourceTest, BadInputsAreNamedInOneLine) {
  const std::string sound = Make({"-f", "lavfi", "-i", "sine=d=0.2", "sound.wav"});
  auto args = RedOverBlue("64x48", "2");
  args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart", "whole.mp4"});
  const std::string whole = Make(args);
  // Cut mid-stream: the index at the front still promises every frame.
  const auto size = std::filesystem::file_size(whole);
  std::filesystem::copy_file(whole, dir / "cut.mp4");
  std::filesystem::resize_file(dir / "cut.mp4", size * 6 / 10);
  std::ofstream(dir / "noise.mp4") << "this is not a video at all";

  EXPECT_NE(OpenError(dir / "none.mp4").find("input file not found: " + dir / "none.mp4"), std::string::npos);
  EXPECT_NE(OpenError(sound).find("has no picture stream"), std::string::npos) << OpenError(sound);
  EXPECT_NE(OpenError(dir / "noise.mp4").find("cannot read the input"), std::string::npos);
  EXPECT_NE(OpenError(dir.Path()).find("is a directory"), std::string::npos);
  EXPECT_NE(OpenError("/dev/video99").find("cannot open the camera /dev/video99"), std::string::npos);
  // A still cut in half: the JPEG decoder would fill the rest with grey and carry on.
  for (const std::string extension : {"jpg", "png"}) {
    const std::string still = Make({"-f", "lavfi", "-i", "testsrc2=s=64x48", "-frames:v", "1", "whole." + extension});
    const std::string cut = dir / ("half." + extension);
    std::filesystem::copy_file(still, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(still) / 2);
    EXPECT_NE(OpenError(cut).find("half." + extension), std::string::npos) << OpenError(cut);
  }

  std::string error;
  auto cut = hostkit::OpenFrameSource({dir / "cut.mp4"}, error);
  if (cut) {
    Image image;
    int frames = 0;
    while (cut->Next(image, error)) ++frames;
    EXPECT_LT(frames, 50);
  }
  EXPECT_NE(error, "") << "a truncated file is an error, at opening or while decoding";
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

TEST_F(FrameSourceTest, SteadyFramesAllocateNothing) {
  auto args = RedOverBlue("64x48", "2");
  args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "steady.mp4"});
  auto source = Open({Make(args), 0, 0, 0, true});
  ASSERT_NE(source, nullptr);
  Image image;
  std::string error;
  // The pool of buffers settles over its first frames.
  for (int frame = 0; frame < 8; ++frame) ASSERT_TRUE(source->Next(image, error)) << error;
  const auto before = reliability::AllocSnapshot();
  for (int frame = 0; frame < 30; ++frame) ASSERT_TRUE(source->Next(image, error)) << error;
  const auto delta = reliability::AllocDelta(before, reliability::AllocSnapshot());
  EXPECT_EQ(delta.news, 0u) << "operator new calls in 30 steady frames";
}

}  // namespace
