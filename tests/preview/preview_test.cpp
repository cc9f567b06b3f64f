// The preview window end to end, run as a separate process on the real plugin under the
// test's own X server: its picture against `render`, presets, scripted mode switches, and how
// it fails without a display or with a bad command line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/preview/window_picture.h"
#include "tests/support/tool_test_util.h"

namespace {

using namespace previewtest;
using nlohmann::json;
using tooltest::PngOnDisk;
using tooltest::RunResult;
using tooltest::ScratchDir;

// Runs the preview for `frames` frames at full scale and the render of the same settings, and
// compares the picture area of the window with the render.
void ExpectPreviewMatchesRender(const std::vector<std::string>& settings, int frames) {
  ScratchDir dir;
  std::vector<std::string> preview = {"preview", "--size", kSize, "--scale", "full", "--exit-after",
                                      std::to_string(frames), "--screenshot", dir / "window.png",
                                      "--dump-controls", dir / "controls.json"};
  std::vector<std::string> render = {"render", "--size", kSize, "--frames", std::to_string(frames), "-o",
                                     dir / "render.png"};
  preview.insert(preview.end(), settings.begin(), settings.end());
  render.insert(render.end(), settings.begin(), settings.end());
  RunResult run = Swirlmoss(preview);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Swirlmoss(render);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const json controls = ReadJson(dir / "controls.json");
  ASSERT_FALSE(controls.is_discarded());
  const json& picture = controls["picture"];
  ASSERT_EQ(picture["width"], kW) << "a window made for the picture shows it one texel per pixel";
  ASSERT_EQ(picture["height"], kH);
  EXPECT_EQ(controls["frames"], frames);
  PngOnDisk window, rendered;
  ASSERT_TRUE(tooltest::LoadPng(dir / "window.png", window));
  ASSERT_TRUE(tooltest::LoadPng(dir / "render.png", rendered));
  ASSERT_EQ(window.width, controls["window"]["width"].get<int>());
  ASSERT_GE(window.width, picture["x"].get<int>() + kW);
  ASSERT_GE(window.height, picture["y"].get<int>() + kH);
  EXPECT_LE(LargestDifference(rendered, window, picture), kTolerance);
}

TEST(Preview, PictureAreaEqualsRenderOfTheSameSettings) {
  ExpectPreviewMatchesRender({"--set", "Seed=Seed 2"}, 3);
}

TEST(Preview, EveryFrameOfASequenceInputReachesThePlugin) {
  // Three different pictures, which the mask then cuts by brightness: a frame that did not
  // reach the plugin shows in the cut. They are smaller than --size, which fits them.
  ScratchDir dir;
  const RunResult run = Swirlmoss({"render", "--size", "40x30", "--frames", "3", "--set", "Seed=Seed 7", "--set",
                                   "Time Speed=1", "-o", dir / "in_%02d.png"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectPreviewMatchesRender(
      {"--input", dir / "in_%02d.png", "--set", "Seed=Seed 3", "--set", "Image Mask=1", "--set", "Mask Power=0.2"}, 3);
}

TEST(Preview, PresetRunEqualsRenderWithThePreset) {
  ScratchDir dir;
  const std::string preset = dir / "look.json";
  // A look whose mode switch is primed before the first frame, saved by the window at exit.
  RunResult run = Swirlmoss({"preview", "--size", kSize, "--exit-after", "1", "--set", "Mode=Smoke", "--set",
                             "Light=2.5", "--set", "Seed=Seed 5", "--save-preset", preset});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json saved = ReadJson(preset);
  ASSERT_TRUE(saved.contains("parameters")) << saved.dump();
  // Every parameter but those Smoke hides at its own start (Wave Thickness starts below its
  // range there), so that the preset reads back without a warning.
  EXPECT_EQ(saved["parameters"].size(), 17u) << saved.dump();
  EXPECT_FALSE(saved["parameters"].contains("Wave Thickness")) << saved.dump();
  EXPECT_EQ(saved["parameters"]["Mode"], "Smoke");
  EXPECT_EQ(saved["parameters"]["Seed"], "Seed 5");
  EXPECT_EQ(saved["parameters"]["Light"], 2.5);
  run = Swirlmoss({"render", "--size", kSize, "--frames", "1", "--preset", preset, "-o", dir / "smoke.png"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("outside"), std::string::npos) << run.err;
  ExpectPreviewMatchesRender({"--preset", preset}, 4);
  // --set laid over the preset wins in both commands.
  ExpectPreviewMatchesRender({"--preset", preset, "--set", "Light=0.7"}, 2);
}

TEST(Preview, FilesSavedThroughALinkReplaceItsTargetAndKeepTheirMode) {
  namespace fs = std::filesystem;
  ScratchDir dir;
  fs::create_directory(dir / "kept");
  std::ofstream(dir / "kept/look.json") << "old";
  std::ofstream(dir / "kept/controls.json") << "old";
  fs::permissions(dir / "kept/look.json", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("kept/look.json", dir / "look.json");
  fs::create_symlink(dir / "kept/controls.json", dir / "controls.json");
  fs::create_symlink("kept/frame.png", dir / "frame.png");  // nothing there yet
  RunResult run = Swirlmoss({"preview", "--size", kSize, "--exit-after", "1", "--save-preset", dir / "look.json",
                             "--dump-controls", dir / "controls.json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Swirlmoss({"render", "--size", kSize, "--frames", "1", "-o", dir / "frame.png"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* name : {"look.json", "controls.json", "frame.png"}) {
    EXPECT_TRUE(fs::is_symlink(dir / name)) << name << " is still a link";
    EXPECT_GT(fs::file_size(dir / (std::string("kept/") + name)), 3u) << name << "'s target holds what was written";
  }
  EXPECT_TRUE(ReadJson(dir / "kept/look.json").contains("parameters"));
  EXPECT_EQ(fs::status(dir / "kept/look.json").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"controls.json", "frame.png", "kept", "look.json"}));
}

// The control dump of a preview run of `frames` frames with `more` arguments.
json Controls(const std::vector<std::string>& more, int frames) {
  ScratchDir dir;
  std::vector<std::string> args = {"preview", "--size", kSize, "--exit-after", std::to_string(frames),
                                   "--dump-controls", dir / "controls.json"};
  args.insert(args.end(), more.begin(), more.end());
  const RunResult run = Swirlmoss(args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return ReadJson(dir / "controls.json");
}

TEST(Preview, ScriptedModeSwitchRelabelsAndHidesAsThePluginSays) {
  ScratchDir dir;
  std::ofstream(dir / "script.json") << R"([{"frame": 1, "set": {"Light": 3, "Mode": "Smoke"}}])";
  const json paint = Controls({}, 2);
  const json smoke = Controls({"--ui-script", dir / "script.json"}, 3);
  RunResult run = Swirlmoss({"info", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json info = json::parse(run.out);
  ASSERT_EQ(paint["controls"].size(), info["parameters"].size());
  ASSERT_EQ(smoke["controls"].size(), info["parameters"].size());

  EXPECT_EQ(paint["controls"][5]["shownName"], "Paint R");
  EXPECT_EQ(smoke["controls"][5]["shownName"], "Ambient R");
  // Every control is shown or hidden, and named, as the plugin presents that mode.
  for (const auto& [look, dump] : {std::pair<const char*, const json&>{"Paint", paint}, {"Smoke", smoke}}) {
    for (const auto& parameter : info["parameters"]) {
      const int index = parameter["index"].get<int>();
      const json& control = dump["controls"][index];
      const json& mode = parameter["modes"][look];
      EXPECT_EQ(control["visible"], mode["visible"]) << look << " " << parameter["name"];
      const std::string displayName = mode["displayName"].get<std::string>();
      EXPECT_EQ(control["shownName"], displayName.empty() ? parameter["name"] : mode["displayName"])
          << look << " " << parameter["name"];
    }
  }
  EXPECT_EQ(smoke["controls"][0]["value"], 1.0);
  EXPECT_EQ(smoke["controls"][8]["value"], 3.0) << "values of a step are set after its mode switch";
}

TEST(Preview, ALookFromTheListIsRenderWithThatLookAndCopiesAsIt) {
  // Values moved in Paint first, which the look must not let through; after it, one change
  // that leaves the clock's pace alone, so the copied command reaches the same frame.
  ScratchDir dir;
  std::ofstream(dir / "script.json") << R"([{"frame": 1, "set": {"Light": 3, "Shine": 0.9}},
                                            {"frame": 2, "preset": "smoke-veil"},
                                            {"frame": 3, "set": {"Mask Power": 0.6}}])";
  RunResult run = Swirlmoss({"preview", "--size", kSize, "--scale", "full", "--exit-after", "5", "--ui-script",
                             dir / "script.json", "--screenshot", dir / "window.png", "--dump-controls",
                             dir / "controls.json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  EXPECT_EQ(controls["preset"], "smoke-veil");
  std::string command = controls["command"].get<std::string>();
  EXPECT_NE(command.find("--preset smoke-veil --set 'Mask Power=0.6' --frames 5"), std::string::npos) << command;

  // The command, run as a person would paste it, warns of nothing and draws the window's picture.
  command.replace(0, std::string("swirlmoss").size(), SWIRLMOSS_CLI_PATH);
  run = tooltest::Run("/bin/sh", {"-c", "cd " + dir.Path() + " && " + command});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("outside"), std::string::npos) << run.err;
  PngOnDisk window, rendered;
  ASSERT_TRUE(tooltest::LoadPng(dir / "window.png", window));
  ASSERT_TRUE(tooltest::LoadPng(dir / "swirlmoss.png", rendered));
  EXPECT_LE(LargestDifference(rendered, window, controls["picture"]), kTolerance);
}

TEST(Preview, EveryLookIsListedAndAStatusLineMovesNoControl) {
  ScratchDir dir;
  std::ofstream(dir / "script.json") << R"([{"frame": 1, "preset": "moss-bed"}])";
  const json quiet = Controls({"--preset", "moss-bed"}, 2);
  const json told = Controls({"--ui-script", dir / "script.json"}, 2);
  EXPECT_EQ(quiet["status"], "");
  EXPECT_NE(told["status"], "") << "choosing a look says so";
  ASSERT_EQ(quiet["controls"].size(), told["controls"].size());
  size_t placed = 0;
  for (size_t i = 0; i < quiet["controls"].size(); ++i) {
    EXPECT_EQ(quiet["controls"][i].value("rect", json()), told["controls"][i].value("rect", json()))
        << quiet["controls"][i]["name"];
    placed += quiet["controls"][i].contains("rect");
  }
  EXPECT_GT(placed, 10u);

  std::vector<std::string> files;
  const std::string folder = std::string(SWIRLMOSS_CLI_PATH).substr(0, std::string(SWIRLMOSS_CLI_PATH).rfind('/')) + "/looks";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path().stem().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(told["looks"].get<std::vector<std::string>>(), files);
  EXPECT_GE(files.size(), 8u);
}

TEST(Preview, FailsWithOneLineWithoutADisplayOrWithABadCommandLine) {
  RunResult run = tooltest::Run("/usr/bin/env", {"-u", "DISPLAY", SWIRLMOSS_CLI_PATH, "preview", "--exit-after", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("swirlmoss render"), std::string::npos) << run.err;

  ScratchDir dir;
  std::ofstream(dir / "bad-script.json") << R"([{"frame": 1, "set": {"Mode": "Fog"}}])";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--set", "Light=0..5"}, "ramps and keyframes are for"},
      {{"--set", "Light=0:1,10:5"}, "ramps and keyframes are for"},
      {{"--ui-script", dir / "bad-script.json"}, "step 1: \"Fog\" is not an option of Mode"},
      {{"--screenshot", dir / "shot.exr"}, "--screenshot writes one PNG picture: give a name ending in .png"},
      {{"--screenshot", dir / "shot.mp4"}, "--screenshot writes one PNG picture"},
      {{"--screenshot", dir / "shot_%04d.png"}, "--screenshot writes one PNG picture"},
      {{"--scale", "double"}, "--scale"},
  };
  for (const auto& [more, expected] : cases) {
    std::vector<std::string> args = {"preview", "--size", kSize, "--exit-after", "1"};
    args.insert(args.end(), more.begin(), more.end());
    run = Swirlmoss(args);
    EXPECT_EQ(run.exitCode, 2) << more.back();
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
  }
  run = Swirlmoss({"preview", "--size", kSize, "--exit-after", "1", "--dump-controls", dir / "no/such/dir/c.json"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("--dump-controls"), std::string::npos) << run.err;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bad-script.json"}) << "nothing half-written is left";
}

TEST(Preview, ASavedPresetFollowsTheLookInUseAndNeverShadowsOne) {
  ScratchDir dir;
  std::ofstream(dir / "script.json") << R"([{"frame": 1, "preset": "embers"}])";
  const json controls = Controls({"--preset", "morning-fog", "--ui-script", dir / "script.json"}, 2);
  EXPECT_EQ(controls["preset"], "embers");
  EXPECT_EQ(controls["presetFile"], "embers.json") << "what Save preset writes";
  // A file saved as a look's bare name, before saving added ".json".
  std::ofstream(dir / "morning-fog") << R"({"parameters": {"Light": 9}})";
  const RunResult run = tooltest::Run(
      "/bin/bash", {"-c", "cd \"$1\" && exec \"$0\" render --size 96x64 --frames 1 --preset morning-fog -o out.png",
                    SWIRLMOSS_CLI_PATH, dir.Path()});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.err, "swirlmoss: error: --preset morning-fog: names both the look morning-fog and the file ./morning-fog; "
                     "give ./morning-fog for the file, or rename the file\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
}

TEST(Preview, TheWindowGivesThePanelRoomForEveryControlOnTheScreen) {
  // The suite's screen is 1280x800; a clip wider than high once left the panel three controls.
  ScratchDir dir;
  const RunResult run = Swirlmoss({"preview", "--size", "640x360", "--exit-after", "1", "--dump-controls", dir / "c.json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json controls = ReadJson(dir / "c.json");
  const int height = controls["window"]["height"].get<int>();
  EXPECT_LE(height, 800);
  int drawn = 0;
  for (const auto& control : controls["controls"]) {
    if (!control.contains("rect")) continue;
    ++drawn;
    // Above the status area's five lines: in view without scrolling.
    EXPECT_LE(control["rect"][1].get<double>() + control["rect"][3].get<double>(), height - 5 * 17)
        << control["name"] << " in a window " << height << " high";
  }
  EXPECT_GE(drawn, 15);
}

}  // namespace
