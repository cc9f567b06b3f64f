// Presets: the values a person settled on, written as JSON and read back into the settings
// that --set takes, against a model shaped like the effect's.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/tool_test_util.h"
#include "tests/hostkit/params/small_model.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"

namespace {

using hostkit::ParameterInfo;

hostkit::ParameterModel Model() { return tooltest::SmallParameterModel(); }

std::string WriteFile(const tooltest::ScratchDir& dir, const std::string& text) {
  const std::string path = dir / "preset.json";
  std::ofstream(path) << text;
  return path;
}

// The constant each setting of `settings` gives, by parameter index.
std::vector<float> Values(const std::vector<std::string>& settings, const hostkit::ParameterModel& model) {
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_TRUE(hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error)) << error;
  std::vector<float> values(model.Parameters().size(), -1.0f);
  if (plan.ModeTrack()) values[plan.ModeTrack()->index] = plan.ModeTrack()->from;
  for (const auto& track : plan.Tracks()) values[track.index] = track.from;
  return values;
}

TEST(Preset, WrittenValuesReadBackExactly) {
  const hostkit::ParameterModel model = Model();
  // Values that a decimal round trip through too few digits would change.
  const std::vector<float> values = {1.0f, 0.1f + 0.2f, 1.0f / 3.0f, 3.0f, 1.0f, 0.0f};
  tooltest::ScratchDir dir;
  std::string error;
  ASSERT_TRUE(hostkit::WritePreset(dir / "look.json", model, values, error)) << error;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"look.json"}) << "no temporary file is left";

  std::ifstream file(dir / "look.json");
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"Mode\": \"Smoke\""), std::string::npos) << "options are written by name:\n" << text;
  EXPECT_NE(text.find("\"Seed\": \"Seed 4\""), std::string::npos) << text;
  EXPECT_EQ(text.find("Caption"), std::string::npos) << "text parameters are not part of a preset";

  std::vector<std::string> settings;
  ASSERT_TRUE(hostkit::ReadPreset(dir / "look.json", model, settings, error)) << error;
  EXPECT_EQ(settings.size(), 5u);
  const std::vector<float> read = Values(settings, model);
  for (size_t i = 0; i + 1 < values.size(); ++i) EXPECT_EQ(read[i], values[i]) << model.Parameters()[i].name;
}

TEST(Preset, LeavesOutWhatTheModeHidesWhileItHoldsTheModesOwnStart) {
  const hostkit::ModeView paint{"Paint", 0.0f, {}};
  // Smoke as a fresh instance shows it: "Spot Spin" hidden at a start outside its 0..1.
  hostkit::ModeView smoke{"Smoke", 1.0f, std::vector<hostkit::ParameterPresentation>(6)};
  smoke.parameters[2] = {false, "", 1.5f};
  smoke.parameters[4] = {false, "", 0.0f};
  const std::vector<hostkit::ModeView> views = {paint, smoke};
  ASSERT_EQ(hostkit::ViewFor(views, 1.0f), &views[1]);
  EXPECT_EQ(hostkit::ViewFor(views, 0.7f), &views[1]) << "a value between elements picks its side of the switch";
  EXPECT_EQ(hostkit::ViewFor(views, 0.2f), &views[0]);

  const std::vector<float> values = {1.0f, 0.5f, 1.5f, 3.0f, 1.0f, 0.0f};
  const std::vector<bool> needed = hostkit::ValuesNeeded(&views[1], values);
  EXPECT_EQ(needed, (std::vector<bool>{true, true, false, true, true, true})) << "hidden, yet moved: Night Mode stays";
  EXPECT_EQ(hostkit::ValuesNeeded(nullptr, values), std::vector<bool>(6, true));
  const std::string text = hostkit::PresetText(Model(), values, needed);
  EXPECT_EQ(text.find("Spot Spin"), std::string::npos) << text;
  EXPECT_NE(text.find("Night Mode"), std::string::npos) << text;
}

TEST(Preset, ShortestTextThatReadsBackAsTheSameFloat) {
  EXPECT_EQ(hostkit::FloatText(0.3f), "0.3");
  EXPECT_EQ(hostkit::FloatText(2.0f), "2");
  for (const float value : {1.0f / 3.0f, 1e-7f, 123456.789f, -0.0001f}) {
    EXPECT_EQ(std::strtof(hostkit::FloatText(value).c_str(), nullptr), value);
  }
}

TEST(Preset, AcceptsNumbersNamesAndSwitchWordsIgnoringCase) {
  tooltest::ScratchDir dir;
  const std::string path =
      WriteFile(dir, R"({"parameters": {"mode": "SMOKE", "light": 2.5, "Seed": 2, "Night Mode": true}})");
  std::vector<std::string> settings;
  std::string error;
  ASSERT_TRUE(hostkit::ReadPreset(path, Model(), settings, error)) << error;
  const std::vector<float> values = Values(settings, Model());
  EXPECT_EQ(values[0], 1.0f);
  EXPECT_EQ(values[1], 2.5f);
  EXPECT_EQ(values[3], 2.0f);
  EXPECT_EQ(values[4], 1.0f);
  // A value may follow the sound, as on the command line.
  std::vector<std::string> follows;
  ASSERT_TRUE(hostkit::ReadPresetText(R"({"parameters": {"Light": "bass:1..6"}})", "p.json", Model(), follows, error))
      << error;
  EXPECT_EQ(follows, std::vector<std::string>{"Light=bass:1..6"});
}

TEST(Preset, BadFilesFailWithOneLineNamingTheFileAndTheProblem) {
  tooltest::ScratchDir dir;
  const std::pair<std::string, std::string> cases[] = {
      {"{\"parameters\": {\"Light\": 2", "is not valid JSON"},
      {"[1, 2]", "has no \"parameters\" object"},
      {R"({"parameters": {"Lite": 2}})", "unknown parameter \"Lite\"; valid names: Mode, Light"},
      {R"({"parameters": {"Seed": "Seed 11"}})", "is not an option of Seed; choose one of: Seed 1"},
      {R"({"parameters": {"Mode": 1.7}})", ": \"1.7\" is not an option of Mode; choose one of: Paint, Smoke, or a value"},
      {R"({"parameters": {"Light": "bright"}})", "Light must be a number"},
      {R"({"parameters": {"Light": true}})", "Light must be a number"},
      {R"({"parameters": {"Night Mode": 0.5}})", "\"0.5\" is not on or off for Night Mode; a switch takes only"},
      {R"({"parameters": {"Night Mode": "on"}})", "Night Mode must be true or false, or 1 or 0"},
      {R"({"parameters": {"Caption": 1}})", "Caption is a text parameter"},
      {R"({"parameters": {"Light": 1e300}})", "Light: 1e+300 is too large"},
      {R"({"parameters": {"Light": -1e39}})", "is too large"},
      {R"({"parameters": {"Light": 1, "light": 2}})", "\"Light\" and \"light\" both set Light"},
  };
  for (const auto& [text, expected] : cases) {
    std::vector<std::string> settings;
    std::string error;
    EXPECT_FALSE(hostkit::ReadPreset(WriteFile(dir, text), Model(), settings, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
    EXPECT_EQ(error.find("preset " + dir.Path()), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  std::vector<std::string> settings;
  std::string error;
  EXPECT_FALSE(hostkit::ReadPreset(dir / "missing.json", Model(), settings, error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

TEST(Preset, SetOverridesThePresetsValueOfTheSameParameter) {
  const std::vector<std::string> merged =
      hostkit::OverlaySettings({"Mode=Smoke", "Light=2", "Seed=Seed 3"}, {"light = 0..5", "Spot Spin=1"}, Model());
  EXPECT_EQ(merged, (std::vector<std::string>{"Mode=Smoke", "Seed=Seed 3", "light = 0..5", "Spot Spin=1"}));
}

}  // namespace
