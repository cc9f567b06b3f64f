// Parsing --set values into per-frame tracks, against a model shaped like the effect's.

#include <gtest/gtest.h>

#include "tests/hostkit/params/small_model.h"
#include "tools/hostkit/params/parameter_plan.h"

namespace {

using hostkit::ParameterInfo;
using hostkit::ParameterPlan;
using hostkit::ParameterTrack;

hostkit::ParameterModel Model() { return tooltest::SmallParameterModel(); }

struct Parsed {
  bool ok = false;
  ParameterPlan plan;
  std::vector<std::string> warnings;
  std::string error;
};

Parsed Parse(const std::vector<std::string>& settings) {
  Parsed parsed;
  parsed.ok = ParameterPlan::Parse(settings, Model(), parsed.plan, parsed.warnings, parsed.error);
  return parsed;
}

TEST(ParameterPlan, NamesOptionsAndSwitchesIgnoreCase) {
  Parsed parsed = Parse({"light=2.5", "seed=SEED 4", "Night Mode=On", "MODE=smoke"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const auto& tracks = parsed.plan.Tracks();
  ASSERT_EQ(tracks.size(), 3u) << "Mode is kept apart, to be applied first";
  EXPECT_EQ(tracks[0].index, 1u);
  EXPECT_FLOAT_EQ(tracks[0].At(0, 1), 2.5f);
  EXPECT_FLOAT_EQ(tracks[1].At(0, 1), 3.0f) << "the fourth seed carries the value 3";
  EXPECT_FLOAT_EQ(tracks[2].At(0, 1), 1.0f);
  EXPECT_TRUE(parsed.warnings.empty()) << "an option's range is its elements' values";
}

TEST(ParameterPlan, RampRunsFromTheFirstFrameToTheLast) {
  Parsed parsed = Parse({"Spot Spin=0..1"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const ParameterTrack& ramp = parsed.plan.Tracks()[0];
  EXPECT_FLOAT_EQ(ramp.At(0, 5), 0.0f);
  EXPECT_FLOAT_EQ(ramp.At(2, 5), 0.5f);
  EXPECT_FLOAT_EQ(ramp.At(4, 5), 1.0f);
  EXPECT_FLOAT_EQ(ramp.At(0, 1), 0.0f) << "a one-frame render takes the first value";

  // Between floats of opposite sign near the range's ends the step exceeds a float.
  Parsed wide = Parse({"Spot Spin=-3e38..3e38", "Light=0:-3e38,2:3e38"});
  ASSERT_TRUE(wide.ok) << wide.error;
  EXPECT_FLOAT_EQ(wide.plan.Tracks()[0].At(1, 3), 0.0f);
  EXPECT_FLOAT_EQ(wide.plan.Tracks()[1].At(1, 3), 0.0f);
}

TEST(ParameterPlan, KeyframesStepLinearlyAndHoldOutside) {
  Parsed parsed = Parse({"Light=10:1,20:5,40:1"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const ParameterTrack& keys = parsed.plan.Tracks()[0];
  EXPECT_FLOAT_EQ(keys.At(0, 100), 1.0f);
  EXPECT_FLOAT_EQ(keys.At(15, 100), 3.0f);
  EXPECT_FLOAT_EQ(keys.At(20, 100), 5.0f);
  EXPECT_FLOAT_EQ(keys.At(30, 100), 3.0f);
  EXPECT_FLOAT_EQ(keys.At(99, 100), 1.0f);
  Parsed options = Parse({"Mode=0:Paint,10:Smoke"});
  ASSERT_TRUE(options.ok) << options.error;
}

TEST(ParameterPlan, SwitchesAreOffOrOnAtEveryFrameTurningOverHalfWay) {
  Parsed parsed = Parse({"Night Mode=0..yes"});
  Parsed keys = Parse({"Night Mode=0:1.0,10:off"});
  ASSERT_TRUE(parsed.ok && keys.ok) << parsed.error << keys.error;
  const ParameterTrack &ramp = parsed.plan.Tracks()[0], &steps = keys.plan.Tracks()[0];
  EXPECT_EQ(std::vector<float>({ramp.At(0, 5), ramp.At(1, 5), ramp.At(2, 5), ramp.At(4, 5)}),
            std::vector<float>({0.0f, 0.0f, 1.0f, 1.0f}));
  EXPECT_EQ(std::vector<float>({steps.At(0, 20), steps.At(5, 20), steps.At(6, 20), steps.At(19, 20)}),
            std::vector<float>({1.0f, 1.0f, 0.0f, 0.0f}));
}

// A feature maps 0..1 onto its range (the declared one when none is given); without the sound
// heard it is 0.
TEST(ParameterPlan, SoundFeaturesMapOntoARange) {
  Parsed parsed = Parse({"Light=BASS:1..6", "Spot Spin=beat", "Mode=bar:Paint..Smoke"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.plan.FollowsSound());
  hostkit::SoundFeatures sound;
  sound.frames.resize(2);
  sound.frames[1].values = {0.0f, 0.5f, 0.0f, 0.0f, 1.0f, 0.0f, 0.75f};
  const ParameterTrack& light = parsed.plan.Tracks()[0];
  EXPECT_FLOAT_EQ(light.At(1, 2, &sound), 3.5f);
  EXPECT_FLOAT_EQ(light.At(0, 2, &sound), 1.0f);
  EXPECT_FLOAT_EQ(light.At(1, 2), 1.0f);
  EXPECT_FLOAT_EQ(light.At(7, 9, &sound), 3.5f) << "past the sound's end the last frame holds";
  EXPECT_FLOAT_EQ(parsed.plan.Tracks()[1].At(1, 2, &sound), 1.0f) << "Spot Spin's declared range is 0..1";
  EXPECT_FLOAT_EQ(parsed.plan.ModeTrack()->At(1, 2, &sound), 0.75f);
  EXPECT_FALSE(Parse({"Light=0:1,5:2"}).plan.FollowsSound());
}

TEST(ParameterPlan, ValuesOutsideTheRangePassWithOneWarning) {
  Parsed parsed = Parse({"Light=12", "Spot Spin=-1..2"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_FLOAT_EQ(parsed.plan.Tracks()[0].At(0, 1), 12.0f);
  ASSERT_EQ(parsed.warnings.size(), 2u);
  EXPECT_NE(parsed.warnings[0].find("Light=12 lies outside its range 0..10"), std::string::npos) << parsed.warnings[0];
}

TEST(ParameterPlan, BadSettingsAreOneLineErrorsNamingTheProblem) {
  const struct {
    const char* setting;
    const char* expected;
  } cases[] = {
      {"Lite=2", "unknown parameter \"Lite\""},
      {"Lite=2", "valid names: Mode, Light, Spot Spin, Seed, Night Mode, Caption"},
      {"Mode=Fog", "choose one of: Paint, Smoke"},
      {"Seed=Seed 11", "is not an option of Seed"},
      {"Seed=11", "\"11\" is not an option of Seed in --set \"Seed=11\"; choose one of: Seed 1, "},
      {"Mode=5", "Paint, Smoke, or a value from 0 to 1"},
      {"Seed=-1..3", "\"-1\" is not an option of Seed"},
      {"Mode=0:Paint,9:Fog", "\"Fog\" is not an option of Mode"},
      {"Light=bright", "\"bright\" is not a number"},
      {"Night Mode=15", "\"15\" is not on or off for Night Mode in --set \"Night Mode=15\"; a switch takes only on or off"},
      {"Night Mode=0.5", "is not on or off"},
      {"Night Mode=0:0,9:nan", "is not on or off"},
      {"Light=nan", "is not a number"},
      {"Light", "expected NAME=VALUE"},
      {"Light=1..", "malformed ramp"},
      {"Light=..2", "malformed ramp"},
      {"Light=0:1,x:5", "malformed keyframe list"},
      {"Light=0:1,60", "malformed keyframe list"},
      {"Light=10:1,5:2", "malformed keyframe list"},
      {"Light=bass:1", "malformed sound mapping in --set \"Light=bass:1\": expected FEATURE:FROM..TO"},
      {"Light=treble:1..2", "malformed keyframe list"},
      {"Light=0:1,10:", "malformed keyframe list"},
      {"Caption=hello", "text parameter"},
  };
  for (const auto& c : cases) {
    Parsed parsed = Parse({c.setting});
    EXPECT_FALSE(parsed.ok) << c.setting;
    EXPECT_NE(parsed.error.find(c.expected), std::string::npos) << c.setting << " -> " << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
  }
  Parsed twice = Parse({"Light=1", "LIGHT=2"});
  EXPECT_FALSE(twice.ok);
  EXPECT_NE(twice.error.find("set twice"), std::string::npos) << twice.error;
}

}  // namespace
