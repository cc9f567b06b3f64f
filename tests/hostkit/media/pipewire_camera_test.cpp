// The camera's parts: the ring that carries frames to PipeWire's thread, the pixels it sends,
// and the node itself on the private PipeWire this suite runs beside (with_pipewire.sh): what
// it is called, that it waits for a consumer, and what `pipewiresrc` receives in each layout it offers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/reliability/alloc_counter.h"
#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/frame_ring.h"
#include "tools/hostkit/media/pipewire_camera.h"

namespace {

using hostkit::CameraLayout;
using hostkit::FrameRing;
using tooltest::ScratchDir;

TEST(FrameRing, TheReaderTakesTheNewestFrameAndTheWriterNeverWaits) {
  FrameRing ring(3, 4);
  const uint8_t* pixels = nullptr;
  int64_t index = -1;
  EXPECT_FALSE(ring.BeginRead(pixels, index)) << "nothing written yet";

  for (int64_t frame = 0; frame < 3; ++frame) {
    uint8_t* slot = ring.BeginWrite();
    ASSERT_NE(slot, nullptr);
    slot[0] = static_cast<uint8_t>(frame);
    ring.EndWrite(frame);
  }
  // Three frames in three slots: a fourth reuses the oldest, which is dropped.
  ring.BeginWrite()[0] = 3;
  ring.EndWrite(3);
  EXPECT_EQ(ring.Dropped(), 1u);
  ASSERT_TRUE(ring.BeginRead(pixels, index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(pixels[0], 3);
  EXPECT_EQ(ring.Dropped(), 3u) << "frames 1 and 2 were older than the one read";

  // While the reader holds its slot, the writer still always has one.
  for (int64_t frame = 4; frame < 10; ++frame) {
    uint8_t* slot = ring.BeginWrite();
    ASSERT_NE(slot, pixels) << "the slot being read is never written";
    slot[0] = static_cast<uint8_t>(frame);
    ring.EndWrite(frame);
  }
  EXPECT_EQ(pixels[0], 3);
  ring.EndRead();
  ASSERT_TRUE(ring.BeginRead(pixels, index));
  EXPECT_EQ(index, 9);
  ring.EndRead();
  EXPECT_FALSE(ring.BeginRead(pixels, index));
}

TEST(FrameRing, FramesCrossThreadsWholeAndInOrderWithoutAllocating) {
  constexpr size_t kBytes = 4096;
  constexpr int64_t kFrames = 20000;
  FrameRing ring(3, kBytes);
  std::atomic<bool> done{false};
  int64_t last = -1, reads = 0;
  bool whole = true;
  const reliability::AllocCounts before = reliability::AllocSnapshot();
  std::thread reader([&] {
    const uint8_t* pixels = nullptr;
    int64_t index = 0;
    for (;;) {
      const bool finished = done;
      if (!ring.BeginRead(pixels, index)) {
        if (finished) break;
        continue;
      }
      for (size_t i = 0; i < kBytes; ++i) whole = whole && pixels[i] == static_cast<uint8_t>(index);
      if (index <= last) whole = false;
      last = index;
      ++reads;
      ring.EndRead();
    }
  });
  for (int64_t frame = 0; frame < kFrames; ++frame) {
    uint8_t* slot = ring.BeginWrite();
    std::fill(slot, slot + kBytes, static_cast<uint8_t>(frame));
    ring.EndWrite(frame);
  }
  done = true;
  reader.join();
  const reliability::AllocCounts made = reliability::AllocDelta(before, reliability::AllocSnapshot());
  EXPECT_TRUE(whole) << "a frame was read while written, or out of order";
  EXPECT_EQ(last, kFrames - 1) << "the last frame always arrives";
  EXPECT_EQ(static_cast<uint64_t>(reads) + ring.Dropped(), static_cast<uint64_t>(kFrames));
  EXPECT_LE(made.news, 2u) << "only the reader thread's own start allocates";
}

TEST(CameraPixels, RowsTurnUprightInEitherLayoutAndAlphaIsDropped) {
  // Two rows of two pixels, bottom row first as GL reads them.
  const uint8_t rgba[] = {1, 2, 3, 10, 4, 5, 6, 20,    // bottom
                          7, 8, 9, 30, 11, 12, 13, 40};  // top
  uint8_t out[2 * 12];
  std::fill(std::begin(out), std::end(out), 0xEE);
  hostkit::ToCameraPixels(rgba, 2, 2, CameraLayout::Rgbx, out, 12);
  const uint8_t rgbx[] = {7, 8, 9, 255, 11, 12, 13, 255, 0xEE, 0xEE, 0xEE, 0xEE,
                          1, 2, 3, 255, 4, 5, 6, 255, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), rgbx)) << "upright, opaque, padding untouched";
  hostkit::ToCameraPixels(rgba, 2, 2, CameraLayout::Bgrx, out, 12);
  const uint8_t bgrx[] = {9, 8, 7, 255, 13, 12, 11, 255, 0xEE, 0xEE, 0xEE, 0xEE,
                          3, 2, 1, 255, 6, 5, 4, 255, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), bgrx));
  // With alpha in the layout, the same bytes: the picture is opaque.
  hostkit::ToCameraPixels(rgba, 2, 2, CameraLayout::Bgra, out, 12);
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), bgrx));
  hostkit::ToCameraPixels(rgba, 2, 2, CameraLayout::Rgba, out, 12);
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), rgbx));
}

nlohmann::json FindNode(const std::string& name) {
  const tooltest::RunResult dump = tooltest::RunTool("pw-dump", {});
  const nlohmann::json objects = nlohmann::json::parse(dump.out, nullptr, false);
  if (objects.is_discarded()) return {};
  for (const auto& object : objects) {
    const nlohmann::json props = object.value("info", nlohmann::json::object()).value("props", nlohmann::json::object());
    if (object.value("type", "") == "PipeWire:Interface:Node" && props.value("node.name", "") == name) return props;
  }
  return {};
}

// A picture that tells rows, columns and channels apart: R from x, G from y, B from both.
std::vector<uint8_t> Pattern(int width, int height, int frame) {
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(x * 7 + frame);
      p[1] = static_cast<uint8_t>(y * 11);
      p[2] = static_cast<uint8_t>(x * y + 3);
      p[3] = 128;
    }
  }
  return rgba;
}

// Frames go out to `camera` every 10 ms until `stop`, when a consumer wants them.
void Feed(hostkit::PipeWireCamera& camera, const std::atomic<bool>& stop) {
  for (int frame = 0; !stop; ++frame) {
    if (camera.Wanted()) {
      const std::vector<uint8_t> picture = Pattern(camera.Width(), camera.Height(), frame % 4);
      std::copy(picture.begin(), picture.end(), camera.BeginFrame());
      camera.Send(frame);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(PipeWireCamera, IsAVideoSourceThatPipewiresrcReadsInEveryLayout) {
  constexpr int kW = 24, kH = 10;
  std::string error;
  auto camera = hostkit::PipeWireCamera::Open({"SwirlmossCameraTest", kW, kH, 50.0}, error);
  ASSERT_NE(camera, nullptr) << error;
  EXPECT_NE(camera->State().node, 0u);
  const nlohmann::json props = FindNode("SwirlmossCameraTest");
  EXPECT_EQ(props.value("media.class", ""), "Video/Source") << props.dump();
  EXPECT_EQ(props.value("media.role", ""), "Camera");
  EXPECT_EQ(props.value("node.description", ""), "SwirlmossCameraTest");
  EXPECT_FALSE(camera->Wanted()) << "nobody is connected yet";

  const std::pair<const char*, CameraLayout> layouts[] = {{"BGRx", CameraLayout::Bgrx},
                                                          {"RGBx", CameraLayout::Rgbx},
                                                          {"BGRA", CameraLayout::Bgra},
                                                          {"RGBA", CameraLayout::Rgba}};
  for (const auto& [layout, expectedLayout] : layouts) {
    ScratchDir dir;
    std::atomic<bool> stop{false};
    std::thread feeder(Feed, std::ref(*camera), std::cref(stop));
    // A consumer naming a node the session manager has not taken in yet is refused; on a
    // loaded machine that can happen to the first one.
    tooltest::RunResult run;
    for (int attempt = 0; attempt < 3 && run.exitCode != 0; ++attempt) {
      run = tooltest::RunTool("timeout", {"60", "gst-launch-1.0", "-q", "pipewiresrc", "target-object=SwirlmossCameraTest",
                                          "num-buffers=3", "!",
                                          std::string("video/x-raw,format=") + layout + ",width=24,height=10", "!",
                                          "filesink", "location=" + (dir / "frames.raw")});
    }
    stop = true;
    feeder.join();
    ASSERT_EQ(run.exitCode, 0) << layout << ": " << run.err;
    std::ifstream file(dir / "frames.raw", std::ios::binary);
    const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t frameBytes = static_cast<size_t>(kW) * kH * 4;
    ASSERT_EQ(raw.size(), 3 * frameBytes) << layout;
    // Each frame is one of the four pictures sent, upright and in the layout asked for.
    for (size_t frame = 0; frame < 3; ++frame) {
      bool matched = false;
      for (int sent = 0; sent < 4 && !matched; ++sent) {
        std::vector<uint8_t> expected(frameBytes);
        hostkit::ToCameraPixels(Pattern(kW, kH, sent).data(), kW, kH, expectedLayout, expected.data(), kW * 4);
        matched = std::equal(expected.begin(), expected.end(), raw.begin() + static_cast<long>(frame * frameBytes));
      }
      EXPECT_TRUE(matched) << layout << " frame " << frame;
    }
    EXPECT_STREQ(hostkit::CameraLayoutName(camera->State().layout), layout);
    EXPECT_GE(camera->State().sent, 3u);
  }
}

}  // namespace
