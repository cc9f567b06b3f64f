// What a frame uploads: the clock, the mode, every parameter under its uniform name, in
// drawn and failed frames, across switches and a mode change.

#include <cmath>
#include <limits>
#include <utility>

#include "tests/render/plugin_host.h"

namespace testrender {
namespace {

// Each uniform with the parameters it carries, in component order.
struct UniformSource {
  const char* name;
  std::vector<uint32_t> params;
};
const std::vector<UniformSource>& UniformSources() {
  static const std::vector<UniformSource> sources = {
      {"Fan", {PARAM_FAN}},
      {"SmokeAmount", {PARAM_SMOKE_AMOUNT}},
      {"SmokeQuality", {PARAM_SMOKE_QUALITY}},
      {"Relief", {PARAM_SHADOWS}},
      {"WaveThickness", {PARAM_WAVE_THICKNESS}},
      {"Slipperiness", {PARAM_FLOW}},
      {"Shininess", {PARAM_SHINE}},
      {"LightSpin", {PARAM_SPOT_SPIN}},
      {"LightAmount", {PARAM_LIGHT}},
      {"NightMode", {PARAM_NIGHT_MODE}},
      {"Seed", {PARAM_SEED}},
      {"ColorPaint", {PARAM_PAINT_R, PARAM_PAINT_G, PARAM_PAINT_B}},
      {"ColorLight", {PARAM_LIGHT_R, PARAM_LIGHT_G, PARAM_LIGHT_B}},
      {"ImageMask", {PARAM_IMAGE_MASK}},
      {"MaskPower", {PARAM_MASK_POWER}},
      {"MaskThreshold", {PARAM_MASK_THRESHOLD}},
  };
  return sources;
}

class FrameUniformsTest : public RenderTest {
 protected:
  float Uniform(HostInstance& host, const char* name) {
    const auto values = UniformValues(host.Probe().Program(), name, 1);
    EXPECT_EQ(values.size(), 1u) << name << " is not an active uniform";
    return values.empty() ? std::nanf("") : values[0];
  }
  // Every uniform equals what the host reads back for its parameter(s).
  void ExpectUniformsMatchParameters(HostInstance& host) {
    const GLuint program = host.Probe().Program();
    for (const UniformSource& source : UniformSources()) {
      const auto values = UniformValues(program, source.name, static_cast<int>(source.params.size()));
      if (values.empty()) continue;  // a compiler may drop what the stage never reads ("Fan")
      for (size_t i = 0; i < source.params.size(); ++i) {
        const float expected = host.Get(source.params[i]);
        if (std::isnan(expected)) {
          EXPECT_TRUE(std::isnan(values[i])) << source.name << "[" << i << "]";
        } else {
          EXPECT_EQ(values[i], expected) << source.name << "[" << i << "]";
        }
      }
    }
    EXPECT_EQ(Uniform(host, "Mode"), host.Get(PARAM_MODE));
  }
};

TEST_F(FrameUniformsTest, FirstFrameSendsOneClockStepPaintModeAndTheDefaults) {
  HostInstance host;
  ASSERT_EQ(host.Set(PARAM_SEED, 3.0f), FF_SUCCESS);
  Render(host);
  EXPECT_EQ(Uniform(host, "Time"), ClockStep(0.5f, 0.5f));
  EXPECT_NEAR(Uniform(host, "Time"), 0.046875f, 1e-8f);
  EXPECT_EQ(Uniform(host, "Mode"), 0.0f);
  EXPECT_EQ(UniformValues(host.Probe().Program(), "ColorPaint", 3), (std::vector<float>{1.0f, 0.5f, 0.0f}));
  EXPECT_EQ(Uniform(host, "Seed"), 3.0f);
  ExpectUniformsMatchParameters(host);
  GLint unit = -1;
  glGetUniformiv(host.Probe().Program(), glGetUniformLocation(host.Probe().Program(), "InputTexture"), &unit);
  EXPECT_EQ(unit, 0);
  const auto resolution = UniformValues(host.Probe().Program(), "Resolution", 2);
  if (!resolution.empty()) {
    EXPECT_EQ(resolution, (std::vector<float>{96.0f, 64.0f}));
  }
}

TEST_F(FrameUniformsTest, EveryParameterReachesItsUniformAndSwitchesFollowFrameByFrame) {
  HostInstance host;
  for (const UniformSource& source : UniformSources()) {
    for (uint32_t param : source.params) ASSERT_EQ(host.Set(param, 0.03f * static_cast<float>(param) + 0.01f), FF_SUCCESS);
  }
  ASSERT_EQ(host.Set(PARAM_SEED, 7.0f), FF_SUCCESS);
  Render(host);
  ExpectUniformsMatchParameters(host);

  // Switches flip on and off across frames; each frame sends the value of its moment.
  for (float state : {1.0f, 0.0f, 1.0f}) {
    host.Set(PARAM_NIGHT_MODE, state);
    host.Set(PARAM_IMAGE_MASK, state);
    host.Set(PARAM_SMOKE_QUALITY, state);
    host.Set(PARAM_LIGHT_G, 1.0f - state);
    Render(host);
    EXPECT_EQ(Uniform(host, "NightMode"), state);
    EXPECT_EQ(Uniform(host, "ImageMask"), state);
    EXPECT_EQ(Uniform(host, "SmokeQuality"), state);
    EXPECT_EQ(UniformValues(host.Probe().Program(), "ColorLight", 3)[1], 1.0f - state);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameUniformsTest, ClockAdvancesOnFailedFramesAndStandsStillAtZeroSpeed) {
  HostInstance host;
  host.Set(PARAM_SEED, 1.0f);
  host.Set(PARAM_FLOW, 1.0f);
  host.Set(PARAM_TIME_SPEED, 1.0f);
  const float step = ClockStep(1.0f, 1.0f);
  EXPECT_NEAR(step, 0.15f, 1e-7f);
  float expected = 0.0f;

  Render(host);
  expected = expected + step;
  EXPECT_EQ(Uniform(host, "Time"), expected);

  // No input: a count of 0, a null array, a null first entry. Each still moves the clock.
  FFGLTextureStruct* noEntries[1] = {nullptr};
  const ProcessOpenGLStruct withoutInput[] = {{0, nullptr, 0}, {1, nullptr, 0}, {1, noEntries, 0}};
  for (const ProcessOpenGLStruct& frame : withoutInput) {
    EXPECT_EQ(host.Frame(frame), FF_FAIL);
    expected = expected + step;
  }
  Render(host);
  expected = expected + step;
  EXPECT_EQ(Uniform(host, "Time"), expected);

  host.Set(PARAM_TIME_SPEED, 0.0f);
  for (int i = 0; i < 3; ++i) {
    Render(host);
    EXPECT_EQ(Uniform(host, "Time"), expected);
  }
}

TEST_F(FrameUniformsTest, ModeChangeSendsTheNewModeAndTheBankItLoaded) {
  HostInstance host;
  host.Set(PARAM_SEED, 2.0f);
  Render(host);
  const auto paintColour = UniformValues(host.Probe().Program(), "ColorPaint", 3);

  ASSERT_EQ(host.Set(PARAM_MODE, 1.0f), FF_SUCCESS);
  Render(host);
  EXPECT_EQ(Uniform(host, "Mode"), 1.0f);
  // The frame swapped the banks before it uploaded: what it sent is what the host now reads.
  ExpectUniformsMatchParameters(host);
  EXPECT_NE(UniformValues(host.Probe().Program(), "ColorPaint", 3), paintColour)
      << "Smoke starts from its own ambient colour";

  ASSERT_EQ(host.Set(PARAM_MODE, 0.0f), FF_SUCCESS);
  Render(host);
  EXPECT_EQ(Uniform(host, "Mode"), 0.0f);
  EXPECT_EQ(UniformValues(host.Probe().Program(), "ColorPaint", 3), paintColour) << "Paint gets its bank back";
}

TEST_F(FrameUniformsTest, NonFiniteAndOutOfRangeValuesAreSentUnchanged) {
  HostInstance host;
  host.Set(PARAM_SEED, 4.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  host.Set(PARAM_LIGHT, nan);
  host.Set(PARAM_SHINE, inf);
  host.Set(PARAM_SHADOWS, -inf);
  host.Set(PARAM_MASK_THRESHOLD, -7.5f);
  host.Set(PARAM_WAVE_THICKNESS, 1e30f);
  Render(host);
  EXPECT_TRUE(std::isnan(Uniform(host, "LightAmount")));
  EXPECT_EQ(Uniform(host, "Shininess"), inf);
  EXPECT_EQ(Uniform(host, "Relief"), -inf);
  EXPECT_EQ(Uniform(host, "MaskThreshold"), -7.5f);
  EXPECT_EQ(Uniform(host, "WaveThickness"), 1e30f);

  // A non-finite speed poisons the clock for good, as the host asked; frames still draw.
  host.Set(PARAM_TIME_SPEED, nan);
  Render(host);
  EXPECT_TRUE(std::isnan(Uniform(host, "Time")));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace testrender
