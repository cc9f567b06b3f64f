// The swirlmoss CLI end to end, run as a separate process on the real plugin: what it
// writes, how the pictures lie, and how every bad input fails.

#include <ImfRgbaFile.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/image/test_card.h"

namespace {

using tooltest::PngOnDisk;
using tooltest::Run;
using tooltest::RunResult;
using tooltest::ScratchDir;

constexpr int kW = 64;
constexpr int kH = 36;

RunResult Swirlmoss(std::vector<std::string> args, const std::vector<std::string>& environment = {}) {
  return Run(SWIRLMOSS_CLI_PATH, args, environment);
}

// Standard error without the two lines that, without a terminal, go around the first frame.
std::string WithoutCompileLines(const std::string& err) {
  std::string kept;
  size_t start = 0;
  while (start < err.size()) {
    const size_t end = std::min(err.find('\n', start), err.size() - 1) + 1;
    const std::string line = err.substr(start, end - start);
    if (line.rfind("swirlmoss: first frame", 0) != 0) kept += line;
    start = end;
  }
  return kept;
}

#ifdef SWIRLMOSS_INHERITED_ASAN_OPTION
// Started the way the swirlmoss program is, a process sees the sanitizer settings of the
// test: without them LeakSanitizer's tracer can crash in the CLI on the GL driver's TLS.
TEST(CliUnderSanitizers, StartedProgramsInheritTheSanitizerSettings) {
  const RunResult run = tooltest::Run("/usr/bin/env", {}, {});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find(SWIRLMOSS_INHERITED_ASAN_OPTION), std::string::npos) << run.out;
}
#endif

// A render at the small test size, unless `more` gives its own.
std::vector<std::string> Render(const std::string& output, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"render", "-o", output};
  if (std::find(more.begin(), more.end(), "--size") == more.end()) {
    args.insert(args.end(), {"--size", std::to_string(kW) + "x" + std::to_string(kH)});
  }
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(CliRender, WritesOnePngOfTheRequestedSize) {
  ScratchDir dir;
  const RunResult run = Swirlmoss(Render(dir / "still.png", {"--set", "Seed=Seed 2"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"still.png"});
  PngOnDisk png;
  ASSERT_TRUE(tooltest::LoadPng(dir / "still.png", png));
  EXPECT_EQ(png.width, kW);
  EXPECT_EQ(png.height, kH);
  EXPECT_EQ(png.At(kW / 2, kH / 2)[3], 255) << "without the mask every pixel is opaque";
  // Standard error is no terminal here. A cold shader cache makes the first frame wait, and the
  // wait and its end are said; with the cache warm (after the render above) only the result is.
  if (run.err.rfind("swirlmoss: first frame: the GL driver is compiling the effect's shader", 0) == 0) {
    EXPECT_NE(run.err.find("\nswirlmoss: first frame ready after "), std::string::npos) << run.err;
  }
  const RunResult warm = Swirlmoss(Render(dir / "still.png", {"--set", "Seed=Seed 2"}));
  ASSERT_EQ(warm.exitCode, 0) << warm.err;
  EXPECT_EQ(warm.err.rfind("swirlmoss: wrote " + dir / "still.png" + " (64x36, 1 frame) in ", 0), 0u) << warm.err;
  EXPECT_EQ(tooltest::LineCount(warm.err), 1) << warm.err;
}

TEST(CliRender, ARenderNamesItsSeedAndPiecesMustSetOne) {
  ScratchDir dir;
  // Paint draws the seed at random for each run: the last line says which, and how to repeat it.
  const RunResult drawn = Swirlmoss(Render(dir / "a.png", {}));
  ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
  const size_t at = drawn.err.find("(add --set \"Seed=");
  ASSERT_NE(at, std::string::npos) << drawn.err;
  const std::string seed = drawn.err.substr(at + 17, drawn.err.find('"', at + 17) - at - 17);
  EXPECT_NE(drawn.err.find(", " + seed + " (add --set \"Seed=" + seed + "\" to repeat it)\n"), std::string::npos)
      << drawn.err;
  const RunResult again = Swirlmoss(Render(dir / "b.png", {"--set", "Seed=" + seed}));
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(again.err.find(", " + seed + "\n"), std::string::npos) << again.err;
  PngOnDisk a, b;
  ASSERT_TRUE(tooltest::LoadPng(dir / "a.png", a) && tooltest::LoadPng(dir / "b.png", b));
  EXPECT_TRUE(a.rgba == b.rgba) << "the same seed draws the same picture";

  // Pieces of a split render are separate runs: in Paint each needs the seed given.
  for (const std::vector<std::string>& piece : {std::vector<std::string>{"--start", "1"}, {"--count", "1"}}) {
    std::vector<std::string> args = {"--frames", "2"};
    args.insert(args.end(), piece.begin(), piece.end());
    const RunResult refused = Swirlmoss(Render(dir / "p.png", args));
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_EQ(tooltest::LineCount(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find("add --set \"Seed=Seed 1\""), std::string::npos) << refused.err;
    args.insert(args.end(), {"--set", "Mode=Smoke"});
    EXPECT_EQ(Swirlmoss(Render(dir / "p.png", args)).exitCode, 0) << "Smoke draws no seed";
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.png", "b.png", "p.png"}));
}

TEST(CliRender, TheMaskCutsTheTestCardsHoleUpright) {
  ScratchDir dir;
  // A mask power of 0 keeps all but black and transparent input: only the card's hole is cut.
  const RunResult run = Swirlmoss(Render(dir / "masked.png", {"--set", "Image Mask=1", "--set", "Mask Power=0",
                                                               "--set", "Mask Threshold=0.01"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  PngOnDisk png;
  ASSERT_TRUE(tooltest::LoadPng(dir / "masked.png", png));
  const int holeX = static_cast<int>(hostkit::TestCardHole::kCentreX * kW);
  const int holeY = static_cast<int>(hostkit::TestCardHole::kCentreY * kH);  // from the top
  EXPECT_EQ(png.At(holeX, holeY)[3], 0) << "the hole is cut and stays cleared";
  EXPECT_EQ(png.At(holeX, holeY)[0], 0);
  EXPECT_GT(png.At(holeX, kH - 1 - holeY)[3], 100) << "the mirrored spot is kept: the file is not upside down";
  EXPECT_GT(png.At(kW - 4, holeY)[3], 100);
}

TEST(CliRender, MovAndWebmKeepTheMaskedHoleTransparent) {
  if (!hostkit::VideoOutputAvailable()) GTEST_SKIP() << "ffmpeg is not installed here";
  ScratchDir dir;
  const int holeX = static_cast<int>(hostkit::TestCardHole::kCentreX * kW);
  const int holeY = static_cast<int>(hostkit::TestCardHole::kCentreY * kH);
  for (const char* name : {"masked.mov", "masked.webm"}) {
    const RunResult run = Swirlmoss(Render(dir / name, {"--frames", "2", "--set", "Image Mask=1", "--set",
                                                        "Mask Power=0", "--set", "Mask Threshold=0.01"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    PngOnDisk frame;
    ASSERT_TRUE(tooltest::DecodeFirstFrame(dir / name, kW, kH, frame)) << name;
    EXPECT_LE(frame.At(holeX, holeY)[3], 2) << name;
    EXPECT_GT(frame.At(holeX, kH - 1 - holeY)[3], 100) << name;
  }
}

TEST(CliRender, CtrlCDuringAVideoLeavesNothing) {
  if (!hostkit::VideoOutputAvailable()) GTEST_SKIP() << "ffmpeg is not installed here";
  ScratchDir dir;
  // 130, as for a program that Ctrl-C ended: it was still running, and stopped cleanly.
  const std::string size = std::to_string(kW) + "x" + std::to_string(kH);
  const RunResult run = tooltest::RunInterrupted(
      SWIRLMOSS_CLI_PATH, {"render", "-o", dir / "clip.webm", "--size", size, "--frames", "1000000"}, 3);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(CliRender, ASecondCtrlCDuringTheCleanupOfTheFirstStillLeavesNothing) {
  // The second interrupt ends the program at once, by the signal itself; it removes the
  // pending clip and stops the encoder instead of cutting the first one's cleanup short.
  ScratchDir dir;
  const std::string size = std::to_string(kW) + "x" + std::to_string(kH);
  const RunResult run = tooltest::RunInterrupted(
      SWIRLMOSS_CLI_PATH, {"render", "-o", dir / "clip.webm", "--size", size, "--frames", "1000000"}, 3, true);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the killed encoder is gone
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(CliRender, RawFramesAreExactlyTheirPixelsOnStandardOutput) {
  const RunResult run = Swirlmoss(Render("-", {"--frames", "3"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.size(), size_t{3} * kW * kH * 4);
  EXPECT_NE(run.err.find("wrote raw RGBA to standard output (64x36, 3 frames)"), std::string::npos) << run.err;
}

TEST(CliRender, SequencesVideoAndFloatImages) {
  ScratchDir dir;
  RunResult run = Swirlmoss(Render(dir / "f_%02d.png", {"--frames", "3", "--set", "Spot Spin=0..1"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  if (hostkit::VideoOutputAvailable()) {
    run = Swirlmoss(Render(dir / "clip.mp4", {"--frames", "3", "--fps", "24"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GT(std::filesystem::file_size(dir / "clip.mp4"), 0u);
  }
  // Smoke with a strong light goes above 1; the float image keeps it.
  run = Swirlmoss(Render(dir / "hdr.exr", {"--set", "Mode=Smoke", "--set", "Light=10"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Imf::RgbaInputFile file((dir / "hdr.exr").c_str());
  std::vector<Imf::Rgba> pixels(kW * kH);
  file.setFrameBuffer(pixels.data(), 1, kW);
  file.readPixels(0, kH - 1);
  float brightest = 0.0f;
  for (const auto& p : pixels) brightest = std::max({brightest, float(p.r), float(p.g), float(p.b)});
  EXPECT_GT(brightest, 1.0f);
  std::vector<std::string> expected = {"f_00.png", "f_01.png", "f_02.png", "hdr.exr"};
  if (hostkit::VideoOutputAvailable()) expected.insert(expected.begin(), "clip.mp4");
  EXPECT_EQ(dir.Entries(), expected);
}

TEST(CliRender, AFailedSequenceKeepsItsFramesAndResumeRendersTheRestExactly) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "whole");
  std::filesystem::create_directories(dir / "part/f_0005.png");  // in the way of frame 5, as a full disk
  auto render = [&](const std::string& folder, std::vector<std::string> more) {
    more.insert(more.end(), {"--frames", "8", "--jobs", "3", "--set", "Seed=Seed 3", "--set", "Spot Spin=0..1"});
    return Swirlmoss(Render(dir / (folder + "/f_%04d.png"), more));
  };
  ASSERT_EQ(render("whole", {}).exitCode, 0);
  RunResult run = render("part", {});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(tooltest::LineCount(WithoutCompileLines(run.err)), 1) << run.err;
  EXPECT_NE(run.err.find("kept 5 finished frames of 8 in " + dir / "part" +
                         ", each a whole file: run the same command with --resume to render the rest\n"),
            std::string::npos)
      << run.err;
  std::filesystem::remove(dir / "part/f_0005.png");
  std::ofstream(dir / "part/f_0002.png", std::ios::trunc).close();  // a leftover cut to nothing
  run = render("part", {"--resume"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("4 frames of " + dir / "part/f_%04d.png" + " are whole; rendering the other 4 (" +
                         dir / "part/f_0002.png" + " is empty: rendered again)"),
            std::string::npos)
      << run.err;
  for (int frame = 0; frame < 8; ++frame) {
    const std::string name = "/f_000" + std::to_string(frame) + ".png";
    EXPECT_EQ(tooltest::Slurp(dir / "part" + name), tooltest::Slurp(dir / "whole" + name)) << name;
  }
  run = render("part", {"--resume"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("all 8 frames of " + dir / "part/f_%04d.png" + " are whole already"), std::string::npos);
  // Only a sequence keeps its finished frames.
  run = Swirlmoss(Render(dir / "clip.mp4", {"--resume"}));
  EXPECT_EQ(run.exitCode, 2) << run.err;
}

// The renderer that `-v` names in a render's error stream, without its OpenGL version and platform.
std::string RendererOf(const std::string& err) {
  const std::string tag = "swirlmoss: renderer: ";
  const size_t from = err.find(tag);
  if (from == std::string::npos) return "";
  return err.substr(from + tag.size(), err.find(", OpenGL ", from) - from - tag.size());
}

TEST(CliDevices, TheFirstDeviceAndTheAutomaticChoiceRender) {
  // True on any machine, a GPU's or one with Mesa's software rasteriser alone: every listed
  // device gives a context, the first renders, and where the automatic choice lands on the
  // same renderer the picture is the same.
  const RunResult list = Swirlmoss({"devices"});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out.find("context: none"), std::string::npos) << list.out;
  ASSERT_NE(list.out.find("\n0  "), std::string::npos) << "no device listed: " << list.out;
  EXPECT_EQ(list.out.find("Automatic choice (--device auto): none"), std::string::npos) << list.out;

  ScratchDir dir;
  const RunResult onDevice = Swirlmoss(Render(dir / "device.png", {"--device", "0", "-v", "--set", "Seed=Seed 3"}));
  ASSERT_EQ(onDevice.exitCode, 0) << onDevice.err;
  EXPECT_NE(onDevice.err.find(", on EGL device 0"), std::string::npos) << onDevice.err;
  EXPECT_NE(list.out.find("renderer " + RendererOf(onDevice.err) + "; OpenGL"), std::string::npos)
      << "devices and render name the same renderer: " << list.out << onDevice.err;
  const RunResult automatic = Swirlmoss(Render(dir / "auto.png", {"--verbose", "--set", "Seed=Seed 3"}));
  ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
  ASSERT_FALSE(RendererOf(automatic.err).empty()) << automatic.err;
  if (RendererOf(automatic.err) == RendererOf(onDevice.err)) {
    PngOnDisk a, b;
    ASSERT_TRUE(tooltest::LoadPng(dir / "device.png", a));
    ASSERT_TRUE(tooltest::LoadPng(dir / "auto.png", b));
    EXPECT_EQ(a.rgba, b.rgba);
  }
}

TEST(CliRender, AFileSizeLimitStopsTheRenderWithOneLineAndNoFiles) {
  ScratchDir dir;
  // ulimit -f counts 512-byte blocks in dash, 1 KiB in bash: either way far below a frame.
  std::vector<std::string> args = {"-c", "ulimit -f 8 && exec \"$0\" \"$@\"", SWIRLMOSS_CLI_PATH};
  for (auto& arg : Render(dir / "f_%d.png", {"--frames", "3", "--size", "256x144", "--jobs", "2"})) {
    args.push_back(arg);
  }
  const RunResult run = tooltest::Run("/bin/sh", args);
  EXPECT_EQ(run.exitCode, 1) << "a file size limit must be a write error, not SIGXFSZ: " << run.err;
  EXPECT_EQ(tooltest::LineCount(WithoutCompileLines(run.err)), 1) << run.err;
  EXPECT_NE(run.err.find("error: frame 0: writing"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(CliRender, AVideoEncoderCutOffByAFileSizeLimitFailsTheRenderAndLeavesNoFile) {
  // The encoder gets default signal dispositions (this host ignores SIGXFSZ for itself), and a
  // clip that does not read back with every frame never takes its final name.
  for (const char* output : {"u.mp4", "u.webm"}) {
    ScratchDir dir;
    std::vector<std::string> args = {"-c", "ulimit -f 8 && exec \"$0\" \"$@\"", SWIRLMOSS_CLI_PATH};
    for (auto& arg : Render(dir / output, {"--frames", "20", "--size", "160x96"})) args.push_back(arg);
    const RunResult run = tooltest::Run("/bin/sh", args);
    EXPECT_EQ(run.exitCode, 1) << output << ": " << run.err;
    EXPECT_EQ(tooltest::LineCount(WithoutCompileLines(run.err)), 1) << run.err;
    EXPECT_NE(run.err.find("ffmpeg"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("for a long render write a PNG or EXR sequence"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.Entries().empty()) << output;
  }
}

TEST(CliLooks, EveryShippedLookIsListedAndRendersByNameAsItsFileDoes) {
  std::vector<std::string> shipped;
  for (const auto& entry : std::filesystem::directory_iterator(SWIRLMOSS_LOOKS_DIR)) {
    shipped.push_back(entry.path().stem().string());
  }
  ASSERT_GE(shipped.size(), 8u);
  const RunResult listing = Swirlmoss({"looks"});
  ASSERT_EQ(listing.exitCode, 0) << listing.err;
  for (const auto& name : shipped) EXPECT_NE(listing.out.find(name + " "), std::string::npos) << name;

  ScratchDir dir;
  const RunResult byName = Swirlmoss(Render(dir / "name.png", {"--preset", "EMBERS", "--frames", "2"}));
  const RunResult byFile =
      Swirlmoss(Render(dir / "file.png", {"--preset", std::string(SWIRLMOSS_LOOKS_DIR) + "/embers.json", "--frames", "2"}));
  ASSERT_EQ(byName.exitCode, 0) << byName.err;
  ASSERT_EQ(byFile.exitCode, 0) << byFile.err;
  PngOnDisk a, b;
  ASSERT_TRUE(tooltest::LoadPng(dir / "name.png", a));
  ASSERT_TRUE(tooltest::LoadPng(dir / "file.png", b));
  EXPECT_EQ(a.rgba, b.rgba);

  const RunResult unknown = Swirlmoss(Render(dir / "none.png", {"--preset", "ember"}));
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(tooltest::LineCount(unknown.err), 1) << unknown.err;
  EXPECT_NE(unknown.err.find("embers"), std::string::npos) << "the looks are listed: " << unknown.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "none.png"));
}

TEST(CliBench, TheOutputBenchmarkCoversEveryOutputSaysItsClocksAndCleansUp) {
  ScratchDir temporary;
  const RunResult run = Swirlmoss({"bench", "--io", "--io-size", "64x36", "--io-frames", "3", "--jobs", "2"},
                                  {"TMPDIR=" + temporary.Path()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected : {"Renderer: ", "wall time around glFinish", "PNG, one thread", "PNG, pool",
                               "EXR, pool", "raw (/dev/null)", "PNG with the pool of 2 threads"}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in:\n" << run.out;
  }
  EXPECT_TRUE(temporary.Entries().empty()) << "the benchmark's scratch folder was left behind";
}

TEST(CliInfo, JsonListsEveryParameterAsEachModeShowsIt) {
  const RunResult run = Swirlmoss({"info", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["info"]["uniqueId"], "QAWM");
  EXPECT_EQ(info["capabilities"]["maxInputs"], 1);
  const auto& parameters = info["parameters"];
  ASSERT_EQ(parameters.size(), 24u);  // the plugin's 22, then the host's Blend and Mix
  EXPECT_EQ(parameters[22]["name"], "Blend");
  EXPECT_EQ(parameters[23]["name"], "Mix");
  EXPECT_EQ(parameters[0]["elements"][1]["name"], "Smoke");
  EXPECT_EQ(parameters[5]["modes"]["Paint"]["displayName"], "Paint R");
  EXPECT_EQ(parameters[5]["modes"]["Smoke"]["displayName"], "Ambient R");
  EXPECT_EQ(parameters[14]["modes"]["Paint"]["visible"], true);
  EXPECT_EQ(parameters[14]["modes"]["Smoke"]["visible"], false);
  EXPECT_EQ(parameters[8]["range"]["max"], 10.0);
}

TEST(CliHelp, EverySubcommandHasHelpAndRenderExplainsTheModeRule) {
  for (const char* command : {"info", "render", "bench", "demo"}) {
    const RunResult run = Swirlmoss({command, "--help"});
    EXPECT_EQ(run.exitCode, 0) << command;
    EXPECT_NE(run.out.find("--plugin"), std::string::npos) << command;
  }
  const RunResult render = Swirlmoss({"render", "--help"});
  EXPECT_NE(render.out.find("sets \"Mode\" first"), std::string::npos) << render.out;
  EXPECT_NE(Swirlmoss({}).exitCode, 0);
}

// The window is another package's module: without it the program still explains preview's
// options, running it names the package to install, and a library that is not the module is
// refused; each in one line.
TEST(CliHelp, PreviewWithoutItsModuleExplainsItselfAndNamesThePackage) {
  ScratchDir dir;
  const std::string program = dir / "swirlmoss";
  std::filesystem::copy_file(SWIRLMOSS_CLI_PATH, program);
  const RunResult help = tooltest::Run(program, {"preview", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--camera"), std::string::npos) << help.out;
  const RunResult missing = tooltest::Run(program, {"preview", "--exit-after", "1"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(tooltest::LineCount(missing.err), 1) << missing.err;
  EXPECT_NE(missing.err.find("(apt install swirlmoss-preview)"), std::string::npos) << missing.err;
  std::filesystem::copy_file(FAKE_NO_ENTRY_PATH, dir / "swirlmoss-preview.so");
  const RunResult foreign = tooltest::Run(program, {"preview", "--exit-after", "1"});
  EXPECT_EQ(foreign.exitCode, 1);
  EXPECT_EQ(tooltest::LineCount(foreign.err), 1) << foreign.err;
  EXPECT_NE(foreign.err.find("is not a swirlmoss preview module"), std::string::npos) << foreign.err;
}

TEST(CliErrors, EveryBadInputIsOneLineANonZeroExitAndNoFile) {
  ScratchDir fixtures;
  std::ofstream(fixtures / "corrupt.png") << "\x89PNG\r\n\x1a\n not really";
  std::ofstream(fixtures / "text.so") << "not a library";
  std::ofstream(fixtures / "file") << "x";
  std::ofstream(fixtures / "twice.json") << R"({"parameters": {"Light": 1, "Light": 9}})";
  std::ofstream(fixtures / "comma.json") << "{\"parameters\": {\n  \"Light\": 1,\n}}";
  const struct {
    std::vector<std::string> args;
    const char* expected;
    std::vector<std::string> environment;
  } cases[] = {
      {{"--set", "Lite=2"}, "unknown parameter \"Lite\"", {}},
      {{"--set", "Mode=Fog"}, "choose one of: Paint, Smoke", {}},
      {{"--set", "Seed=11"}, "\"11\" is not an option of Seed", {}},
      {{"--set", "Light=abc"}, "\"abc\" is not a number", {}},
      {{"--set", "Light=1.."}, "malformed ramp", {}},
      {{"--set", "Light=0:1,x"}, "malformed keyframe list", {}},
      {{"--input", fixtures / "none.png"}, "input file not found", {}},
      {{"--input", fixtures / "corrupt.png"}, "not a readable PNG", {}},
      {{"--plugin", fixtures / "none.so"}, "plugin library not found", {}},
      {{"--plugin", fixtures / "text.so"}, "not a loadable shared library", {}},
      {{"--plugin", FAKE_NO_ENTRY_PATH}, "no plugMain", {}},
      {{"--plugin", FAKE_CREATE_FAILS_PATH}, "could not create an instance", {}},
      {{}, "no EGL display", {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"}},
      {{}, "no OpenGL 4.1 core context", {"MESA_GL_VERSION_OVERRIDE=3.3"}},
      {{"--device", "7"}, "EGL device 7 does not exist: this machine has", {}},
      {{"--device", "gpu"}, "is not a device index", {}},
      {{"--jobs", "-2"}, "use 1 or more threads", {}},
      {{"--size", "0x36"}, "has no pixels", {}},
      {{"--size", "999999x36"}, "beyond this GL's limit", {}},
      {{"--size", "wide"}, "is not WIDTHxHEIGHT", {}},
      {{"--frames", "0"}, "render at least 1 frame", {}},
      {{"--frames", "many"}, "many", {}},
      {{"--preset", fixtures / "twice.json"}, "\"Light\" is given twice in one object", {}},
      {{"--preset", fixtures / "comma.json"}, "is not valid JSON (line 3, column 1)", {}},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const RunResult run = Swirlmoss(Render(dir / "out.png", c.args), c.environment);
    const std::string what = c.args.empty() ? c.environment[0] : c.args.back();
    EXPECT_NE(run.exitCode, 0) << what;
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << what << ": " << run.err;
    EXPECT_EQ(run.err.rfind("swirlmoss: error: ", 0), 0u) << what << ": " << run.err;
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << what << ": " << run.err;
    EXPECT_TRUE(dir.Entries().empty()) << what;
  }
  const struct {
    std::string output;
    const char* expected;
  } outputs[] = {
      {fixtures / "missing/out.png", "output directory does not exist"},
      {fixtures / "file/out.png", "is not a directory"},
      {fixtures / "out.avi", "NAME.mov, NAME.webm"},  // an unknown output type lists the accepted ones
      {"/sys/out.png", "output directory is not writable"},  // sysfs takes no new files, even from root
      {fixtures / (std::string(252, 'n') + ".png"), "output file name is too long: 256 bytes"},
  };
  for (const auto& c : outputs) {
    const RunResult run = Swirlmoss(Render(c.output));
    EXPECT_NE(run.exitCode, 0) << c.output;
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
  }
  EXPECT_EQ(fixtures.Entries(), (std::vector<std::string>{"comma.json", "corrupt.png", "file", "text.so", "twice.json"}));
  // The longest name a file system takes is written (its hidden name while writing is shorter).
  const std::string longest = std::string(251, 'n') + ".png";
  const RunResult run = Swirlmoss(Render(fixtures / longest, {"--set", "Seed=Seed 2"}));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> written = fixtures.Entries();
  EXPECT_NE(std::find(written.begin(), written.end(), longest), written.end());
}

TEST(CliErrors, AMistypedCommandOptionParameterOrLookNamesTheNearestValidOnes) {
  ScratchDir dir;
  const struct {
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {{"rendr"}, "unknown command \"rendr\"; did you mean render? (swirlmoss COMMAND [OPTIONS], where COMMAND is "
                  "one of info, render, bench, demo, devices, preview or looks)"},
      {{}, "no command given: swirlmoss COMMAND"},
      {Render(dir / "out.png", {"--sett", "Light=2"}), "unknown option --sett for render; did you mean --set?"},
      {Render(dir / "out.png", {"--out=x.png"}), "unknown option --out for render; did you mean --output?"},
      {Render(dir / "out.png", {"--colour"}), "unknown option --colour for render (swirlmoss render --help lists"},
      {{"bench", "--fram", "3"}, "unknown option --fram for bench; did you mean --frames?"},
      {Render(dir / "out.png", {"--set", "ligth=3"}), "unknown parameter \"ligth\" in --set \"ligth=3\"; did you mean "
                                                     "\"Light\"?"},
      {Render(dir / "out.png", {"--preset", "embrs"}), "--preset embrs: no such preset file or look; did you mean embers?"},
      {Render(dir / "out.png", {"Light=2"}), "render does not take \"Light=2\" there: each value follows its option"},
  };
  for (const auto& c : cases) {
    const RunResult run = Swirlmoss(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.expected;
    EXPECT_EQ(run.err.rfind("swirlmoss: error: ", 0), 0u) << run.err;
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
  }
  EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
