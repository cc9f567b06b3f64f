// The host library on the real plugin: loading, failures of loading and instance creation,
// the mode rule, and parameter plans reaching the instance frame by frame.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/reliability/alloc_counter.h"
#include "tests/support/gl_test_context.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/gl/texture.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/render/render_loop.h"
#include "tools/hostkit/image/test_card.h"

namespace {

using hostkit::InstanceDriver;
using hostkit::PluginLibrary;

TEST(PluginLoader, RefusesWhatIsNotAPluginWithTheReason) {
  std::string error;
  EXPECT_EQ(PluginLibrary::Load("/nonexistent/Swirlmoss.so", error), nullptr);
  EXPECT_EQ(error, "plugin library not found: /nonexistent/Swirlmoss.so");

  const std::string text = testing::TempDir() + "not-a-library.so";
  std::ofstream(text) << "plain text\n";
  EXPECT_EQ(PluginLibrary::Load(text, error), nullptr);
  EXPECT_EQ(error.rfind("not a loadable shared library: " + text, 0), 0u) << error;

  EXPECT_EQ(PluginLibrary::Load(FAKE_NO_ENTRY_PATH, error), nullptr);
  EXPECT_EQ(error.rfind(std::string("no plugMain in ") + FAKE_NO_ENTRY_PATH, 0), 0u) << error;
  for (const std::string& message : {error}) EXPECT_EQ(message.find('\n'), std::string::npos);
}

TEST(PluginLoader, ReadsTheEffectsIdentityAndParameters) {
  std::string error;
  auto plugin = PluginLibrary::Load(SWIRLMOSS_MODULE_PATH, error);
  ASSERT_NE(plugin, nullptr) << error;
  EXPECT_EQ(plugin->Identity().uniqueId, "QAWM");
  EXPECT_EQ(plugin->Identity().name, "QARU Swirlmoss");
  EXPECT_EQ(plugin->Capabilities().maxInputs, 1u);
  hostkit::ParameterModel model;
  ASSERT_TRUE(hostkit::ParameterModel::Query(*plugin, model, error)) << error;
  // The plugin's 22, then the host's own compositing values.
  ASSERT_EQ(model.Parameters().size(), 24u);
  EXPECT_EQ(model.BlendParameter(), &model.Parameters()[22]);
  EXPECT_EQ(model.MixParameter(), &model.Parameters()[23]);
  const hostkit::ParameterInfo* light = model.Find("light");
  ASSERT_NE(light, nullptr);
  EXPECT_FLOAT_EQ(light->maximum, 10.0f);
  ASSERT_NE(model.Find("Seed"), nullptr);
  EXPECT_EQ(model.Find("Seed")->elements.size(), 10u);
}

class DriverTest : public testsupport::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    std::string error;
    plugin = PluginLibrary::Load(SWIRLMOSS_MODULE_PATH, error);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_TRUE(hostkit::ParameterModel::Query(*plugin, model, error)) << error;
  }
  std::unique_ptr<InstanceDriver> MakeDriver(int width = 64, int height = 36) {
    std::string error;
    auto driver = InstanceDriver::Create(*plugin, width, height, hostkit::PixelFormat::Rgba8,
                                         hostkit::MakeTestCard(width, height), error);
    EXPECT_NE(driver, nullptr) << error;
    return driver;
  }
  hostkit::ParameterPlan Plan(const std::vector<std::string>& settings) {
    hostkit::ParameterPlan plan;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_TRUE(hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error)) << error;
    return plan;
  }
  std::unique_ptr<PluginLibrary> plugin;
  hostkit::ParameterModel model;
};

// Reads what the instance holds for one parameter after each frame.
class ValueRecorder : public hostkit::RenderObserver {
 public:
  ValueRecorder(const InstanceDriver& driver, uint32_t index) : driver(driver), index(index) {}
  void FrameDone(int, int) override { values.push_back(driver.Value(index)); }
  std::vector<float> values;

 private:
  const InstanceDriver& driver;
  uint32_t index;
};

TEST_F(DriverTest, RampsAndKeyframesChangeTheValueFrameByFrame) {
  auto driver = MakeDriver();
  ASSERT_NE(driver, nullptr);
  std::string error;
  ValueRecorder spin(*driver, model.Find("Spot Spin")->index);
  ASSERT_TRUE(hostkit::RenderFrames(*driver, Plan({"Spot Spin=0..1"}), 5, nullptr, &spin, nullptr, error)) << error;
  EXPECT_EQ(spin.values, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));

  ValueRecorder light(*driver, model.Find("Light")->index);
  ASSERT_TRUE(hostkit::RenderFrames(*driver, Plan({"Light=0:1,2:5,4:1"}), 5, nullptr, &light, nullptr, error))
      << error;
  EXPECT_EQ(light.values, (std::vector<float>{1.0f, 3.0f, 5.0f, 3.0f, 1.0f}));
}

TEST_F(DriverTest, ModeIsAppliedFirstSoTheBankSwapKeepsTheOtherValues) {
  auto driver = MakeDriver();
  ASSERT_NE(driver, nullptr);
  std::string error;
  ASSERT_TRUE(hostkit::RenderFrames(*driver, Plan({"Light=7", "Mode=Smoke", "Night Mode=1"}), 2, nullptr, nullptr,
                                    nullptr, error))
      << error;
  EXPECT_FLOAT_EQ(driver->Value(model.Find("Light")->index), 7.0f);
  EXPECT_FLOAT_EQ(driver->Value(model.Find("Night Mode")->index), 1.0f) << "set while hidden in Smoke";
  EXPECT_FLOAT_EQ(driver->Value(model.Find("Shadows")->index), 0.3f) << "the Smoke bank was loaded";
  EXPECT_EQ(driver->DisplayName(model.Find("Paint R")->index), "Ambient R");
  EXPECT_FALSE(driver->Visible(model.Find("Spot Spin")->index));

  // Back to Paint: the Paint bank returns, and the values given for this render land on top.
  ASSERT_TRUE(hostkit::RenderFrames(*driver, Plan({"Mode=Paint", "Light=2"}), 1, nullptr, nullptr, nullptr, error))
      << error;
  EXPECT_FLOAT_EQ(driver->Value(model.Find("Light")->index), 2.0f);
  EXPECT_FLOAT_EQ(driver->Value(model.Find("Shadows")->index), 0.5f);
  EXPECT_EQ(driver->DisplayName(model.Find("Paint R")->index), "Paint R");
}

TEST_F(DriverTest, TheModeRuleLoadsTheBankAtHalfBothWaysBeforeTheOtherValues) {
  auto driver = MakeDriver();
  ASSERT_NE(driver, nullptr);
  const hostkit::ModeRule rule(model);
  const uint32_t light = model.Find("Light")->index, shadows = model.Find("Shadows")->index;
  const uint32_t paintR = model.Find("Paint R")->index;
  EXPECT_FALSE(rule.SetMode(*driver, 0.4999f)) << "still Paint";
  EXPECT_FALSE(driver->InSecondMode());

  const float half = 0.5f;
  bool othersSet = false;
  EXPECT_TRUE(rule.ApplyModeFirst(*driver, &half, [&](bool crossed) {
    // Smoke's bank and labels are in place before anything else is set.
    EXPECT_TRUE(crossed);
    EXPECT_FLOAT_EQ(driver->Value(shadows), 0.3f);
    EXPECT_EQ(driver->DisplayName(paintR), "Ambient R");
    driver->SetValue(light, 7.0f);
    othersSet = true;
  }));
  EXPECT_TRUE(othersSet);
  EXPECT_TRUE(driver->InSecondMode());
  EXPECT_FALSE(rule.SetMode(*driver, 1.0f)) << "Smoke again is no crossing";
  driver->StepWithoutDrawing();
  EXPECT_FLOAT_EQ(driver->Value(light), 7.0f) << "no later bank load overwrites it";

  EXPECT_TRUE(rule.SetMode(*driver, 0.4999f));
  EXPECT_FALSE(driver->InSecondMode());
  EXPECT_FLOAT_EQ(driver->Value(shadows), 0.5f);
  EXPECT_EQ(driver->DisplayName(paintR), "Paint R");
}

TEST_F(DriverTest, SizesOutsideTheGlLimitsAreRefused) {
  std::string error;
  const hostkit::Image card = hostkit::MakeTestCard(4, 4);
  EXPECT_EQ(InstanceDriver::Create(*plugin, 0, 36, hostkit::PixelFormat::Rgba8, card, error), nullptr);
  EXPECT_NE(error.find("has no pixels"), std::string::npos) << error;
  const int limit = hostkit::MaxRenderSize();
  ASSERT_GT(limit, 0);
  EXPECT_EQ(InstanceDriver::Create(*plugin, limit + 1, 4, hostkit::PixelFormat::Rgba8, card, error), nullptr);
  EXPECT_NE(error.find("beyond this GL's limit of " + std::to_string(limit)), std::string::npos) << error;
}

TEST_F(DriverTest, APluginThatCannotMakeAnInstanceIsReported) {
  std::string error;
  auto failing = PluginLibrary::Load(FAKE_CREATE_FAILS_PATH, error);
  ASSERT_NE(failing, nullptr) << error;
  EXPECT_EQ(InstanceDriver::Create(*failing, 8, 8, hostkit::PixelFormat::Rgba8, hostkit::MakeTestCard(8, 8), error),
            nullptr);
  EXPECT_NE(error.find("could not create an instance"), std::string::npos) << error;
}

std::vector<uint8_t> ReadOutput(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

GLuint MakeTexture(int width, int height, const uint8_t* pixels) {
  return hostkit::NewTexture(GL_LINEAR, false, width, height, pixels);
}

// A host with a render graph of its own (OBS) owns both textures: the driver draws the same
// frame into them as into its own, and never deletes them.
TEST_F(DriverTest, OnTheHostsTexturesTheFrameIsTheSameAndTheTexturesStayTheHosts) {
  const int width = 64, height = 36;
  const hostkit::Image card = hostkit::MakeTestCard(width, height);
  const uint32_t seed = model.Find("Seed")->index;
  auto own = MakeDriver(width, height);
  ASSERT_NE(own, nullptr);
  own->SetValue(seed, 3.0f);
  ASSERT_TRUE(own->RenderFrame());
  const std::vector<uint8_t> expected = ReadOutput(width, height);

  const GLuint input = MakeTexture(width, height, card.rgba.data());
  const GLuint output = MakeTexture(width, height, nullptr);
  std::string error;
  auto hosted = InstanceDriver::CreateOnHostTextures(*plugin, error);
  ASSERT_NE(hosted, nullptr) << error;
  EXPECT_FALSE(hosted->UseHostTextures(input, width, height, 0, width, height, error));
  EXPECT_NE(error.find("incomplete"), std::string::npos) << error;
  ASSERT_TRUE(hosted->UseHostTextures(input, width, height, output, width, height, error)) << error;
  hosted->SetValue(seed, 3.0f);
  ASSERT_TRUE(hosted->RenderFrame());
  EXPECT_TRUE(ReadOutput(width, height) == expected) << "the frame drawn into the host's texture differs";

  hosted.reset();
  EXPECT_TRUE(glIsTexture(input) && glIsTexture(output)) << "the driver deleted the host's textures";
  glDeleteTextures(1, &input);
  glDeleteTextures(1, &output);
}

// Each blend mode's formula on hand-computed pixels, through the pass every host runs: input
// (0.2, 0.6, 0.8) with alpha 200; the effect (0.8, 0.2, 0.4) opaque, then cut away (alpha 0),
// then at alpha 128.
TEST_F(DriverTest, TheCompositingPassBlendsByEachModesFormula) {
  const uint8_t input[] = {51, 153, 204, 200, 51, 153, 204, 200, 51, 153, 204, 200};
  const uint8_t effect[] = {204, 51, 102, 255, 204, 51, 102, 0, 204, 51, 102, 128};
  const GLuint inputTexture = MakeTexture(3, 1, input), effectTexture = MakeTexture(3, 1, effect);
  const GLuint target = MakeTexture(3, 1, nullptr);
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
  glViewport(0, 0, 3, 1);
  hostkit::CompositeProgram pass;
  std::string error;
  ASSERT_TRUE(pass.Create(error)) << error;
  struct Case {
    const char* mode;
    float mix;
    int r, g, b;  // the first pixel's colour
  };
  const Case cases[] = {
      {"normal", 1, 204, 51, 102},    {"add", 1, 255, 204, 255},      {"screen", 1, 214, 173, 224},
      {"multiply", 1, 41, 31, 82},    {"overlay", 1, 82, 92, 194},    {"soft-light", 1, 89, 116, 196},
      {"lighten", 1, 204, 153, 204},  {"darken", 1, 51, 51, 102},     {"difference", 1, 153, 102, 102},
      {"normal", 0.5f, 128, 102, 153}, {"replace", 0.5f, 128, 102, 153}, {"replace", 1, 204, 51, 102},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " at mix " + std::to_string(c.mix));
    hostkit::BlendMode mode;
    ASSERT_TRUE(hostkit::ParseBlendMode(c.mode, mode));
    pass.Draw(inputTexture, effectTexture, mode, c.mix);
    const std::vector<uint8_t> out = ReadOutput(3, 1);
    const int expected[] = {c.r, c.g, c.b};
    const bool replace = mode == hostkit::BlendMode::Replace;
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(out[k], expected[k], 1) << "channel " << k;
      // Cut away: the input shows (replace cross-fades to the transparent effect instead).
      // Half the effect's alpha: halfway to the blended colour.
      if (!replace) {
        EXPECT_EQ(out[4 + k], input[k]) << "channel " << k;
        EXPECT_NEAR(out[8 + k], input[k] + (expected[k] - input[k]) * 128.0 / 255.0, 1) << "channel " << k;
      }
    }
    if (replace) {
      EXPECT_NEAR(out[3], c.mix == 1 ? 255 : 228, 1);
    } else {
      EXPECT_TRUE(out[3] == 200 && out[7] == 200 && out[11] == 200) << "the input's alpha is kept";
    }
  }
  pass.Release();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  const GLuint textures[] = {inputTexture, effectTexture, target};
  glDeleteTextures(3, textures);
}

// At mix 0 every mode leaves the input exactly, and replace at mix 1 is the plugin's own frame:
// the pass samples the input as the output lies, and the start values change nothing.
TEST_F(DriverTest, MixZeroShowsTheInputAndReplaceAtFullMixIsTheEffectAlone) {
  const int width = 64, height = 36;
  const hostkit::Image card = hostkit::MakeTestCard(width, height);
  auto driver = MakeDriver(width, height);
  ASSERT_NE(driver, nullptr);
  ASSERT_TRUE(driver->RenderFrame());
  const std::vector<uint8_t> plain = ReadOutput(width, height);
  for (int mode = 0; mode < hostkit::kBlendModeCount; ++mode) {
    driver->SetValue(driver->BlendIndex(), static_cast<float>(mode));
    driver->SetValue(driver->MixIndex(), 0.0f);
    ASSERT_TRUE(driver->RenderFrame());
    EXPECT_TRUE(ReadOutput(width, height) == card.rgba) << hostkit::BlendModeName(driver->Blend());
  }
  auto again = MakeDriver(width, height);
  again->SetComposite(hostkit::BlendMode::Replace, 1.0f);
  ASSERT_TRUE(again->RenderFrame());
  EXPECT_TRUE(ReadOutput(width, height) == plain);
}

// Takes every frame and keeps none, so that only the render loop's own work is counted.
class DiscardingSink : public hostkit::FrameSink {
 public:
  hostkit::PixelFormat Format() const override { return hostkit::PixelFormat::Rgba8; }
  bool Write(const hostkit::FrameView&, std::string&) override { return true; }
  bool Commit(std::string&) override { return true; }
};

TEST_F(DriverTest, RenderingFromAVideoAllocatesNothingPerFrame) {
  std::string ffmpeg, error, outcome;
  if (!hostkit::FindProgram("ffmpeg", ffmpeg)) GTEST_SKIP() << "ffmpeg is not installed here";
  const std::string clip = testing::TempDir() + "driver-clip.mp4";
  auto maker = hostkit::ChildProcess::Start(
      {{ffmpeg, "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=64x36:r=25", "-frames:v", "40", clip}},
      error);
  ASSERT_TRUE(maker && maker->Wait(outcome)) << error << outcome;
  auto driver = MakeDriver();
  ASSERT_NE(driver, nullptr);
  const hostkit::ParameterPlan plan = Plan({"Image Mask=1", "Spot Spin=0..1", "Blend=soft-light", "Mix=0..1"});
  // Allocations of a whole render of `frames` frames, set-up included.
  auto countRender = [&](int frames) {
    auto source = hostkit::OpenFrameSource({clip, 64, 36}, error);
    EXPECT_NE(source, nullptr) << error;
    DiscardingSink sink;
    const auto before = reliability::AllocSnapshot();
    EXPECT_TRUE(hostkit::RenderSpanFrames(*driver, plan, {frames, 0, frames}, source.get(), &sink, nullptr, nullptr,
                                          error))
        << error;
    return reliability::AllocDelta(before, reliability::AllocSnapshot()).news;
  };
  countRender(2);  // compiles the pipeline
  const uint64_t short_ = countRender(10);
  const uint64_t long_ = countRender(30);
  EXPECT_EQ(long_, short_) << "20 more frames made " << (long_ - short_) << " more allocations";
}

}  // namespace
