// The encoding pool without GL or files: frames compressed on several threads reach the sink
// in frame order, the renderer is held back only by a full pool, and the first frame that
// fails stops everything with its number and reason.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "tools/hostkit/media/encode_pool.h"

namespace {

using namespace std::chrono_literals;

constexpr int kW = 4;
constexpr int kH = 2;

// Encodes a frame as its first byte, which the test sets to the frame number. Frames can be
// told to fail in Encode or Write, and Write can be held closed.
class RecordingSink final : public hostkit::FrameSink {
 public:
  explicit RecordingSink(int jobs) : jobs(jobs) {}
  hostkit::PixelFormat Format() const override { return hostkit::PixelFormat::Rgba8; }
  int EncodeJobs() const override { return jobs; }

  bool Encode(const hostkit::FrameView& frame, hostkit::EncodeScratch&, std::vector<uint8_t>& encoded,
              std::string& error) const override {
    const int running = ++encoding;
    int seen = peak.load();
    while (running > seen && !peak.compare_exchange_weak(seen, running)) {
    }
    if (frame.index == 0) {
      // Hold the first frame until a later one is being encoded beside it (or give up after a
      // while, which the test then reports as no concurrency): later frames overtake it.
      std::unique_lock<std::mutex> lock(mutex);
      overlap.wait_for(lock, 5s, [this] { return peak.load() >= 2; });
    }
    {
      std::lock_guard<std::mutex> lock(mutex);  // so the wait above cannot miss this
    }
    overlap.notify_all();
    --encoding;
    if (frame.index == failEncodeAt) {
      error = "cannot compress";
      return false;
    }
    encoded.assign(1, frame.pixels[0]);
    return true;
  }

  bool Write(const hostkit::FrameView& frame, std::string& error) override {
    {
      std::unique_lock<std::mutex> lock(mutex);
      gate.wait(lock, [this] { return open; });
    }
    if (frame.index == failWriteAt) {
      error = "disk full";
      return false;
    }
    if (!frame.encoded || frame.encoded->size() != 1 || (*frame.encoded)[0] != static_cast<uint8_t>(frame.index)) {
      error = "frame " + std::to_string(frame.index) + " arrived with another frame's bytes";
      return false;
    }
    written.push_back(frame.index);
    return true;
  }
  bool Commit(std::string&) override { return true; }

  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = true;
    }
    gate.notify_all();
  }

  int jobs;
  int failEncodeAt = -1;
  int failWriteAt = -1;
  bool open = true;
  std::vector<int> written;  // only the pool's writing thread touches it
  mutable std::atomic<int> encoding{0};
  mutable std::atomic<int> peak{0};
  mutable std::mutex mutex;
  mutable std::condition_variable overlap;
  std::condition_variable gate;
};

// Submits up to `frames` frames, each carrying its number, until the pool refuses a buffer.
int Feed(hostkit::EncodePool& pool, int frames) {
  int submitted = 0;
  for (; submitted < frames; ++submitted) {
    uint8_t* buffer = pool.Acquire();
    if (!buffer) break;
    std::memset(buffer, submitted, kW * kH * 4);
    pool.Submit(buffer, submitted);
  }
  return submitted;
}

TEST(EncodePool, FramesEncodedSideBySideAreWrittenInOrder) {
  RecordingSink sink(3);
  hostkit::EncodePool pool(sink, kW, kH);
  EXPECT_EQ(pool.Threads(), 3);
  EXPECT_EQ(Feed(pool, 20), 20);
  std::string error;
  ASSERT_TRUE(pool.Finish(error)) << error;
  std::vector<int> expected(20);
  for (int i = 0; i < 20; ++i) expected[static_cast<size_t>(i)] = i;
  EXPECT_EQ(sink.written, expected);
  EXPECT_GE(sink.peak.load(), 2) << "no two frames were ever encoded at once";
}

TEST(EncodePool, RenderingWaitsOnlyWhenTwiceThePoolIsInFlight) {
  RecordingSink sink(2);
  sink.open = false;  // nothing can be written: every submitted frame stays in flight
  hostkit::EncodePool pool(sink, kW, kH);
  EXPECT_EQ(Feed(pool, 4), 4) << "2 threads x 2 frames are accepted without waiting";
  std::atomic<bool> fifthGranted{false};
  std::thread renderer([&] {
    uint8_t* buffer = pool.Acquire();
    fifthGranted = true;
    std::memset(buffer, 4, kW * kH * 4);
    pool.Submit(buffer, 4);
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(fifthGranted.load()) << "a fifth buffer was handed out while four frames were in flight";
  sink.Open();
  renderer.join();
  std::string error;
  ASSERT_TRUE(pool.Finish(error)) << error;
  EXPECT_EQ(sink.written, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(EncodePool, AFailedWriteStopsTheRenderAndNamesTheFrame) {
  RecordingSink sink(2);
  sink.failWriteAt = 5;
  hostkit::EncodePool pool(sink, kW, kH);
  const int submitted = Feed(pool, 1000);
  EXPECT_LT(submitted, 1000) << "the pool kept taking frames after a write failed";
  std::string error;
  EXPECT_FALSE(pool.Finish(error));
  EXPECT_EQ(error, "frame 5: disk full");
  EXPECT_EQ(sink.written, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(EncodePool, AFailedEncodeIsReportedInFrameOrder) {
  RecordingSink sink(3);
  sink.failEncodeAt = 2;
  hostkit::EncodePool pool(sink, kW, kH);
  Feed(pool, 1000);
  std::string error;
  EXPECT_FALSE(pool.Finish(error));
  EXPECT_EQ(error, "frame 2: cannot compress");
  EXPECT_EQ(sink.written, (std::vector<int>{0, 1})) << "frames before the failure are written, none after";
}

TEST(EncodePool, DroppingThePoolMidRenderJoinsItsThreads) {
  RecordingSink sink(2);
  {
    hostkit::EncodePool pool(sink, kW, kH);
    Feed(pool, 3);
  }
  SUCCEED() << "the destructor returned with frames still queued";
}

}  // namespace
