// The frei0r module inside the real hosts from Debian: ffmpeg, melt and GStreamer give the
// frames that `swirlmoss render` gives for the same values, byte for byte (both draw the same
// program into the same RGBA8 framebuffer, so no tolerance is needed), and the failures a
// user can cause end in one line, never a crash or a hang. Every host runs under `timeout -k`.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/support/tool_test_util.h"

namespace {

using tooltest::Run;
using tooltest::RunResult;
using tooltest::ScratchDir;

constexpr int kW = 96;
constexpr int kH = 64;
constexpr size_t kFrameBytes = static_cast<size_t>(kW) * kH * 4;

// melt prefers its own variable to FREI0R_PATH where a user has set it.
const std::vector<std::string> kHostEnvironment = {"FREI0R_PATH=" FREI0R_MODULE_DIR,
                                                   "MLT_FREI0R_PLUGIN_PATH=" FREI0R_MODULE_DIR,
                                                   "GST_REGISTRY=" GST_REGISTRY_FILE};

std::string ReadFile(const std::string& path);

// The last lines of `text`.
std::string Tail(const std::string& text, size_t count) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line + "\n");
  std::string tail;
  for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) tail += lines[i];
  return tail;
}

// A host under `timeout -k`: melt may ignore SIGTERM, so KILL follows. The module records its
// steps, so that a host that stalls names the module's last ones.
struct HostRun {
  RunResult run;
  std::string steps;  // the module's trace of the run
  bool Stalled() const { return run.exitCode == 124 || run.exitCode == 137; }
};

HostRun RunHost(const std::string& program, std::vector<std::string> args, std::vector<std::string> environment) {
  ScratchDir traceDir;
  args.insert(args.begin(), {"-k", "5", "120", program});
  environment.insert(environment.begin(), kHostEnvironment.begin(), kHostEnvironment.end());
  environment.push_back("SWIRLMOSS_FREI0R_TRACE=" + (traceDir / "steps"));
  HostRun host{Run("/usr/bin/timeout", args, environment), ""};
  host.steps = ReadFile(traceDir / "steps");
  return host;
}

void ExpectNoStall(const std::string& program, const HostRun& host) {
  if (host.Stalled()) {
    ADD_FAILURE() << program << " stalled: stopped by its timeout (exit " << host.run.exitCode
                  << "); the frei0r module's last steps:\n"
                  << Tail(host.steps, 20) << "its standard error ends:\n" << Tail(host.run.err, 20);
  }
}

RunResult Host(const std::string& program, std::vector<std::string> args, std::vector<std::string> environment = {}) {
  const HostRun host = RunHost(program, std::move(args), std::move(environment));
  ExpectNoStall(program, host);
  return host.run;
}

RunResult Ffmpeg(const std::string& filters, const std::string& output, int frames = 3,
                 const std::vector<std::string>& environment = {}, const std::string& size = "96x64") {
  return Host(FFMPEG_PATH,
              {"-nostdin", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
               "testsrc2=s=" + size + ":r=30,format=rgba", "-frames:v", std::to_string(frames), "-vf", filters, "-f",
               "rawvideo", "-pix_fmt", "rgba", "-y", output},
              environment);
}

// Frames from the CLI, raw RGBA rows top to bottom; `input` as --input where given.
std::string Render(int frames, const std::vector<std::string>& settings, const std::string& size = "96x64",
                   const std::string& fps = "30", const std::string& input = "", const std::string& preset = "") {
  std::vector<std::string> args = {"render", "--size", size, "--fps", fps, "--frames", std::to_string(frames),
                                   "-o", "-"};
  if (!input.empty()) args.insert(args.end(), {"--input", input});
  if (!preset.empty()) args.insert(args.end(), {"--preset", preset});
  for (const auto& setting : settings) args.insert(args.end(), {"--set", setting});
  const RunResult run = Run(SWIRLMOSS_CLI_PATH, args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A host's own input frames, raw RGBA of `size`, as the PNG sequence DIR/in_NN.png that the
// CLI reads: with "Image Mask" on, the picture depends on them.
std::string AsInputFiles(const ScratchDir& dir, const std::string& raw, const std::string& size) {
  const RunResult run = tooltest::Run(FFMPEG_PATH, {"-v", "error", "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-i", raw,
                                          "-y", dir / "in_%02d.png"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return dir / "in_%02d.png";
}

// The module's lines other than the two about the first frame's shader compile, which come
// together, at most once per process however many instances the host makes (and not at all
// when a warm shader cache makes the first frame quick).
std::string WithoutCompileLines(const std::string& err) {
  std::istringstream lines(err);
  std::string rest, line;
  int compiling = 0, compiled = 0;
  while (std::getline(lines, line)) {
    if (line.find("swirlmoss (frei0r): first frame: the GPU driver is compiling the effect's shader") == 0) {
      ++compiling;
    } else if (line.find("swirlmoss (frei0r): shader compiled, first frame ready after ") == 0) {
      ++compiled;
    } else {
      rest += line + "\n";
    }
  }
  EXPECT_LE(compiling, 1) << err;
  EXPECT_EQ(compiled, compiling) << err;
  return rest;
}

// Frames equal as whole byte strings; on a difference, says which frame and how many bytes.
void ExpectSameFrames(const std::string& actual, const std::string& expected, size_t frameBytes = kFrameBytes) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t frame = 0; frame * frameBytes < actual.size(); ++frame) {
    size_t differing = 0;
    for (size_t i = frame * frameBytes; i < (frame + 1) * frameBytes; ++i) differing += actual[i] != expected[i];
    EXPECT_EQ(differing, 0u) << "frame " << frame;
  }
}

TEST(Frei0rInFfmpeg, FramesEqualTheCliRenderWithTheSameValues) {
  ScratchDir dir;
  ASSERT_EQ(Ffmpeg("null", dir / "input.rgba").exitCode, 0);
  const std::string input = AsInputFiles(dir, dir / "input.rgba", "96x64");
  // By position: Mode, Time Speed, Fan, Smoke Amount, Smoke Quality, Paint R, G, B, Light
  // (0..10), Shadows (0..1.5), Shine, Wave Thickness (0.6..2), Flow, Night Mode, Spot Spin, Seed,
  // then Light R, G, B at their defaults and Image Mask, which makes ffmpeg's test picture count.
  const std::string values = "Paint|0.8|0.5|0.6|n|1|0.2|0.6|0.3|0.2|0.5|0.5|0.9|n|0.25|3";
  std::vector<std::string> settings = {"Time Speed=0.8", "Paint G=0.2", "Paint B=0.6", "Light=3", "Shadows=0.3",
                                       "Wave Thickness=1.3", "Flow=0.9", "Spot Spin=0.25", "Seed=Seed 4"};
  // With the mask on, the effect is also multiplied into the picture by the last two, Blend
  // and Mix, written after every other value.
  for (bool mask : {false, true}) {
    const RunResult run = Ffmpeg(
        "frei0r=filter_name=swirlmoss:filter_params=" + values + (mask ? "|1|1|1|y|0.5|0.1|30|auto|multiply|0.75" : ""),
        dir / "out.rgba");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(WithoutCompileLines(run.err), "");
    const std::string frames = ReadFile(dir / "out.rgba");
    if (mask) settings.insert(settings.end(), {"Image Mask=1", "Blend=multiply", "Mix=0.75"});
    ExpectSameFrames(frames, Render(3, settings, "96x64", "30", mask ? input : ""));
    EXPECT_NE(frames.substr(0, kFrameBytes), frames.substr(kFrameBytes, kFrameBytes)) << "the paint moves";
  }
}

TEST(Frei0rInFfmpeg, ValuesGivenAtTheirDefaultsKeepTheModesOwn) {
  // Every value written out, to reach "Frame Rate" by position: values at their defaults (some
  // only to six decimals) leave Smoke's own starting values (Light 0.5, not the declared 1) in
  // place, as a render that sets only "Mode" does.
  ScratchDir dir;
  const RunResult run = Ffmpeg(
      "frei0r=filter_name=swirlmoss:filter_params="
      "Smoke|0.5|0.5|0.6|n|1|0.5|0|0.1|0.333333|0.5|0.285714|0.5|n|0|0|1|1|1|n|0.5|0.1|30|auto",
      dir / "out.rgba", 2);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectSameFrames(ReadFile(dir / "out.rgba"), Render(2, {"Mode=Smoke", "Seed=0"}));
}

TEST(Frei0rInFfmpeg, AWidthOfNoMultipleOf16WorksPaddedAndCropped) {
  // Widths that Debian's ffmpeg 5.1 mishandles (322 here) get one line with the command that
  // works: the module renders the padded frame, so the result is the CLI's 336-pixel render
  // cut to 322.
  ScratchDir dir;
  RunResult run = Ffmpeg("frei0r=filter_name=swirlmoss", dir / "sheared.rgba", 1, {}, "322x64");
  EXPECT_EQ(WithoutCompileLines(run.err),
            "swirlmoss (frei0r): ffmpeg mishandles frames 322 pixels wide (not a multiple of 16): pad before the "
            "filter and crop after it, -vf \"pad=ceil(iw/16)*16:ih,frei0r=...,crop=322:ih:0:0\"\n");
  // With the mask on, the padded picture is the input: the CLI gets the same padded frames.
  ASSERT_EQ(Ffmpeg("pad=ceil(iw/16)*16:ih", dir / "padded.rgba", 2, {}, "322x64").exitCode, 0);
  const std::string padded = AsInputFiles(dir, dir / "padded.rgba", "336x64");
  for (bool mask : {false, true}) {
    const std::string values = mask ? "Smoke|0.8|0.5|0.6|n|1|0.5|0|0.1|0.333333|0.5|0.285714|0.5|n|0|0|1|1|1|y"
                                    : "Smoke|0.8";
    run = Ffmpeg("pad=ceil(iw/16)*16:ih,frei0r=filter_name=swirlmoss:filter_params=" + values + ",crop=322:ih:0:0",
                 dir / "out.rgba", 2, {}, "322x64");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(WithoutCompileLines(run.err), "");
    const std::string wide = mask ? Render(2, {"Mode=Smoke", "Time Speed=0.8", "Seed=0", "Image Mask=1"}, "336x64",
                                           "30", padded)
                                  : Render(2, {"Mode=Smoke", "Time Speed=0.8"}, "336x64");
    std::string cropped;
    for (size_t row = 0; row < wide.size() / (336 * 4); ++row) cropped += wide.substr(row * 336 * 4, 322 * 4);
    ExpectSameFrames(ReadFile(dir / "out.rgba"), cropped, 322 * 64 * 4);
  }
}

TEST(Frei0rInFfmpeg, FailuresAreOneLineAndNeverACrash) {
  ScratchDir dir;
  // No plugin: no instance, and ffmpeg says the filter failed.
  RunResult run = Ffmpeg("frei0r=filter_name=swirlmoss", dir / "none.rgba", 1,
                         {"SWIRLMOSS_PLUGIN=" + (dir / "Missing.so")});
  // ffmpeg 5.1 exits with 1, ffmpeg 7.1 with its error's low byte (234 for EINVAL); a crash
  // would end it, and timeout(1) after it, by a signal.
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.signal, 0) << "killed by signal " << run.signal;
  EXPECT_NE(run.err.find("swirlmoss (frei0r): plugin library not found (looked for " + (dir / "Missing.so") + ")"),
            std::string::npos)
      << run.err;

  // No EGL, no OpenGL 4.1, or a device that is not there: one line, and the frames pass
  // through unchanged.
  ASSERT_EQ(Ffmpeg("null", dir / "input.rgba", 2).exitCode, 0);
  const std::pair<std::string, std::string> noGl[] = {
      {"__EGL_VENDOR_LIBRARY_FILENAMES=" + (dir / "none.json"), "swirlmoss (frei0r): no EGL display"},
      {"MESA_GL_VERSION_OVERRIDE=3.3", "swirlmoss (frei0r): no OpenGL 4.1 core context"},
      {"SWIRLMOSS_DEVICE=99", "swirlmoss (frei0r): EGL device 99 does not exist"},
      {"SWIRLMOSS_DEVICE=first", "swirlmoss (frei0r): SWIRLMOSS_DEVICE: device \"first\" is not a device index"}};
  for (const auto& [environment, message] : noGl) {
    run = Ffmpeg("frei0r=filter_name=swirlmoss:filter_params=Smoke", dir / "through.rgba", 2, {environment});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    ExpectSameFrames(ReadFile(dir / "through.rgba"), ReadFile(dir / "input.rgba"));
  }
}

// melt's profile: a file without "description" crashes melt 7.12.
// melt writing `output`. Seldom, in a loaded suite run, melt's consumer stops before it asks
// the filter for a first frame: melt then either ends at once with status 0 and no frame, or
// waits for that consumer for ever. The module is idle then (its trace shows its set-up done and
// no instance made), so that is melt's own race at start; it is said here and melt runs once more.
RunResult RunMelt(const std::vector<std::string>& args, const std::string& output) {
  const HostRun first = RunHost(MELT_PATH, args, {});
  const bool noInstance = first.steps.find("f0r_init: done") != std::string::npos &&
                          first.steps.find("f0r_construct") == std::string::npos;
  if (noInstance && (first.Stalled() || (first.run.exitCode == 0 && ReadFile(output).empty()))) {
    std::fprintf(stderr, "melt %s before asking the filter for a frame (its consumer never started); again\n",
                 first.Stalled() ? "stalled" : "ended with 0");
    return Host(MELT_PATH, args);
  }
  ExpectNoStall(MELT_PATH, first);
  return first.run;
}

std::string WriteProfile(const ScratchDir& dir, int fps) {
  std::ofstream(dir / "profile") << "description=test\nframe_rate_num=" << fps
                                 << "\nframe_rate_den=1\nwidth=96\nheight=64\n"
                                    "progressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=3\n"
                                    "display_aspect_den=2\ncolorspace=709\n";
  return dir / "profile";
}

RunResult Melt(const ScratchDir& dir, const std::string& output, int realTime, std::vector<std::string> settings,
               int fps = 30, const std::string& producer = "color:gray") {
  std::vector<std::string> args = {"-quiet", "-profile", WriteProfile(dir, fps), producer, "out=11",
                                   "-filter", "frei0r.swirlmoss"};
  args.insert(args.end(), settings.begin(), settings.end());
  args.insert(args.end(), {"-consumer", "avformat:" + output, "f=rawvideo", "pix_fmt=rgba",
                           "real_time=" + std::to_string(realTime), "terminate_on_pause=1"});
  return RunMelt(args, output);
}

TEST(Frei0rInMelt, OutOfOrderRenderThreadsGiveTheFramesOfOneThreadAtTheProjectsRate) {
  // With real_time=-2, two render threads, each with its own instance, take frames out of
  // order; every frame must still be the one its time names, at the rate of the 25 fps
  // project found from those times.
  ScratchDir dir;
  const std::vector<std::string> settings = {"Mode=Smoke", "Time Speed=0.8", "Smoke Quality=1"};
  RunResult run = Melt(dir, dir / "one.rgba", -1, settings, 25);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Melt(dir, dir / "two.rgba", -2, settings, 25);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(WithoutCompileLines(run.err), "");
  const std::string one = ReadFile(dir / "one.rgba");
  ExpectSameFrames(ReadFile(dir / "two.rgba"), one);
  ExpectSameFrames(one, Render(12, {"Mode=Smoke", "Time Speed=0.8", "Smoke Quality=1"}, "96x64", "25"));

  // With the mask on, over a picture file (ffmpeg's test picture) as the clip.
  const RunResult card = tooltest::Run(FFMPEG_PATH, {"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=96x64,format=rgba",
                                           "-frames:v", "1", "-y", dir / "card.png"});
  ASSERT_EQ(card.exitCode, 0) << card.err;
  // Blended over the clip, too.
  const std::vector<std::string> masked = {"Mode=Smoke", "Time Speed=0.8", "Image Mask=1", "Blend=overlay", "Mix=0.6"};
  run = Melt(dir, dir / "masked.rgba", -2, masked, 25, dir / "card.png");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectSameFrames(ReadFile(dir / "masked.rgba"), Render(12, masked, "96x64", "25", dir / "card.png"));
}

TEST(Frei0rInMelt, ABadOptionIsOneLineAndIgnored) {
  ScratchDir dir;
  const RunResult run = Melt(dir, dir / "out.rgba", -2, {"Mode=Smok", "Seed=Seed 2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // melt sends every value before every frame, to each of its two render threads' instances:
  // still one line.
  EXPECT_EQ(WithoutCompileLines(run.err),
            "swirlmoss (frei0r): \"Smok\" is not an option of Mode; choose one of: Paint, Smoke; the value is "
            "ignored\n");
  ExpectSameFrames(ReadFile(dir / "out.rgba"), Render(12, {"Seed=Seed 2"}));
}

// `filter` empty: the test pattern (colour bars) alone.
RunResult Gstreamer(const std::string& rate, int frames, const std::string& output,
                    const std::vector<std::string>& filter = {"frei0r-filter-swirlmoss", "mode=Smoke",
                                                              "time-speed=0.8", "!"}) {
  std::vector<std::string> args = {"-q", "videotestsrc", "num-buffers=" + std::to_string(frames), "!",
                                   "video/x-raw,format=RGBA,width=96,height=64,framerate=" + rate, "!"};
  args.insert(args.end(), filter.begin(), filter.end());
  args.insert(args.end(), {"filesink", "location=" + output});
  return Host(GST_LAUNCH_PATH, args);
}

TEST(Frei0rInGStreamer, FiltersANegotiatedRgbaStreamAtItsOwnRate) {
  ScratchDir dir;
  RunResult run = Gstreamer("25/1", 5, dir / "out.rgba");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(WithoutCompileLines(run.err), "");
  ExpectSameFrames(ReadFile(dir / "out.rgba"), Render(5, {"Mode=Smoke", "Time Speed=0.8"}, "96x64", "25"));

  // With the mask on, the colour bars show through, screened with the effect.
  ASSERT_EQ(Gstreamer("25/1", 5, dir / "bars.rgba", {}).exitCode, 0);
  run = Gstreamer("25/1", 5, dir / "masked.rgba",
                  {"frei0r-filter-swirlmoss", "mode=Smoke", "time-speed=0.8", "image-mask=true", "blend=screen",
                   "mix=0.7", "!"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectSameFrames(ReadFile(dir / "masked.rgba"),
                   Render(5, {"Mode=Smoke", "Time Speed=0.8", "Image Mask=1", "Blend=screen", "Mix=0.7"}, "96x64",
                          "25", AsInputFiles(dir, dir / "bars.rgba", "96x64")));

  // Frames 0.073 s apart name no usual rate: one line, and 30 fps.
  run = Gstreamer("1000/73", 4, dir / "odd.rgba");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(WithoutCompileLines(run.err),
            "swirlmoss (frei0r): the host's frames are 0.073 s apart, which names no usual frame rate; the effect "
            "runs at 30 fps (set Frame Rate to the project's rate, such as 25 or 30000/1001)\n");
}

// Projects as the editors save them: every parameter written at the default their description
// gives (Kdenlive writes each number as a keyframe at 0, Shotcut sets every value when the
// filter is made), "Mode" Smoke and "Light" keyframed from 1.25 at frame 0 to 6.25 at frame 8
// (0.125 to 0.625 of 0..10: exact in binary, so MLT's interpolation and the CLI's agree to the
// bit). Values left at their defaults keep Smoke's own, so the frames are those of a render
// that sets only the mode and the keyframes.
const char* const kLightKeyframes = "00:00:00.000=0.125;00:00:00.320=0.625";
const std::vector<std::string> kProjectSettings = {"Mode=Smoke", "Light=0:1.25,8:6.25", "Seed=Seed 1"};

std::string XmlText(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  return escaped;
}

std::string Properties(const std::vector<std::pair<std::string, std::string>>& values) {
  std::string text;
  for (const auto& [name, value] : values) {
    text += "    <property name=\"" + name + "\">" + XmlText(value) + "</property>\n";
  }
  return text;
}

// Kdenlive's effect description: each parameter's name, type and default, in order.
std::vector<std::vector<std::string>> KdenliveParameters(const std::string& description) {
  const RunResult run = tooltest::Run(XMLLINT_PATH, {"--xpath", "//parameter/@*[name()='name' or name()='type' or name()='default']",
                                                           description});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::vector<std::string>> parameters;
  const std::regex attribute(R"re( (\w+)="([^"]*)")re");
  std::map<std::string, std::string> current;
  for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), attribute); it != std::sregex_iterator(); ++it) {
    current[(*it)[1]] = std::regex_replace(std::string((*it)[2]), std::regex("&apos;"), "'");
    if (current.size() == 3) {
      parameters.push_back({current["name"], current["type"], current["default"]});
      current.clear();
    }
  }
  return parameters;
}

// Shotcut's panel: the lists of names and defaults it sets on a new filter.
std::vector<std::pair<std::string, std::string>> ShotcutDefaults() {
  const std::string panel = ReadFile(EDITORS_DIR "/shotcut/swirlmoss/ui_swirlmoss.qml");
  const auto list = [&](const std::string& name) {
    const size_t at = panel.find(" " + name + ": [") + name.size() + 4;
    std::vector<std::string> items;
    const std::string body = panel.substr(at, panel.find("]\n", at) - at);
    const std::regex item(R"re('([^']*)'|([-0-9.e]+))re");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), item); it != std::sregex_iterator(); ++it) {
      items.push_back((*it)[1].matched ? (*it)[1] : (*it)[2]);
    }
    return items;
  };
  const std::vector<std::string> names = list("moduleParameters"), defaults = list("defaults");
  EXPECT_EQ(names.size(), defaults.size());
  std::vector<std::pair<std::string, std::string>> values;
  for (size_t i = 0; i < names.size() && i < defaults.size(); ++i) values.push_back({names[i], defaults[i]});
  return values;
}

const char* const kProfile =
    "  <profile description=\"test\" width=\"96\" height=\"64\" progressive=\"1\" sample_aspect_num=\"1\" "
    "sample_aspect_den=\"1\" display_aspect_num=\"3\" display_aspect_den=\"2\" frame_rate_num=\"25\" "
    "frame_rate_den=\"1\" colorspace=\"709\"/>\n";

// With a look's entry (`look`), the project keeps every default as that entry gives it.
std::string KdenliveProject(const std::string& look = "") {
  const std::string id = "frei0r.swirlmoss" + (look.empty() ? "" : "." + look);
  std::vector<std::pair<std::string, std::string>> values = {{"mlt_service", "frei0r.swirlmoss"}, {"kdenlive_id", id}};
  for (const auto& parameter : KdenliveParameters(EDITORS_DIR "/kdenlive/frei0r_swirlmoss" + (look.empty() ? "" : "_" + look) + ".xml")) {
    const std::string& name = parameter[0];
    std::string value = parameter[2];
    if (parameter[1] == "animated") value = "00:00:00.000=" + value;
    if (name == "Mode" && look.empty()) value = "1";  // the list's value for Smoke
    if (name == "Light" && look.empty()) value = kLightKeyframes;
    values.push_back({name, value});
  }
  values.push_back({"kdenlive:collapsed", "0"});
  return std::string("<?xml version='1.0' encoding='utf-8'?>\n<mlt LC_NUMERIC=\"C\" producer=\"main_bin\" version=\"7.12.0\">\n") +
         kProfile +
         "  <producer id=\"producer0\" in=\"00:00:00.000\" out=\"00:00:00.440\">\n"
         "    <property name=\"length\">12</property>\n    <property name=\"eof\">pause</property>\n"
         "    <property name=\"resource\">0x808080ff</property>\n    <property name=\"mlt_service\">color</property>\n"
         "    <property name=\"kdenlive:id\">2</property>\n  </producer>\n"
         "  <playlist id=\"playlist0\">\n"
         "   <entry producer=\"producer0\" in=\"00:00:00.000\" out=\"00:00:00.440\">\n"
         "   <filter id=\"filter0\">\n" +
         Properties(values) +
         "   </filter>\n   </entry>\n  </playlist>\n"
         "  <tractor id=\"tractor0\" in=\"00:00:00.000\" out=\"00:00:00.440\">\n    <track producer=\"playlist0\"/>\n"
         "  </tractor>\n</mlt>\n";
}

std::string ShotcutProject() {
  std::vector<std::pair<std::string, std::string>> values = {{"mlt_service", "frei0r.swirlmoss"},
                                                             {"shotcut:filter", "swirlmoss"}};
  for (auto [name, value] : ShotcutDefaults()) {
    if (name == "Mode") value = "Smoke";
    if (name == "Light") value = kLightKeyframes;
    if (name == "Frame Rate") value = "25";  // the panel sets the project's rate
    values.push_back({name, value});
  }
  return std::string("<?xml version=\"1.0\" standalone=\"no\"?>\n<mlt LC_NUMERIC=\"C\" version=\"7.12.0\" "
                     "title=\"Shotcut version 22.12.21\" producer=\"main_bin\">\n") +
         kProfile +
         "  <playlist id=\"main_bin\">\n    <property name=\"xml_retain\">1</property>\n  </playlist>\n"
         "  <producer id=\"producer0\" in=\"00:00:00.000\" out=\"00:00:00.440\">\n"
         "    <property name=\"length\">00:00:00.480</property>\n    <property name=\"eof\">pause</property>\n"
         "    <property name=\"resource\">#ff808080</property>\n    <property name=\"mlt_service\">color</property>\n"
         "    <property name=\"shotcut:caption\">#ff808080</property>\n"
         "    <filter id=\"filter0\" out=\"00:00:00.440\">\n" +
         Properties(values) +
         "    </filter>\n  </producer>\n"
         "  <playlist id=\"playlist0\">\n    <property name=\"shotcut:video\">1</property>\n"
         "    <entry producer=\"producer0\" in=\"00:00:00.000\" out=\"00:00:00.440\"/>\n  </playlist>\n"
         "  <tractor id=\"tractor0\" title=\"Shotcut\" in=\"00:00:00.000\" out=\"00:00:00.440\">\n"
         "    <property name=\"shotcut\">1</property>\n    <track producer=\"playlist0\"/>\n  </tractor>\n</mlt>\n";
}

TEST(Frei0rInEditorProjects, KdenliveAndShotcutProjectsRenderAsTheCliWithTheSameValues) {
  ScratchDir dir;
  const std::string expected = Render(12, kProjectSettings, "96x64", "25");
  for (const auto& [editor, project] : {std::pair<std::string, std::string>{"kdenlive", KdenliveProject()},
                                        {"shotcut", ShotcutProject()}}) {
    SCOPED_TRACE(editor);
    const std::string file = dir / (editor + ".mlt"), output = dir / (editor + ".rgba");
    std::ofstream(file) << project;
    const RunResult run = RunMelt({"-quiet", file, "-consumer", "avformat:" + output, "f=rawvideo", "pix_fmt=rgba",
                                   "real_time=-1", "terminate_on_pause=1"},
                                  output);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(WithoutCompileLines(run.err), "");
    ExpectSameFrames(ReadFile(output), expected);
  }
  // The keyframes move the light: the first and last frames differ from a constant Light.
  EXPECT_NE(expected.substr(11 * kFrameBytes), Render(12, {"Mode=Smoke", "Light=1.25", "Seed=Seed 1"}, "96x64", "25").substr(11 * kFrameBytes));
}

// A look's own Kdenlive entry, left as it comes, renders the look as --preset does, over the clip.
TEST(Frei0rInEditorProjects, AKdenliveLookEntryRendersAsThePreset) {
  ScratchDir dir;
  const std::string file = dir / "look.mlt", output = dir / "look.rgba";
  std::ofstream(file) << KdenliveProject("searchlights");
  const RunResult run = RunMelt({"-quiet", file, "-consumer", "avformat:" + output, "f=rawvideo", "pix_fmt=rgba",
                                 "real_time=-1", "terminate_on_pause=1"},
                                output);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string grey;
  for (size_t i = 0; i < 12 * kFrameBytes / 4; ++i) grey += "\x80\x80\x80\xff";
  std::ofstream(dir / "grey.rgba", std::ios::binary) << grey;
  const std::string input = AsInputFiles(dir, dir / "grey.rgba", "96x64");
  ExpectSameFrames(ReadFile(output), Render(12, {}, "96x64", "25", input, "searchlights"));
}

TEST(Frei0rInEditorProjects, AKeyframedTimeSpeedFollowsTheKeyframesFromTheStartAndTheSeekedFrameAfterASeek) {
  // The clock integrates "Time Speed": rendered from frame 0, frame 8 is that of the ramp;
  // rendered alone (an editor's seek to the clip's frame 8 on its track), the frames skipped to
  // reach it run at frame 8's value.
  ScratchDir dir;
  const std::string project =
      std::string("<?xml version=\"1.0\"?>\n<mlt LC_NUMERIC=\"C\">\n") + kProfile +
      "  <producer id=\"producer0\" in=\"0\" out=\"11\">\n    <property name=\"length\">12</property>\n"
      "    <property name=\"resource\">0x808080ff</property>\n    <property name=\"mlt_service\">color</property>\n"
      "    <filter id=\"filter0\">\n" +
      Properties({{"mlt_service", "frei0r.swirlmoss"}, {"Mode", "Smoke"}, {"Time Speed", "0=0;8=1"}, {"Frame Rate", "25"}}) +
      "    </filter>\n  </producer>\n"
      "  <playlist id=\"playlist0\">\n    <entry producer=\"producer0\" in=\"0\" out=\"11\"/>\n  </playlist>\n"
      "  <tractor id=\"tractor0\">\n    <track producer=\"playlist0\"/>\n  </tractor>\n</mlt>\n";
  std::ofstream(dir / "ramp.mlt") << project;
  const auto melt = [&](const std::vector<std::string>& range, const std::string& output) {
    std::vector<std::string> args = {"-quiet", dir / "ramp.mlt"};
    args.insert(args.end(), range.begin(), range.end());
    args.insert(args.end(), {"-consumer", "avformat:" + output, "f=rawvideo", "pix_fmt=rgba", "real_time=-1",
                             "terminate_on_pause=1"});
    const RunResult run = RunMelt(args, output);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return ReadFile(output);
  };
  const std::string inOrder = melt({}, dir / "all.rgba");
  const std::string seeked = melt({"in=8", "out=8"}, dir / "one.rgba");
  ExpectSameFrames(inOrder.substr(0, 9 * kFrameBytes),
                   Render(9, {"Mode=Smoke", "Time Speed=0:0,8:1", "Seed=Seed 1"}, "96x64", "25"));
  ExpectSameFrames(seeked, Render(9, {"Mode=Smoke", "Time Speed=1", "Seed=Seed 1"}, "96x64", "25").substr(8 * kFrameBytes));
  EXPECT_NE(seeked, inOrder.substr(8 * kFrameBytes, kFrameBytes));
}

}  // namespace
