// The preview played over OSC, end to end: `oscsend` and a steady sender drive a preview on
// the test's own X server. A value arrives at a frame the control dump names, and from that
// frame on the picture is `render`'s with the value; floods of bad packets are counted and
// leave the window playing at its pace.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <cstdio>

#include "tests/preview/window_picture.h"
#include "tests/support/tool_test_util.h"

namespace {

using namespace previewtest;
using nlohmann::json;
using tooltest::PngOnDisk;
using tooltest::RunResult;
using tooltest::ScratchDir;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Runs the preview with `args` and --osc 0 in the background; once it says which port it
// listens on, runs `sender`, shell lines that find the port in $PORT and the preview's process
// in $PREVIEW. `prologue` runs first. Answers the preview's exit status and what it wrote.
RunResult PreviewWithSender(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& sender,
                            const std::string& prologue = "") {
  std::string command = Quote(SWIRLMOSS_CLI_PATH) + " preview --osc 0";
  for (const auto& arg : args) command += " " + Quote(arg);
  const std::string script =
      "set -u\n" + prologue + "\nrm -f " + Quote(dir / "out.txt") + " " + Quote(dir / "err.txt") + "\n" + command + " >" + Quote(dir / "out.txt") + " 2>" + Quote(dir / "err.txt") + " &\n" +
      "PREVIEW=$!\n"
      "for _ in $(seq 1200); do\n"  // up to a minute: a cold shader cache, a busy machine
      "  grep -q 'OSC: listening' " + Quote(dir / "err.txt") + " && break\n"
      "  kill -0 $PREVIEW 2>/dev/null || break\n"
      "  sleep 0.05\n"
      "done\n"
      "PORT=$(sed -n 's/^OSC: listening on UDP .* port \\([0-9]*\\).*/\\1/p' " + Quote(dir / "err.txt") + ")\n" +
      sender + "\n" +
      "wait $PREVIEW\n"
      "status=$?\n"
      "cat " + Quote(dir / "out.txt") + "\n"
      "cat " + Quote(dir / "err.txt") + " >&2\n"
      "exit $status\n";
  return tooltest::Run("/bin/bash", {"-c", script},
                       {"OSC_SENDER=" SWIRLMOSS_OSC_SENDER_PATH, "MIDI_SENDER=" SWIRLMOSS_MIDI_SENDER_PATH});
}

// The first frame the dump says `parameter` changed at, -1 when it never did.
int ChangedAt(const json& controls, const std::string& parameter) {
  for (const auto& change : controls["live"]["changes"]) {
    if (change["parameter"] == parameter) return change["frame"].get<int>();
  }
  return -1;
}

// --set for a value held at `before` and `after` from frame `frame` on.
std::string StepAt(const std::string& name, double before, int frame, double after) {
  char text[160];
  if (frame <= 0) {
    std::snprintf(text, sizeof text, "%s=%g", name.c_str(), after);
  } else if (frame == 1) {
    std::snprintf(text, sizeof text, "%s=0:%g,1:%g", name.c_str(), before, after);
  } else {
    std::snprintf(text, sizeof text, "%s=0:%g,%d:%g,%d:%g", name.c_str(), before, frame - 1, before, frame, after);
  }
  return text;
}

TEST(PreviewOsc, AValueArrivesAtAFrameAndThePictureIsRenderWithItFromThereOn) {
  ScratchDir dir;
  constexpr int kFrames = 60;
  // The clock's speed adds up frame by frame, so the last picture shows the frame it came at.
  const RunResult run = PreviewWithSender(
      dir,
      {"--size", kSize, "--scale", "full", "--exit-after", std::to_string(kFrames), "--set", "Seed=Seed 2",
       "--screenshot", dir / "window.png", "--dump-controls", dir / "controls.json"},
      "sleep 0.5\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/time_speed f 0.9\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/light/norm f 0.3");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("OSC: listening on UDP 127.0.0.1 port"), std::string::npos) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  ASSERT_FALSE(controls.is_discarded());
  EXPECT_EQ(controls["live"]["received"], 2) << controls["live"].dump();
  EXPECT_FLOAT_EQ(controls["controls"][1]["value"].get<float>(), 0.9f);
  EXPECT_FLOAT_EQ(controls["controls"][8]["value"].get<float>(), 3.0f) << "0.3 of Light's 0..10";
  const int speedAt = ChangedAt(controls, "Time Speed"), lightAt = ChangedAt(controls, "Light");
  ASSERT_GE(speedAt, 0) << controls["live"].dump();
  ASSERT_GE(lightAt, 0);

  const RunResult render = tooltest::Run(
      SWIRLMOSS_CLI_PATH, {"render", "--size", kSize, "--frames", std::to_string(kFrames), "--set", "Seed=Seed 2",
                           "--set", StepAt("Time Speed", 0.5, speedAt, 0.9),
                           "--set", StepAt("Light", 1, lightAt, 3), "-o", dir / "render.png"});
  ASSERT_EQ(render.exitCode, 0) << render.err;
  PngOnDisk window, rendered;
  ASSERT_TRUE(tooltest::LoadPng(dir / "window.png", window));
  ASSERT_TRUE(tooltest::LoadPng(dir / "render.png", rendered));
  const json& picture = controls["picture"];
  ASSERT_EQ(picture["width"], kW);
  EXPECT_LE(LargestDifference(rendered, window, picture), kTolerance) << "changes at frames " << speedAt << ", " << lightAt;
  // One frame off shows: the value taken a frame early or late moves the clock.
  if (speedAt > 1) {
    const RunResult early = tooltest::Run(
        SWIRLMOSS_CLI_PATH, {"render", "--size", kSize, "--frames", std::to_string(kFrames), "--set", "Seed=Seed 2",
                             "--set", StepAt("Time Speed", 0.5, speedAt - 1, 0.9), "--set", StepAt("Light", 1, lightAt, 3),
                             "-o", dir / "early.png"});
    ASSERT_EQ(early.exitCode, 0) << early.err;
    PngOnDisk off;
    ASSERT_TRUE(tooltest::LoadPng(dir / "early.png", off));
    EXPECT_NE(off.rgba, rendered.rgba);
  }
}

TEST(PreviewOsc, FloodsOfBadPacketsAreCountedAndTheWindowPlaysOn) {
  ScratchDir dir;
  // Bytes that are no OSC, a message without its type tags, a bundle whose element overruns
  // it, and well-formed messages that ask for what does not exist or does not fit.
  const RunResult run = PreviewWithSender(
      dir, {"--size", kSize, "--exit-after", "45", "--dump-controls", dir / "controls.json"},
      "for i in $(seq 500); do\n"
      "  printf 'junk' >/dev/udp/127.0.0.1/$PORT\n"
      "  printf 'odd' >/dev/udp/127.0.0.1/$PORT\n"
      "  printf '/swirlmoss/light\\0\\0\\0\\0' >/dev/udp/127.0.0.1/$PORT\n"
      "  printf '#bundle\\0\\0\\0\\0\\0\\0\\0\\0\\1\\0\\0\\0\\377' >/dev/udp/127.0.0.1/$PORT\n"
      "done\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/nothing f 1\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/light s bright\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/light f 11\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/preset s no-such-look\n"
      "oscsend 127.0.0.1 $PORT /swirlmoss/light f 2");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  ASSERT_FALSE(controls.is_discarded());
  EXPECT_EQ(controls["frames"], 45);
  const json& refused = controls["live"]["refused"];
  // The socket may shed some of a burst while the machine is busy; none is taken for valid.
  EXPECT_GT(refused["malformed packet"].get<int>(), 100) << refused.dump();
  EXPECT_LE(refused["malformed packet"].get<int>(), 2000);
  EXPECT_EQ(refused["unknown address"], 1);
  EXPECT_EQ(refused["wrong type"], 1);
  EXPECT_EQ(refused["out of range"], 2) << "11 for Light, and a look that does not exist";
  EXPECT_FLOAT_EQ(controls["controls"][8]["value"].get<float>(), 2.0f);
}

TEST(PreviewOsc, KeepsItsPaceWithAThousandMessagesASecondAndTimesThem) {
  ScratchDir dir;
  const RunResult run = PreviewWithSender(
      dir, {"--size", kSize, "--fps", "30", "--exit-after", "150", "--stats", "--dump-controls", dir / "controls.json"},
      "\"$OSC_SENDER\" $PORT 1000 3 >" + Quote(dir / "sent.txt"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // The two lines --stats prints.
  int frames = 0;
  double fps = 0.0, median = 0.0, tail = 0.0;
  long messages = 0, refused = -1, midi = -1;
  const size_t paceLine = run.out.find("stats: "), latencyLine = run.out.find("stats: ", paceLine + 1);
  ASSERT_NE(latencyLine, std::string::npos) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + paceLine, "stats: %d frames at %lf fps", &frames, &fps), 2) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + latencyLine,
                        "stats: %ld OSC messages, %ld refused, %ld MIDI messages; from arrival to the first frame "
                        "shown with the value: median %lf ms, 95%% %lf ms",
                        &messages, &refused, &midi, &median, &tail),
            5)
      << run.out;
  EXPECT_EQ(frames, 150);
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(midi, 0);
  // Pacing never runs ahead, and a flood of messages does not hold it back.
  EXPECT_LE(fps, 30.5) << run.out;
  EXPECT_GE(fps, 26.0) << run.out;
  std::ifstream sentFile(dir / "sent.txt");
  std::string word;
  long sent = 0;
  sentFile >> word >> sent;
  EXPECT_EQ(sent, 3000);
  EXPECT_GE(messages, sent * 95 / 100) << "loopback UDP loses next to nothing";
  // A change waits for the next frame: up to a period, and the frame's own time (busy machines add some).
  EXPECT_LT(median, 80.0) << run.out;
  EXPECT_LE(median, tail);
}

TEST(PreviewOsc, TheLastValueSentShowsHoweverManyCameBeforeItInOneFrame) {
  ScratchDir dir;
  // 6,000 values of Light and 7 last, all between two frames a second apart.
  const RunResult run = PreviewWithSender(
      dir, {"--size", kSize, "--fps", "1", "--exit-after", "3", "--dump-controls", dir / "controls.json"},
      "sleep 0.2; \"$OSC_SENDER\" $PORT flood 6000 7");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json controls = ReadJson(dir / "controls.json");
  ASSERT_FALSE(controls.is_discarded());
  const json& live = controls["live"];
  EXPECT_EQ(live["received"], 6001) << live.dump();
  EXPECT_EQ(live["refused"]["queue full"], 0) << live.dump();
  EXPECT_GE(live["superseded"].get<int>(), 5990) << live.dump();
  EXPECT_FLOAT_EQ(controls["controls"][8]["value"].get<float>(), 7.0f) << "Light";
}

// A JACK server of the test's own on the dummy back end (no sound card: all in user space),
// under a name no other run shares, stopped when the script ends.
std::string JackServer(const ScratchDir& dir) {
  return "export JACK_DEFAULT_SERVER=swirlmoss-test-$$-$RANDOM\n"
         "jackd --no-realtime -d dummy -r 48000 -p 256 >" + Quote(dir / "jackd.txt") + " 2>&1 &\n"
         "JACKD=$!\n"
         "trap 'kill $JACKD 2>/dev/null; wait $JACKD 2>/dev/null' EXIT\n"
         "for _ in $(seq 200); do jack_lsp >/dev/null 2>&1 && break; sleep 0.05; done\n";
}

const json* Control(const json& controls, const std::string& name) {
  for (const auto& control : controls["controls"]) {
    if (control["name"] == name) return &control;
  }
  return nullptr;
}

TEST(PreviewMidi, AKnobLearnedFromTheScriptDrivesItsParameterAndTheMapComesBack) {
  ScratchDir dir;
  std::ofstream(dir / "learn.json") << R"([{"frame": 5, "learn": "Light"}])";
  // CC 21 on channel 1 at 64, over and over: the first one after frame 5 binds it.
  RunResult run = PreviewWithSender(
      dir,
      {"--size", kSize, "--exit-after", "45", "--midi", "--midi-api", "jack", "--midi-map", dir / "map.json",
       "--ui-script", dir / "learn.json", "--dump-controls", dir / "learned.json"},
      "\"$MIDI_SENDER\" Swirlmoss 2.5 B0 15 40 >/dev/null", JackServer(dir));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("MIDI: listening on JACK: Swirlmoss (virtual)"), std::string::npos) << run.err;
  json controls = ReadJson(dir / "learned.json");
  ASSERT_FALSE(controls.is_discarded());
  const json& midi = controls["live"]["midi"];
  EXPECT_EQ(midi["learning"], "") << midi.dump();
  ASSERT_EQ(midi["bindings"].size(), 1u) << midi.dump();
  EXPECT_EQ(midi["bindings"][0]["control"], "CC 21 on channel 1");
  EXPECT_EQ(midi["bindings"][0]["parameter"], "Light");
  EXPECT_FLOAT_EQ((*Control(controls, "Light"))["value"].get<float>(), 64.0f / 127.0f * 10.0f);
  const json map = ReadJson(dir / "map.json");
  EXPECT_EQ(map.dump(), R"({"midi":[{"channel":1,"controller":21,"parameter":"Light"}]})");

  // The map read back binds the knob from the start; a note nobody bound changes nothing.
  run = PreviewWithSender(dir,
                          {"--size", kSize, "--exit-after", "30", "--midi-api", "jack", "--midi-map", dir / "map.json",
                           "--dump-controls", dir / "mapped.json"},
                          "\"$MIDI_SENDER\" Swirlmoss 2 B0 15 7F 90 24 64 >/dev/null", JackServer(dir));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  controls = ReadJson(dir / "mapped.json");
  ASSERT_FALSE(controls.is_discarded());
  EXPECT_GT(controls["live"]["midi"]["received"].get<int>(), 10);
  EXPECT_FLOAT_EQ((*Control(controls, "Light"))["value"].get<float>(), 10.0f);
  EXPECT_EQ((*Control(controls, "Night Mode"))["value"], 0.0);
}

TEST(PreviewMidi, WithoutAMidiSystemOneLineAndThePreviewPlays) {
  ScratchDir dir;
  const RunResult run = tooltest::Run(SWIRLMOSS_CLI_PATH,
                                      {"preview", "--size", kSize, "--exit-after", "3", "--midi", "--midi-api", "jack",
                                       "--dump-controls", dir / "controls.json"},
                                      {"JACK_DEFAULT_SERVER=swirlmoss-test-nobody-runs-this"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "MIDI: no JACK server is running; playing without MIDI\n");
  EXPECT_EQ(ReadJson(dir / "controls.json")["frames"], 3);
}

TEST(PreviewLive, NoPresetMessageStallsTheWindowAndEveryExitKeepsTheMapLearned) {
  ScratchDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir / "presets");
  fs::create_directories(dir / "gone");
  std::ofstream(dir / "presets/mine.json") << R"({"parameters": {"Light": 4.5}})";
  std::ofstream(dir / "learn.json") << R"([{"frame": 5, "learn": "Light"}])";
  // A pipe whose writer stays, a pipe with none, both where a preset could be; an output
  // folder that goes away while the preview plays.
  const std::string pipes = "mkfifo " + Quote(dir / "held") + " " + Quote(dir / "presets/pipe.json") +
                            "\nsleep 60 >" + Quote(dir / "held") + " &\nHOLDER=$!\n";
  const auto send = [](const std::string& name) { return "oscsend 127.0.0.1 $PORT /swirlmoss/preset s " + Quote(name) + "\n"; };
  const RunResult run = PreviewWithSender(
      dir,
      {"--size", kSize, "--midi-api", "jack", "--midi-map", dir / "map.json", "--ui-script", dir / "learn.json",
       "--preset-dir", dir / "presets", "--save-preset", dir / "gone/look.json", "--dump-controls",
       dir / "controls.json"},
      "\"$MIDI_SENDER\" Swirlmoss 1.5 B0 15 40 >/dev/null\n"
      "cp " + Quote(dir / "map.json") + " " + Quote(dir / "learned.json") + "\n" +
          send(dir / "held") + send("pipe") + send("../mine") + send("embers") + "sleep 0.3\n" + send("mine") +
          "sleep 0.5\nrmdir " + Quote(dir / "gone") + "\nkill -TERM $PREVIEW\n"
          "for _ in $(seq 100); do kill -0 $PREVIEW 2>/dev/null || break; sleep 0.1; done\n"
          "kill -KILL $PREVIEW $HOLDER 2>/dev/null\n",
      JackServer(dir) + pipes);
  EXPECT_EQ(run.exitCode, 128 + 15) << "ended by one termination request: " << run.err;
  EXPECT_NE(run.err.find("output directory does not exist: " + dir / "gone"), std::string::npos) << run.err;
  EXPECT_EQ(ReadJson(dir / "learned.json").dump(), R"({"midi":[{"channel":1,"controller":21,"parameter":"Light"}]})")
      << "the binding is kept when it is learned";
  const json controls = ReadJson(dir / "controls.json");
  ASSERT_FALSE(controls.is_discarded()) << "the dump is written though the preset could not be";
  EXPECT_EQ(controls["live"]["received"], 5) << controls["live"].dump();
  EXPECT_EQ(controls["live"]["refused"]["out of range"], 3) << controls["live"].dump();
  EXPECT_FLOAT_EQ((*Control(controls, "Light"))["value"].get<float>(), 4.5f);
  EXPECT_EQ(controls["preset"], dir / "presets/mine.json");
  EXPECT_GT(controls["frames"].get<int>(), 30);
}

}  // namespace
