// Outputs of the headless host without a plugin or GL: synthetic frames (rows bottom to top,
// as GL reads them) go through the sinks and come back from disk.

#include <ImfRgbaFile.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/encode_pool.h"
#include "tools/hostkit/image/exr_io.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/media/sinks.h"

namespace {

using hostkit::FrameView;
using tooltest::ScratchDir;

constexpr int kW = 8;
constexpr int kH = 4;

// GL row 0 (the bottom) is blue, the top row red, everything between grey; alpha encodes
// the frame number so each written file can be told apart.
std::vector<uint8_t> Frame8(int number) {
  std::vector<uint8_t> pixels(kW * kH * 4, 128);
  for (int x = 0; x < kW; ++x) {
    uint8_t* bottom = &pixels[x * 4];
    uint8_t* top = &pixels[((kH - 1) * kW + x) * 4];
    bottom[0] = 0, bottom[1] = 0, bottom[2] = 255;
    top[0] = 255, top[1] = 0, top[2] = 0;
  }
  for (int i = 0; i < kW * kH; ++i) pixels[i * 4 + 3] = static_cast<uint8_t>(100 + number);
  return pixels;
}

FrameView View(const std::vector<uint8_t>& pixels, int index, hostkit::PixelFormat format = hostkit::PixelFormat::Rgba8) {
  return FrameView{pixels.data(), kW, kH, format, index};
}

bool WriteFrames(hostkit::FrameSink& sink, int count) {
  std::string error;
  for (int i = 0; i < count; ++i) {
    auto pixels = Frame8(i);
    if (!sink.Write(View(pixels, i), error)) return false;
  }
  return true;
}

TEST(PictureOutput, SinglePngHoldsTheLastFrameUpright) {
  ScratchDir dir;
  std::string error;
  auto sink = hostkit::OpenSink({dir / "still.png", 3, 30.0, kW, kH}, error);
  ASSERT_NE(sink, nullptr) << error;
  ASSERT_TRUE(WriteFrames(*sink, 3));
  ASSERT_TRUE(sink->Commit(error)) << error;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"still.png"});
  tooltest::PngOnDisk png;
  ASSERT_TRUE(tooltest::LoadPng(dir / "still.png", png));
  EXPECT_EQ(png.width, kW);
  EXPECT_EQ(png.height, kH);
  EXPECT_EQ(png.At(0, 0)[0], 255) << "the file's first row is GL's top row";
  EXPECT_EQ(png.At(0, kH - 1)[2], 255);
  EXPECT_EQ(png.At(3, 2)[3], 102) << "the last of three frames";
}

TEST(PictureOutput, SequencesNumberEveryFrameAndReadBackAsWritten) {
  for (const std::string pattern : {"f_%03d.png", "f_###.png"}) {
    ScratchDir dir;
    std::string error;
    auto sink = hostkit::OpenSink({dir / pattern, 3, 30.0, kW, kH}, error);
    ASSERT_NE(sink, nullptr) << error;
    ASSERT_TRUE(WriteFrames(*sink, 3));
    const std::vector<std::string> frames = {"f_000.png", "f_001.png", "f_002.png"};
    EXPECT_EQ(dir.Entries(), frames) << "each frame takes its name, whole, once written";
    ASSERT_TRUE(sink->Commit(error)) << error;
    EXPECT_EQ(dir.Entries(), frames);
    hostkit::Image image;
    ASSERT_TRUE(hostkit::ReadPng(dir / "f_001.png", image, error)) << error;
    EXPECT_EQ(image.rgba, Frame8(1)) << "ReadPng gives rows bottom to top, as written";
  }
}

TEST(PictureOutput, AnOutputNeverCommittedLeavesNothingButASequenceKeepsItsFinishedFrames) {
  ScratchDir dir;
  std::string error;
  for (const std::string name : {"one.png", "seq_%02d.png", "one.exr"}) {
    auto sink = hostkit::OpenSink({dir / name, 2, 30.0, kW, kH}, error);
    ASSERT_NE(sink, nullptr) << error;
    if (sink->Format() == hostkit::PixelFormat::Rgba8) {
      ASSERT_TRUE(WriteFrames(*sink, 1));
    }
    EXPECT_EQ(sink->FramesKept(), name == "seq_%02d.png" ? 1 : 0) << name;
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"seq_00.png"});
}

TEST(PictureOutput, UnwritablePlacesAndUnknownTypesAreRefusedUpFront) {
  ScratchDir dir;
  std::string error;
  EXPECT_EQ(hostkit::OpenSink({dir / "missing/x.png", 1, 30.0, kW, kH}, error), nullptr);
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  std::ofstream(dir / "file") << "x";
  EXPECT_EQ(hostkit::OpenSink({dir / "file/x.png", 1, 30.0, kW, kH}, error), nullptr);
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;
  EXPECT_EQ(hostkit::OpenSink({dir.Path(), 1, 30.0, kW, kH}, error), nullptr);
  EXPECT_EQ(hostkit::OpenSink({dir / "x.tiff", 1, 30.0, kW, kH}, error), nullptr);
  EXPECT_NE(error.find("unknown output type"), std::string::npos) << error;
  if (geteuid() != 0) {  // root writes anywhere
    std::filesystem::create_directory(dir / "locked");
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(hostkit::OpenSink({dir / "locked/x.png", 1, 30.0, kW, kH}, error), nullptr);
    EXPECT_NE(error.find("not writable"), std::string::npos) << error;
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"file"});
}

// Hands `count` frames made by `make(i)` to the encoding pool, as the render loop does.
template <typename Make>
bool PoolFrames(hostkit::FrameSink& sink, int width, int height, int count, Make&& make, std::string& error) {
  hostkit::EncodePool pool(sink, width, height);
  for (int i = 0; i < count; ++i) {
    uint8_t* buffer = pool.Acquire();
    if (!buffer) break;
    const std::vector<uint8_t> pixels = make(i);
    std::memcpy(buffer, pixels.data(), pixels.size());
    pool.Submit(buffer, i);
  }
  return pool.Finish(error);
}

std::vector<uint8_t> FrameHalf(int number) {
  std::vector<Imf::Rgba> pixels(kW * kH, Imf::Rgba(static_cast<float>(number) + 0.5f, 0.0f, 0.0f, 1.0f));
  const auto* bytes = reinterpret_cast<const uint8_t*>(pixels.data());
  return std::vector<uint8_t>(bytes, bytes + pixels.size() * sizeof(Imf::Rgba));
}

TEST(PictureOutput, FramesCompressedOnSeveralThreadsLandInTheirOwnFiles) {
  ScratchDir dir;
  std::string error;
  constexpr int kFrames = 9;
  auto png = hostkit::OpenSink({dir / "p_%d.png", kFrames, 30.0, kW, kH, 3}, error);
  ASSERT_NE(png, nullptr) << error;
  EXPECT_EQ(png->EncodeJobs(), 3);
  ASSERT_TRUE(PoolFrames(*png, kW, kH, kFrames, Frame8, error)) << error;
  ASSERT_TRUE(png->Commit(error)) << error;
  auto exr = hostkit::OpenSink({dir / "e_%d.exr", kFrames, 30.0, kW, kH, 3}, error);
  ASSERT_NE(exr, nullptr) << error;
  ASSERT_TRUE(PoolFrames(*exr, kW, kH, kFrames, FrameHalf, error)) << error;
  ASSERT_TRUE(exr->Commit(error)) << error;
  EXPECT_EQ(dir.Entries().size(), size_t{2 * kFrames});
  for (int i = 0; i < kFrames; ++i) {
    hostkit::Image image;
    ASSERT_TRUE(hostkit::ReadPng(dir / ("p_" + std::to_string(i) + ".png"), image, error)) << error;
    EXPECT_EQ(image.rgba, Frame8(i)) << "p_" << i << ".png";
    Imf::RgbaInputFile file((dir / ("e_" + std::to_string(i) + ".exr")).c_str());
    std::vector<Imf::Rgba> read(kW * kH);
    file.setFrameBuffer(read.data(), 1, kW);
    file.readPixels(0, kH - 1);
    EXPECT_FLOAT_EQ(static_cast<float>(read[5].r), static_cast<float>(i) + 0.5f) << "e_" << i << ".exr";
  }
}

TEST(PictureOutput, AFileSizeLimitFailsTheFrameAndLeavesNoPartOfIt) {
  // The host ignores SIGXFSZ so that going over the limit is a write error, not the end.
  signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  constexpr int kSide = 128;
  auto noise = [](int number) {
    std::vector<uint8_t> pixels(kSide * kSide * 4);
    uint32_t state = 2463534242u + static_cast<uint32_t>(number);
    for (uint8_t& byte : pixels) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      byte = static_cast<uint8_t>(state);
    }
    return pixels;  // about 64 KB as a PNG: noise does not compress
  };
  // The first frame over the limit fails, whether it is the first of the render or comes
  // after frames already written (flat ones, a few hundred bytes each): no part of it stays,
  // and the frames before it stay whole.
  for (int failing : {0, 3}) {
    ScratchDir dir;
    std::string error;
    {
      auto sink = hostkit::OpenSink({dir / "n_%d.png", 5, 30.0, kSide, kSide, 2}, error);
      ASSERT_NE(sink, nullptr) << error;
      rlimit small = previous;
      small.rlim_cur = 16 * 1024;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
      const bool written = PoolFrames(*sink, kSide, kSide, 5, [&](int number) {
        return number < failing ? std::vector<uint8_t>(kSide * kSide * 4, 200) : noise(number);
      }, error);
      setrlimit(RLIMIT_FSIZE, &previous);
      EXPECT_FALSE(written);
    }
    const std::string name = "n_" + std::to_string(failing) + ".png";
    EXPECT_EQ(error.rfind("frame " + std::to_string(failing) + ": writing " + (dir / name) + " failed: ", 0), 0u)
        << error;
    EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    const std::vector<std::string> kept = {"n_0.png", "n_1.png", "n_2.png"};
    EXPECT_EQ(dir.Entries(), failing == 0 ? std::vector<std::string>{} : kept) << "frame " << failing << " failed";
  }
}

TEST(PictureOutput, NumberPatternsAreFoundInTheFileNameOnly) {
  hostkit::NumberPattern pattern;
  ASSERT_TRUE(hostkit::FindNumberPattern("out/a_%04d.png", pattern));
  EXPECT_EQ(pattern.Format(7), "out/a_0007.png");
  ASSERT_TRUE(hostkit::FindNumberPattern("a_##.png", pattern));
  EXPECT_EQ(pattern.Format(123), "a_123.png");
  ASSERT_TRUE(hostkit::FindNumberPattern("a%d.png", pattern));
  EXPECT_EQ(pattern.Format(5), "a5.png");
  EXPECT_FALSE(hostkit::FindNumberPattern("dir#1/a.png", pattern));
  EXPECT_FALSE(hostkit::FindNumberPattern("100%.png", pattern));
}

TEST(PngInput, MissingAndCorruptFilesAreNamedInOneLine) {
  ScratchDir dir;
  hostkit::Image image;
  std::string error;
  EXPECT_FALSE(hostkit::ReadPng(dir / "none.png", image, error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  std::ofstream(dir / "bad.png") << "\x89PNG\r\n\x1a\n garbage";
  EXPECT_FALSE(hostkit::ReadPng(dir / "bad.png", image, error));
  EXPECT_NE(error.find("not a readable PNG"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  EXPECT_TRUE(image.rgba.empty());
}

TEST(ExrOutput, KeepsValuesAboveOneAndWritesUpright) {
  ScratchDir dir;
  std::vector<Imf::Rgba> pixels(kW * kH, Imf::Rgba(0.25f, 0.25f, 0.25f, 1.0f));
  pixels[0] = Imf::Rgba(7.5f, 0.0f, 0.0f, 0.5f);  // GL's bottom-left pixel
  std::string error;
  ASSERT_TRUE(hostkit::WriteExr(dir / "hdr.exr", reinterpret_cast<const uint8_t*>(pixels.data()), kW, kH, error))
      << error;
  Imf::RgbaInputFile file((dir / "hdr.exr").c_str());
  std::vector<Imf::Rgba> read(kW * kH);
  file.setFrameBuffer(read.data(), 1, kW);
  file.readPixels(0, kH - 1);
  EXPECT_FLOAT_EQ(static_cast<float>(read[(kH - 1) * kW].r), 7.5f) << "bottom-left stays at the bottom";
  EXPECT_FLOAT_EQ(static_cast<float>(read[(kH - 1) * kW].a), 0.5f);
  EXPECT_FLOAT_EQ(static_cast<float>(read[0].r), 0.25f);
}

TEST(StreamOutput, RowsGoOutTopFirstWithNothingAdded) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  auto pixels = Frame8(0);
  std::string error;
  ASSERT_TRUE(hostkit::WriteUprightRows(ends[1], View(pixels, 0), error)) << error;
  close(ends[1]);
  std::vector<uint8_t> got(kW * kH * 4 + 1);
  ssize_t total = 0, n = 0;
  while ((n = read(ends[0], got.data() + total, got.size() - static_cast<size_t>(total))) > 0) total += n;
  close(ends[0]);
  ASSERT_EQ(total, kW * kH * 4);
  EXPECT_EQ(got[0], 255) << "red top row first";
  EXPECT_EQ(got[(kH - 1) * kW * 4 + 2], 255) << "blue bottom row last";
}

TEST(StreamOutput, AReaderThatGoesAwayIsAWriteError) {
  signal(SIGPIPE, SIG_IGN);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  auto pixels = Frame8(0);
  std::string error;
  EXPECT_FALSE(hostkit::WriteUprightRows(ends[1], View(pixels, 0), error));
  EXPECT_NE(error.find("closed"), std::string::npos) << error;
  close(ends[1]);
}

TEST(VideoOutput, ClipAppearsOnlyWhenFfmpegFinished) {
  if (!hostkit::VideoOutputAvailable()) GTEST_SKIP() << "ffmpeg is not installed here";
  signal(SIGPIPE, SIG_IGN);
  ScratchDir dir;
  std::string error;
  {
    auto abandoned = hostkit::OpenSink({dir / "gone.mp4", 3, 30.0, kW, kH}, error);
    ASSERT_NE(abandoned, nullptr) << error;
    ASSERT_TRUE(WriteFrames(*abandoned, 1));
  }
  EXPECT_TRUE(dir.Entries().empty());
  for (const std::string name : {"clip.mp4", "clip.gif", "clip.mov", "clip.webm"}) {
    auto sink = hostkit::OpenSink({dir / name, 3, 30.0, kW - 1, kH - 1}, error);
    ASSERT_NE(sink, nullptr) << error;
    // Odd sizes: H.264 gets a padded picture, the others take them as they are.
    std::vector<uint8_t> pixels((kW - 1) * (kH - 1) * 4, 200);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(sink->Write(FrameView{pixels.data(), kW - 1, kH - 1, {}, i}, error)) << error;
    ASSERT_TRUE(sink->Commit(error)) << error;
    EXPECT_GT(std::filesystem::file_size(dir / name), 0u);
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"clip.gif", "clip.mov", "clip.mp4", "clip.webm"}));
}

}  // namespace
