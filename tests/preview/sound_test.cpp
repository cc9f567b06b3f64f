// `preview --audio` end to end, beside a private PipeWire and WirePlumber (with_pipewire.sh) and
// on the suite's own X server: a pulsing low tone played into a sink of the test's own moves the
// parameter set to follow the bass while the window keeps its pace; a clip's own sound drives
// the preview as it drives the render and plays aloud with the picture (--mute keeps it
// silent); without a sound system the preview says so in one line and plays on.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "tests/preview/window_picture.h"
#include "tests/support/tool_test_util.h"

namespace {

using namespace previewtest;
using nlohmann::json;
using tooltest::RunResult;
using tooltest::ScratchDir;

// A null sink of the test's own on the private PipeWire: the only output, so the default one.
const std::string kMakeSink =
    "pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=swirlmoss-test-sink "
    "media.class=Audio/Sink object.linger=true audio.position=[MONO] }' >/dev/null || exit 2\n";

// The strongest amplitude of a sine at `hertz` in any tenth of a second of 48 kHz mono sound.
double LoudestTone(const std::vector<float>& sound, double hertz) {
  constexpr size_t kWindow = 4800;
  const double turn = 2.0 * std::cos(2.0 * M_PI * hertz / 48000.0);
  double loudest = 0.0;
  for (size_t start = 0; start + kWindow <= sound.size(); start += kWindow) {
    double previous = 0.0, before = 0.0;
    for (size_t i = start; i < start + kWindow; ++i) {
      const double next = sound[i] + turn * previous - before;
      before = previous;
      previous = next;
    }
    const double power = previous * previous + before * before - turn * previous * before;
    loudest = std::max(loudest, 2.0 * std::sqrt(std::max(power, 0.0)) / kWindow);
  }
  return loudest;
}

TEST(PreviewSound, AToneThroughPipeWireMovesTheParameterThatFollowsItAtThePreviewsPace) {
  ScratchDir dir;
  // 60 Hz, a second on and a second off: the bass swings from silence to loud.
  ASSERT_EQ(tooltest::RunTool("ffmpeg", {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                         "aevalsrc=0.8*sin(2*PI*60*t)*lt(mod(t\\,2)\\,1):s=48000:d=30",
                                         dir / "tone.wav"})
                .exitCode,
            0);
  // A sink of the test's own, played into while the preview hears what it plays.
  const std::string script = kMakeSink +
      "pw-play --target swirlmoss-test-sink \"$1\" & player=$!\n"
      "\"$0\" preview --audio --audio-source swirlmoss-test-sink --size " + kSize +
      " --fps 30 --exit-after 150 --stats --set Light=bass:1..6 --dump-controls \"$2\" --save-preset \"$3\"\n"
      "status=$?; kill $player; exit $status\n";
  const RunResult run =
      tooltest::Run("/bin/bash", {"-c", script, SWIRLMOSS_CLI_PATH, dir / "tone.wav", dir / "controls.json",
                                   dir / "saved.json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("sound: listening to PipeWire"), std::string::npos) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  ASSERT_TRUE(controls.contains("sound")) << controls.dump();
  const json& sound = controls["sound"];
  EXPECT_TRUE(sound["listening"].get<bool>());
  EXPECT_GT(sound["blocks"].get<int>(), 100) << sound.dump();
  ASSERT_EQ(sound["follow"].size(), 1u) << sound.dump();
  const json& light = sound["follow"][0];
  EXPECT_EQ(light["parameter"], "Light");
  EXPECT_LT(light["lowest"].get<float>(), 2.0f) << sound.dump();
  EXPECT_GT(light["highest"].get<float>(), 4.0f) << sound.dump();
  // The command and the preset keep the mapping, not the value it had at the end.
  EXPECT_NE(controls["command"].get<std::string>().find("Light=bass:1..6"), std::string::npos) << controls["command"];
  EXPECT_EQ(ReadJson(dir / "saved.json")["parameters"]["Light"], "bass:1..6");

  // The pace as the OSC suite reads it, and the sound's own line.
  int frames = 0, timed = 0;
  double fps = 0.0, median = 0.0;
  long blocks = 0;
  const size_t paceLine = run.out.find("stats: "), soundLine = run.out.find("blocks of sound");
  ASSERT_NE(soundLine, std::string::npos) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + paceLine, "stats: %d frames at %lf fps", &frames, &fps), 2) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + run.out.rfind("stats: ", soundLine),
                        "stats: %ld blocks of sound; from capture to the first frame shown with it: median %lf ms",
                        &blocks, &median),
            2)
      << run.out;
  EXPECT_EQ(frames, 150);
  EXPECT_LE(fps, 30.5) << run.out;
  EXPECT_GE(fps, 26.0) << run.out;
  EXPECT_GT(median, 0.0) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + run.out.find('(', soundLine), "(%d frames)", &timed), 1) << run.out;
  EXPECT_GT(timed, 100) << "nearly every frame draws new sound: " << run.out;
}

TEST(PreviewSound, AClipsOwnSoundDrivesThePreviewAsItDrivesTheRender) {
  ScratchDir dir;
  ASSERT_TRUE(tooltest::MakeClipWithSound(dir / "clip.mkv", "0.8*sin(2*PI*60*t)*lt(mod(t\\,0.5)\\,0.25)", 4.0));
  const std::vector<std::string> settings = {"--input", dir / "clip.mkv", "--set", "Seed=Seed 2", "--set",
                                             "Light=bass:1..6", "--set", "Spot Spin=beat:0..0.25"};
  std::vector<std::string> preview = {"preview", "--scale", "full", "--exit-after", "45", "--screenshot",
                                      dir / "window.png", "--dump-controls", dir / "controls.json"};
  std::vector<std::string> render = {"render", "--frames", "45", "-o", dir / "render.png"};
  preview.insert(preview.end(), settings.begin(), settings.end());
  render.insert(render.end(), settings.begin(), settings.end());
  const RunResult shown = Swirlmoss(preview), rendered = Swirlmoss(render);
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
  const json controls = ReadJson(dir / "controls.json");
  EXPECT_GT(controls["sound"]["follow"][0]["highest"].get<float>(), 4.0f) << controls["sound"].dump();
  tooltest::PngOnDisk window, picture;
  ASSERT_TRUE(tooltest::LoadPng(dir / "window.png", window));
  ASSERT_TRUE(tooltest::LoadPng(dir / "render.png", picture));
  EXPECT_LE(LargestDifference(picture, window, controls["picture"]), kTolerance);
}

TEST(PreviewSound, AClipsSoundPlaysOnTheDefaultOutputUnlessMuted) {
  ScratchDir dir;
  ASSERT_TRUE(tooltest::MakeClipWithSound(dir / "clip.mkv", "0.5*sin(2*PI*440*t)", 2.0));
  // What the sink plays is recorded from before the preview starts until after it ends.
  const std::string script = kMakeSink +
      "pw-record --target swirlmoss-test-sink --rate 48000 --channels 1 --format f32 \"$1\" & recorder=$!\n"
      "sleep 0.5; \"$0\" preview --input \"$2\" --fps 30 --exit-after 90 $3\n"
      "status=$?; sleep 0.3; kill -INT $recorder; wait $recorder; exit $status\n";
  for (const std::string mute : {"", "--mute"}) {
    const std::string recording = dir / ("played" + mute + ".wav"), raw = dir / "played.f32";
    const RunResult run = tooltest::Run("/bin/bash", {"-c", script, SWIRLMOSS_CLI_PATH, recording, dir / "clip.mkv", mute});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("sound: the input's sound plays on PipeWire") != std::string::npos, mute.empty()) << run.err;
    ASSERT_EQ(tooltest::RunTool("ffmpeg", {"-v", "error", "-nostdin", "-y", "-i", recording, "-f", "f32le", raw}).exitCode, 0);
    const std::string bytes = tooltest::Slurp(raw);
    std::vector<float> sound(bytes.size() / sizeof(float));
    std::memcpy(sound.data(), bytes.data(), sound.size() * sizeof(float));
    ASSERT_GT(sound.size(), 48000u) << mute;
    if (mute.empty()) {
      EXPECT_GT(LoudestTone(sound, 440.0), 0.2);
      EXPECT_LT(LoudestTone(sound, 620.0), 0.05) << "a clean tone, not clicks";
    } else {
      EXPECT_LT(LoudestTone(sound, 440.0), 0.01);
    }
  }
}

TEST(PreviewSound, WithoutASoundSystemThePreviewSaysSoInOneLineAndPlaysAtTheValueForSilence) {
  ScratchDir dir, empty;
  const RunResult run = tooltest::Run(
      "/usr/bin/env", {"PIPEWIRE_RUNTIME_DIR=" + empty.Path(), "XDG_RUNTIME_DIR=" + empty.Path(), SWIRLMOSS_CLI_PATH,
                       "preview", "--audio", "--size", kSize, "--exit-after", "3", "--set", "Light=level:2..6",
                       "--dump-controls", dir / "controls.json"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("sound: no PipeWire is running for this session and no JACK server is running; playing "
                         "without sound"),
            std::string::npos)
      << run.err;
  const json controls = ReadJson(dir / "controls.json");
  EXPECT_EQ(controls["frames"], 3);
  EXPECT_FLOAT_EQ(controls["controls"][8]["value"].get<float>(), 2.0f);
}

}  // namespace
