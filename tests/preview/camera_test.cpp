// `preview --camera` end to end, beside a private PipeWire and WirePlumber (with_pipewire.sh)
// and on the suite's own X server: what `gst-launch-1.0 pipewiresrc` captures from the node is,
// byte for byte, what `render` draws with the same settings; without PipeWire the preview
// says so in one line and plays on.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/preview/window_picture.h"
#include "tests/support/tool_test_util.h"

namespace {

using namespace previewtest;
using nlohmann::json;
using tooltest::PngOnDisk;
using tooltest::RunResult;
using tooltest::ScratchDir;

constexpr int kCaptured = 5;

// Runs the preview with `args` until the file `stop` appears, then ends it with Ctrl-C (status
// 130), as a person closing it would: however long the consumer took, the node stays there.
RunResult PreviewUntil(const std::string& stop, const std::vector<std::string>& args) {
  std::vector<std::string> shellArgs = {
      "-c", "\"$0\" \"$@\" & pid=$!; while [ ! -e '" + stop + "' ]; do sleep 0.1; done; kill -INT $pid; wait $pid",
      SWIRLMOSS_CLI_PATH};
  shellArgs.insert(shellArgs.end(), args.begin(), args.end());
  return tooltest::Run("/bin/sh", shellArgs);
}

// True once the PipeWire graph holds a node named "Swirlmoss", within 60 s, and a moment more
// has passed: a consumer that names its target before the session manager has taken the new
// node in is refused ("no target node available").
bool WaitForCameraNode() {
  const RunResult run = tooltest::RunTool(
      "sh", {"-c", "for i in $(seq 600); do pw-cli ls Node | grep -q 'node.name = \"Swirlmoss\"' && sleep 1 && exit 0; "
                   "sleep 0.1; done; exit 1"});
  return run.exitCode == 0;
}

// `count` frames from the node as RGB into `path`; a refused link (the race above, on a loaded
// machine) is tried again.
RunResult Capture(int count, const std::string& path) {
  RunResult run;
  for (int attempt = 0; attempt < 3; ++attempt) {
    run = tooltest::RunTool("timeout", {"60", "gst-launch-1.0", "-q", "pipewiresrc", "target-object=Swirlmoss",
                                        "num-buffers=" + std::to_string(count), "!", "videoconvert", "!",
                                        "video/x-raw,format=RGB", "!", "filesink", "location=" + path});
    if (run.exitCode == 0) break;
  }
  return run;
}

// The render's RGB, rows top to bottom, as the capture holds it.
std::vector<uint8_t> Rgb(const PngOnDisk& png) {
  std::vector<uint8_t> rgb;
  rgb.reserve(png.rgba.size() / 4 * 3);
  for (size_t i = 0; i < png.rgba.size(); ++i) {
    if (i % 4 != 3) rgb.push_back(png.rgba[i]);
  }
  return rgb;
}

TEST(PreviewCamera, CapturedFramesAreTheRenderOfTheSameSettingsInOrder) {
  ScratchDir dir;
  const std::vector<std::string> settings = {"--set", "Seed=Seed 2", "--set", "Spot Spin=0.4"};
  std::vector<std::string> preview = {"preview", "--camera", "--size", kSize, "--scale", "full", "--dump-controls",
                                      dir / "controls.json"};
  preview.insert(preview.end(), settings.begin(), settings.end());
  RunResult previewRun;
  std::thread window([&] { previewRun = PreviewUntil(dir / "stop", preview); });
  const bool appeared = WaitForCameraNode();
  const RunResult capture = appeared ? Capture(kCaptured, dir / "camera.rgb") : RunResult{};
  std::ofstream(dir / "stop").put('\n');
  window.join();
  ASSERT_TRUE(appeared) << "no node named Swirlmoss appeared: " << previewRun.err;
  ASSERT_EQ(capture.exitCode, 0) << capture.err;
  ASSERT_EQ(previewRun.exitCode, 130) << previewRun.err;
  EXPECT_EQ(previewRun.err, "") << "a camera that works says nothing";

  const json controls = ReadJson(dir / "controls.json");
  ASSERT_TRUE(controls.contains("camera")) << controls.dump();
  EXPECT_GE(controls["camera"]["sent"].get<int>(), kCaptured);
  EXPECT_GE(controls["camera"]["readBack"], controls["camera"]["sent"]);
  EXPECT_NE(controls["camera"]["format"], "none");
  const int drawn = controls["frames"].get<int>();
  ASSERT_GE(drawn, kCaptured);

  std::vector<std::string> render = {"render", "--size", kSize, "--frames", std::to_string(drawn), "-o",
                                     dir / "render_%04d.png"};
  render.insert(render.end(), settings.begin(), settings.end());
  const RunResult rendered = Swirlmoss(render);
  ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
  std::vector<std::vector<uint8_t>> frames;  // frames[i]: the picture after i + 1 frames
  for (int i = 0; i < drawn; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "render_%04d.png", i);
    PngOnDisk png;
    ASSERT_TRUE(tooltest::LoadPng(dir / name, png)) << name;
    frames.push_back(Rgb(png));
  }

  // The capture's frames follow the effect's clock, so each one is some frame of the render,
  // exactly (the same 8-bit framebuffer read back, the alpha left out), and later ones are
  // later frames (one the consumer was too slow for may be skipped, none repeated or reordered).
  std::ifstream file(dir / "camera.rgb", std::ios::binary);
  const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t frameBytes = static_cast<size_t>(kW) * kH * 3;
  ASSERT_EQ(raw.size(), kCaptured * frameBytes);
  int previous = -1;
  for (int k = 0; k < kCaptured; ++k) {
    const auto begin = raw.begin() + static_cast<long>(k * frameBytes);
    int found = -1;
    for (int i = previous + 1; i < drawn && found < 0; ++i) {
      if (std::equal(frames[i].begin(), frames[i].end(), begin)) found = i;
    }
    ASSERT_GE(found, 0) << "captured frame " << k << " equals no render frame after frame " << previous + 1;
    previous = found;
  }
}

TEST(PreviewCamera, WhileNobodyTakesTheCameraNothingIsReadBack) {
  ScratchDir dir;
  const RunResult run = Swirlmoss({"preview", "--camera", "--size", kSize, "--exit-after", "5", "--dump-controls",
                                   dir / "controls.json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  EXPECT_EQ(controls["frames"], 5);
  ASSERT_TRUE(controls.contains("camera")) << controls.dump();
  EXPECT_NE(controls["camera"]["node"], 0) << "the node is there";
  EXPECT_EQ(controls["camera"]["readBack"], 0);
  EXPECT_EQ(controls["camera"]["sent"], 0);
}

TEST(PreviewCamera, WithoutPipeWireThePreviewSaysSoInOneLineAndPlays) {
  ScratchDir dir, empty;
  const RunResult run = tooltest::Run(
      "/usr/bin/env", {"PIPEWIRE_RUNTIME_DIR=" + empty.Path(), "XDG_RUNTIME_DIR=" + empty.Path(), SWIRLMOSS_CLI_PATH,
                       "preview", "--camera", "--size", kSize, "--exit-after", "3", "--dump-controls",
                       dir / "controls.json"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("--camera: no PipeWire is running"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("the preview runs without the camera"), std::string::npos) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  EXPECT_EQ(controls["frames"], 3);
  EXPECT_FALSE(controls.contains("camera"));
}

}  // namespace
