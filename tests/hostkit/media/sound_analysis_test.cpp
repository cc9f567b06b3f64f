// The sound's features from clips that ffmpeg makes with a known truth: click tracks at known
// tempos, a low tone then a high one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/live_sound.h"
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

// Heard live, in blocks of an odd size: a click track's tempo is found within a beat per minute
// after a few bars and most clicks pulse "beat" within a frame; a low then a high tone move bass
// and high apart, against the running reference alone.
TEST(LiveSound, FollowsClicksAndBands) {
  constexpr int kRate = 48000, kBlock = 333;
  const double bpm = 120.0, seconds = 20.0;
  std::vector<float> sound(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < sound.size(); ++i) {
    const double t = static_cast<double>(i) / kRate, sinceClick = std::fmod(t, 60.0 / bpm);
    const double tone = 0.3 * std::sin(2 * M_PI * (t < 15.0 ? 60.0 : 6000.0) * t);
    sound[i] = static_cast<float>((t < 12.0 ? (sinceClick < 0.005 ? 0.9 : 0.0) : tone));
  }
  hostkit::LiveSoundAnalyser live(kRate);
  int clicks = 0, pulsed = 0;
  double bass = 0, high = 0;
  for (size_t at = 0, frame = 0; at < sound.size(); at += kBlock) {
    live.Feed(sound.data() + at, std::min<size_t>(kBlock, sound.size() - at));
    for (; frame / kFps <= live.Seconds(); ++frame) {
      const hostkit::SoundFrame now = live.Now();
      const double t = frame / kFps, sinceClick = std::fmod(t, 60.0 / bpm);
      if (t > 4.0 && t < 11.5 && sinceClick < 1.0 / kFps) {
        ++clicks;
        pulsed += now.Value(SoundFeature::Beat) > 0.5f;
      }
      if (t > 6.0 && t < 11.5) {
        EXPECT_NEAR(now.tempo, bpm, 1.0) << "at " << t << " s";
      }
      if (t > 13.0 && t < 14.5) bass += now.Value(SoundFeature::Bass) - now.Value(SoundFeature::High);
      if (t > 16.0 && t < 19.5) high += now.Value(SoundFeature::High) - now.Value(SoundFeature::Bass);
    }
  }
  EXPECT_GE(pulsed, 0.9 * clicks) << pulsed << " of " << clicks << " clicks pulsed";
  EXPECT_GT(bass / (1.5 * kFps), 0.6);
  EXPECT_GT(high / (3.5 * kFps), 0.6);
}
