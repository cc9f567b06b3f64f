// Pieces of the preview that need no window: where the picture goes, and reading ui scripts.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/tool_test_util.h"
#include "tools/preview/picture_view.h"
#include "tools/preview/ui_script.h"

namespace {

using preview::FitPicture;
using preview::PixelRect;

void ExpectRect(const PixelRect& rect, int x, int y, int width, int height) {
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(FitPicture, ExactFitStaysOneTexelPerPixelAndOthersKeepTheAspectCentredAcrossAtTheTop) {
  ExpectRect(FitPicture({360, 0, 96, 64}, 96, 64), 360, 0, 96, 64);
  ExpectRect(FitPicture({360, 0, 200, 64}, 96, 64), 360 + 52, 0, 96, 64);  // wider: bars left and right
  ExpectRect(FitPicture({0, 10, 192, 400}, 96, 64), 0, 10, 192, 128);  // taller: at the top, a bar below
  ExpectRect(FitPicture({0, 0, 0, 400}, 96, 64), 0, 0, 0, 0);
}

hostkit::ParameterModel Model() {
  std::vector<hostkit::ParameterInfo> p(3);
  p[0].index = 0, p[0].name = "Light", p[0].type = 10, p[0].maximum = 10.0f;
  p[1].index = 1, p[1].name = "Mode", p[1].type = 11, p[1].elements = {{"Paint", 0.0f}, {"Smoke", 1.0f}};
  p[2].index = 2, p[2].name = "Night Mode", p[2].type = 0;
  return hostkit::ParameterModel::FromParameters(p);
}

bool Read(const std::string& text, std::vector<preview::ScriptStep>& steps, std::string& error, int exitAfter = 0) {
  tooltest::ScratchDir dir;
  std::ofstream(dir / "script.json") << text;
  return preview::ReadUiScript(dir / "script.json", Model(), steps, error, exitAfter);
}

TEST(UiScript, StepsComeInFrameOrderWithModeFirst) {
  std::vector<preview::ScriptStep> steps;
  std::string error;
  ASSERT_TRUE(Read(R"([{"frame": 9, "set": {"night mode": true}},
                       {"frame": 2, "set": {"Light": 3, "Mode": "smoke"}}])",
                   steps, error))
      << error;
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].frame, 2);
  ASSERT_EQ(steps[0].changes.size(), 2u);
  EXPECT_EQ(steps[0].changes[0].index, 1u) << "Mode is applied before the values it would overwrite";
  EXPECT_EQ(steps[0].changes[0].value, 1.0f);
  EXPECT_EQ(steps[0].changes[1].index, 0u);
  EXPECT_EQ(steps[0].changes[1].value, 3.0f);
  EXPECT_EQ(steps[1].frame, 9);
  EXPECT_EQ(steps[1].changes[0].value, 1.0f);
}

TEST(UiScript, BadScriptsNameTheStepAndTheProblem) {
  const struct {
    std::string text;
    std::string expected;
    int exitAfter = 0;
  } cases[] = {
      {R"({"frame": 1})", "is not a JSON list of steps"},
      {R"([{"set": {"Light": 1}}])", "step 1: expected {\"frame\": N"},
      {R"([{"frame": 1, "set": {}}, {"frame": -1, "set": {}}])", "step 2: expected"},
      {R"([{"frame": 1, "set": {"Lite": 1}}])", "step 1: unknown parameter \"Lite\""},
      {R"([{"frame": 1, "set": {"Mode": "Fog"}}])", "step 1: \"Fog\" is not an option of Mode"},
      {R"([{"frame": 9, "set": {}}, {"frame": 10, "set": {}}])",
       "step 2: frame 10 is never drawn: --exit-after 10 quits after frame 9", 10},
      {R"([{"frame": 1, "preset": 3}])", "step 1: expected", 0},
      {R"([{"frame": 1, "preset": "no-such-look"}])", "step 1: --preset no-such-look: no such preset file or look", 0},
      {R"([{"frame": 1, "learn": "Lite"}])", "step 1: MIDI learn of unknown parameter \"Lite\"", 0},
      {R"([{"frame": 1, "learn": 8}])", "step 1: expected", 0},
  };
  for (const auto& [text, expected, exitAfter] : cases) {
    std::vector<preview::ScriptStep> steps;
    std::string error;
    EXPECT_FALSE(Read(text, steps, error, exitAfter)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
  }
}

}  // namespace
