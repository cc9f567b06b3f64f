// The sound's features from clips that ffmpeg makes with a known truth: click tracks at known
// tempos, a low tone then a high one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/sound_analysis.h"

namespace {

using hostkit::SoundFeature;
constexpr double kFps = 30.0;

hostkit::SoundFeatures Analyse(const std::string& expression, double seconds) {
  tooltest::ScratchDir dir;
  const std::string clip = dir / "clip.mkv";
  EXPECT_TRUE(tooltest::MakeClipWithSound(clip, expression, seconds));
  hostkit::SoundFeatures features;
  std::string error;
  EXPECT_TRUE(hostkit::AnalyseClipSound(clip, kFps, static_cast<int>(seconds * kFps), features, error)) << error;
  return features;
}

class ClickTrack : public testing::TestWithParam<double> {};

// Nearly every click has a beat of 1.0 within one frame of it, and the tempo is right within a
// beat per minute once the tracker has heard a few bars; the bar phase climbs by a quarter a beat.
TEST_P(ClickTrack, BeatsAndTempoMatchTheClicks) {
  const double bpm = GetParam(), first = 0.37, seconds = 30.0;
  const hostkit::SoundFeatures features = Analyse(tooltest::ClickTrack(bpm, first), seconds);
  ASSERT_EQ(features.frames.size(), static_cast<size_t>(seconds * kFps));
  const auto beatAt = [&](long long frame) {
    return frame >= 0 && frame < static_cast<long long>(features.frames.size()) &&
           features.frames[static_cast<size_t>(frame)].Value(SoundFeature::Beat) == 1.0f;
  };
  int clicks = 0, found = 0;
  for (double t = first; t < seconds - 0.1; t += 60.0 / bpm, ++clicks) {
    const long long frame = std::llround(t * kFps);
    found += beatAt(frame - 1) || beatAt(frame) || beatAt(frame + 1);
  }
  EXPECT_GE(found, std::ceil(0.95 * clicks)) << found << " of " << clicks << " clicks at " << bpm << " BPM";
  int beats = 0;
  for (const auto& frame : features.frames) beats += frame.Value(SoundFeature::Beat) == 1.0f;
  EXPECT_LE(beats, clicks + 1) << "beats where there is no click";
  for (size_t frame = features.frames.size() / 3; frame < features.frames.size(); frame += 7) {
    EXPECT_NEAR(features.frames[frame].tempo, bpm, 1.0) << "frame " << frame;
  }
  const double quarter = 0.25;
  for (double t = first + 16 * 60.0 / bpm; t + 60.0 / bpm < seconds; t += 60.0 / bpm) {
    const auto& now = features.frames[static_cast<size_t>(std::llround(t * kFps))];
    const auto& next = features.frames[static_cast<size_t>(std::llround((t + 60.0 / bpm) * kFps))];
    const double step = std::fmod(next.Value(SoundFeature::Bar) - now.Value(SoundFeature::Bar) + 1.0, 1.0);
    EXPECT_NEAR(step, quarter, 0.05) << "at " << t << " s";
  }
}

INSTANTIATE_TEST_SUITE_P(Tempos, ClickTrack, testing::Values(90.0, 120.0, 128.0));

// Three seconds of 60 Hz, then three of 6 kHz: bass is up in the first half and high in the
// second; the level is the same throughout.
TEST(SoundAnalysis, BandsTellLowFromHigh) {
  const hostkit::SoundFeatures features = Analyse("'0.5*sin(2*PI*if(lt(t,3),60,6000)*t)'", 6.0);
  const auto mean = [&](SoundFeature feature, double from, double to) {
    double sum = 0;
    int count = 0;
    for (int frame = static_cast<int>(from * kFps); frame < static_cast<int>(to * kFps); ++frame, ++count) {
      sum += features.frames[static_cast<size_t>(frame)].Value(feature);
    }
    return sum / count;
  };
  EXPECT_GT(mean(SoundFeature::Bass, 0.5, 2.9), 0.9);
  EXPECT_LT(mean(SoundFeature::High, 0.5, 2.9), 0.1);
  EXPECT_LT(mean(SoundFeature::Bass, 3.5, 5.9), 0.25);
  EXPECT_GT(mean(SoundFeature::High, 3.5, 5.9), 0.9);
  EXPECT_GT(mean(SoundFeature::Level, 0.5, 5.9), 0.9);
  EXPECT_EQ(features.frames[0].Value(SoundFeature::Level), 0.0f) << "frame 0 has heard nothing yet";
}

}  // namespace
