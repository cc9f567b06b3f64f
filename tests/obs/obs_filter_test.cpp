// The Swirlmoss filter inside libobs: frames over a colour source and over the test card
// compared with `swirlmoss render` of the same input and values, at two sizes; the clock
// across hiding and Restart; the controls following "Mode"; no readback in the filter's frame.
// One OBS per process: the suite shares it, and the plugin-less case runs as its own test.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/obs/obs_session.h"
#include "tests/support/tool_test_util.h"
#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/image/test_card.h"

namespace {

using obstest::Frame;
using obstest::ObsSession;
using obstest::OutputScene;

// A still colour source of 0xFF3366CC (OBS's ABGR word): R 204, G 102, B 51.
constexpr uint8_t kRed = 204, kGreen = 102, kBlue = 51;
constexpr double kWaitSeconds = 120.0;  // a cold shader cache costs llvmpipe some 25 s per variant

// A width x height PNG of one colour, or the test card laid over black (OBS multiplies an
// image's colours by its alpha as it loads it, so the card goes in opaque to be the same picture
// in both hosts).
std::string WriteInput(const tooltest::ScratchDir& dir, int width, int height, bool card) {
  hostkit::Image image = hostkit::MakeTestCard(width, height);
  for (size_t i = 0; i < image.rgba.size(); i += 4) {
    uint8_t* p = &image.rgba[i];
    if (card) {
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * p[3] + 127) / 255);
    } else {
      p[0] = kRed, p[1] = kGreen, p[2] = kBlue;
    }
    p[3] = 255;
  }
  const std::string path = dir / (card ? "card.png" : "colour.png");
  FILE* file = std::fopen(path.c_str(), "wb");
  std::vector<const uint8_t*> rows;
  std::string error;
  EXPECT_TRUE(file && hostkit::WritePng(file, image.rgba.data(), width, height, rows, error)) << error;
  if (file) std::fclose(file);
  return path;
}

// Frames 0..count-1 of `swirlmoss render` over `input` with `sets` (over the look `look` when
// one is named), RGBA rows top to bottom.
std::vector<std::vector<uint8_t>> CliFrames(const std::string& input, int width, int height, int count,
                                            const std::vector<std::string>& sets, const std::string& look = "") {
  std::vector<std::string> args = {"render", "--input", input, "--frames", std::to_string(count)};
  if (!look.empty()) args.insert(args.end(), {"--preset", look});
  for (const auto& set : sets) args.insert(args.end(), {"--set", set});
  args.insert(args.end(), {"-o", "-"});
  const tooltest::RunResult run = tooltest::Run(SWIRLMOSS_CLI_PATH, args, {"SWIRLMOSS_PLUGIN=" SWIRLMOSS_PLUGIN_PATH});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const size_t size = static_cast<size_t>(width) * height * 4;
  std::vector<std::vector<uint8_t>> frames;
  for (size_t at = 0; at + size <= run.out.size(); at += size) {
    frames.emplace_back(run.out.begin() + static_cast<long>(at), run.out.begin() + static_cast<long>(at + size));
  }
  EXPECT_EQ(frames.size(), static_cast<size_t>(count));
  return frames;
}

// The largest difference of one channel between OBS's frame and the CLI's. OBS's canvas holds
// colour premultiplied by alpha in linear light, and its output divides by alpha again: where
// the effect's alpha is below one (the image mask), OBS's colour is its own rounding of that
// round trip, so there only alpha is compared; opaque pixels are compared whole.
int Difference(const Frame& obs, const std::vector<uint8_t>& rgba) {
  int worst = 0;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    const int alpha = rgba[i + 3];
    worst = std::max(worst, std::abs(obs.bgra[i + 3] - alpha));
    if (alpha < 255) continue;
    const int expected[3] = {rgba[i + 2], rgba[i + 1], rgba[i]};
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(obs.bgra[i + c] - expected[c]));
  }
  return worst;
}

// How many pixels of `rgba` are opaque, and how many not.
std::pair<int, int> OpaqueAndNot(const std::vector<uint8_t>& rgba) {
  int opaque = 0;
  for (size_t i = 3; i < rgba.size(); i += 4) opaque += rgba[i] == 255;
  return {opaque, static_cast<int>(rgba.size() / 4) - opaque};
}

// The CLI frame each OBS frame is, searching forward from the last one found; -1 for none.
// `tolerance` 0 is byte-exact.
std::vector<int> MatchFrames(const std::vector<Frame>& obs, const std::vector<std::vector<uint8_t>>& cli, int tolerance) {
  std::vector<int> found;
  size_t next = 0;
  for (const Frame& frame : obs) {
    int match = -1;
    for (size_t j = next; j < cli.size() && match < 0; ++j) {
      if (Difference(frame, cli[j]) <= tolerance) match = static_cast<int>(j);
    }
    found.push_back(match);
    if (match >= 0) next = static_cast<size_t>(match) + 1;
  }
  return found;
}

std::string Listed(const std::vector<int>& values) {
  std::string text;
  for (int v : values) text += (text.empty() ? "" : " ") + std::to_string(v);
  return text;
}

std::vector<int> Range(int from, int count) {
  std::vector<int> range;
  for (int i = 0; i < count; ++i) range.push_back(from + i);
  return range;
}

obs_source_t* ColourSource(int width, int height) {
  obs_data_t* settings = obstest::Settings("{\"color\": " + std::to_string(0xFF3366CCu) +
                                           ", \"width\": " + std::to_string(width) +
                                           ", \"height\": " + std::to_string(height) + "}");
  obs_source_t* source = obs_source_create_private("color_source_v3", "colour", settings);
  obs_data_release(settings);
  return source;
}

obs_source_t* ImageSource(const std::string& path) {
  obs_data_t* settings = obs_data_create();
  obs_data_set_string(settings, "file", path.c_str());
  obs_source_t* source = obs_source_create_private("image_source", "card", settings);
  obs_data_release(settings);
  return source;
}

// The filter on `source`; with `look`, that look chosen in its "Look" list as a user does.
obs_source_t* AddFilter(obs_source_t* source, const std::string& json, const std::string& look = "") {
  obs_data_t* settings = obstest::Settings(json);
  obs_source_t* filter = obs_source_create_private("swirlmoss_filter", "swirlmoss", settings);
  obs_data_release(settings);
  obs_source_filter_add(source, filter);
  if (!look.empty()) {
    obs_properties_t* properties = obs_source_properties(filter);
    obs_data_t* own = obs_source_get_settings(filter);
    obs_data_set_string(own, "look", look.c_str());
    EXPECT_TRUE(obs_property_modified(obs_properties_get(properties, "look"), own)) << look;
    obs_data_release(own);
    obs_properties_destroy(properties);
    obs_source_update(filter, nullptr);
  }
  return filter;
}

// A filtered source shown as the output, released with the object.
struct FilteredScene {
  FilteredScene(obs_source_t* source, const std::string& filterJson, const std::string& look = "")
      : source(source), filter(AddFilter(source, filterJson, look)), scene(source) {}
  ~FilteredScene() {
    obs_source_filter_remove(source, filter);
    obs_source_release(filter);
    obs_source_release(source);
  }
  obs_source_t* source;
  obs_source_t* filter;
  OutputScene scene;
};

// Frames of the filter over a colour source at width x height are the CLI's frames 0, 1, ...
void ExpectColourFramesMatch(int width, int height, const std::string& json, const std::vector<std::string>& sets,
                             const std::string& look = "") {
  ObsSession& obs = ObsSession::Start(width, height);
  tooltest::ScratchDir dir;
  const auto cli = CliFrames(WriteInput(dir, width, height, false), width, height, 12, sets, look);
  obs.Record(true);
  FilteredScene shown(ColourSource(width, height), json, look);
  const std::vector<Frame> frames = obs.Distinct(6, kWaitSeconds);
  obs.Record(false);
  ASSERT_EQ(frames.size(), 6u);
  EXPECT_EQ(Listed(MatchFrames(frames, cli, 0)), Listed(Range(0, 6))) << width << "x" << height;
}

// A channel of OBS's colour word as the value the plugin is given, as --set takes it.
std::string ChannelValue(const char* name, uint32_t word, int shift) {
  char text[64];
  std::snprintf(text, sizeof text, "%s=%.9g", name, static_cast<double>(static_cast<float>(word >> shift & 0xFF) / 255.0f));
  return text;
}

TEST(ObsFilter, FramesOverAColourSourceAreTheCommandLineRendersFramesAtTwoSizesAndBlended) {
  // A slider, a list and the colour picker (OBS's word is 0xAABBGGRR: red 0xE0, blue 0x20).
  constexpr uint32_t kPaint = 0xFF2080E0u;
  const std::string json =
      R"({"Mode": "Paint", "Seed": "Seed 3", "Light": 2.0, "Paint colour": )" + std::to_string(kPaint) + "}";
  const std::vector<std::string> sets = {"Mode=Paint", "Seed=Seed 3", "Light=2", ChannelValue("Paint R", kPaint, 0),
                                         ChannelValue("Paint G", kPaint, 8), ChannelValue("Paint B", kPaint, 16)};
  ExpectColourFramesMatch(96, 64, json, sets);
  // The "Blend" list and the "Mix" slider: the effect laid over the colour as render lays it.
  std::vector<std::string> blended = sets;
  blended.insert(blended.end(), {"Blend=overlay", "Mix=0.8"});
  ExpectColourFramesMatch(160, 64, json.substr(0, json.size() - 1) + R"(, "Blend": "overlay", "Mix": 0.8})", blended);
  // A look from the "Look" list replaces every value set before, the night beams that Smoke
  // hides from the controls and the look's "Blend" included: the frames are the look's.
  ExpectColourFramesMatch(96, 64, json, {}, "searchlights");
}

TEST(ObsFilter, FramesOverTheTestCardWithImageMaskAreTheCommandLineRendersFrames) {
  // The mask sets the output's alpha from the card's brightness: alpha everywhere and the
  // colour of opaque pixels are compared byte for byte (see Difference).
  ObsSession& obs = ObsSession::Start(96, 64);
  tooltest::ScratchDir dir;
  const std::string card = WriteInput(dir, 96, 64, true);
  const auto cli = CliFrames(card, 96, 64, 12, {"Mode=Smoke", "Image Mask=on", "Mask Threshold=0.3"});
  obs.Record(true);
  FilteredScene shown(ImageSource(card), R"({"Mode": "Smoke", "Image Mask": true, "Mask Threshold": 0.3})");
  const std::vector<Frame> frames = obs.Distinct(5, kWaitSeconds);
  obs.Record(false);
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(Listed(MatchFrames(frames, cli, 0)), Listed(Range(0, 5)));
  const auto [opaque, masked] = OpaqueAndNot(cli[0]);
  EXPECT_GT(opaque, 300) << "too few opaque pixels to compare colour on";
  EXPECT_GT(masked, 500) << "the mask cut nothing: the input did not matter";
}

TEST(ObsFilter, HidingAndShowingGoesOnWithTheClockAndRestartStartsItAgain) {
  ObsSession& obs = ObsSession::Start(96, 64);
  tooltest::ScratchDir dir;
  const auto cli = CliFrames(WriteInput(dir, 96, 64, false), 96, 64, 40, {"Seed=Seed 2", "Flow=0.9"});
  obs.Record(true);
  FilteredScene shown(ColourSource(96, 64), R"({"Seed": "Seed 2", "Flow": 0.9})");
  const std::vector<Frame> before = obs.Distinct(4, kWaitSeconds);
  ASSERT_EQ(before.size(), 4u);
  const std::vector<int> first = MatchFrames(before, cli, 0);
  EXPECT_EQ(Listed(first), Listed(Range(0, 4)));

  obs_sceneitem_set_visible(shown.scene.Item(), false);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // some 30 video frames hidden
  obs.Record(true);
  obs_sceneitem_set_visible(shown.scene.Item(), true);
  const std::vector<Frame> after = obs.Distinct(3, kWaitSeconds);
  ASSERT_EQ(after.size(), 3u);
  // Drawn again, the effect goes on from the frame it stopped at, not from 0 nor from where
  // 30 frames of wall time would have taken it. A few frames are drawn between the last one
  // captured above and the hiding (OBS hands frames over two or three late), so the frames
  // after are found from there.
  std::vector<int> resumed = MatchFrames(after, cli, 0);
  ASSERT_GE(resumed.front(), first.back() + 1);
  EXPECT_LE(resumed.front(), first.back() + 12) << "the clock ran on while the source was hidden";
  EXPECT_EQ(Listed(resumed), Listed(Range(resumed.front(), 3)));

  obs_properties_t* properties = obs_source_properties(shown.filter);
  obs_property_t* restart = obs_properties_get(properties, "restart");
  ASSERT_NE(restart, nullptr);
  obs.Record(true);
  obs_property_button_clicked(restart, shown.filter);
  obs_properties_destroy(properties);
  const std::vector<Frame> restarted = obs.Distinct(6, kWaitSeconds);
  ASSERT_EQ(restarted.size(), 6u);
  // The first frames after the click may be the old run's (OBS hands frames over two or three
  // late): the run from 0 starts at the first that is frame 0.
  std::vector<Frame> fresh;
  for (const Frame& frame : restarted) {
    if (!fresh.empty() || Difference(frame, cli[0]) == 0) fresh.push_back(frame);
  }
  ASSERT_FALSE(fresh.empty()) << "no frame after Restart was frame 0";
  EXPECT_EQ(Listed(MatchFrames(fresh, cli, 0)), Listed(Range(0, static_cast<int>(fresh.size()))));
  obs.Record(false);
}

// Settings may hold anything (a scene collection edited by hand): a slider's value beyond its
// range reaches the plugin as the range's end, and a source too large for any texture is said
// once in OBS's log, not twice in every frame.
TEST(ObsFilter, OutOfRangeSettingsAreClampedAndAnOversizedSourceIsSaidOnce) {
  ExpectColourFramesMatch(96, 64, R"({"Seed": "Seed 2", "Light": 1e300})", {"Seed=Seed 2", "Light=10"});
  ObsSession& obs = ObsSession::Start(96, 64);
  const size_t before = obs.Warnings().size();
  {
    FilteredScene shown(ColourSource(20000, 64), "{}");
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  const std::vector<std::string> warnings = obs.Warnings();
  ASSERT_EQ(warnings.size(), before + 1) << warnings.back();
  EXPECT_NE(warnings.back().find("the source's size 20000x64 is larger than OpenGL's largest texture"),
            std::string::npos)
      << warnings.back();
}

// The label and visibility OBS shows for `key`.
std::string Shown(obs_properties_t* properties, const char* key) {
  obs_property_t* property = obs_properties_get(properties, key);
  if (!property) return "(none)";
  return std::string(obs_property_description(property)) + (obs_property_visible(property) ? "" : " (hidden)");
}

TEST(ObsFilter, ChoosingAModeRelabelsAndHidesTheControlsAsThePluginSays) {
  ObsSession::Start(96, 64);
  FilteredScene shown(ColourSource(96, 64), R"({"Mode": "Paint"})");
  obs_properties_t* properties = obs_source_properties(shown.filter);
  EXPECT_EQ(Shown(properties, "Paint colour"), "Paint colour");
  EXPECT_EQ(Shown(properties, "Light colour"), "Light colour");
  EXPECT_EQ(Shown(properties, "Shine"), "Shine");
  EXPECT_EQ(Shown(properties, "Smoke Amount"), "Smoke Amount (hidden)");
  EXPECT_EQ(Shown(properties, "Paint R"), "(none)") << "a colour is one control";

  obs_data_t* settings = obs_source_get_settings(shown.filter);
  obs_data_set_string(settings, "Mode", "Smoke");
  EXPECT_TRUE(obs_property_modified(obs_properties_get(properties, "Mode"), settings));
  EXPECT_EQ(Shown(properties, "Paint colour"), "Ambient colour");
  EXPECT_EQ(Shown(properties, "Light colour"), "Spot colour");
  EXPECT_EQ(Shown(properties, "Shine"), "Shine (hidden)");
  EXPECT_EQ(Shown(properties, "Smoke Amount"), "Smoke Amount");
  // What a value not set shows is where the new mode starts ("Light" 0.5 in Smoke, 1 in Paint).
  EXPECT_DOUBLE_EQ(obs_data_get_double(settings, "Light"), 0.5);
  obs_data_release(settings);
  obs_properties_destroy(properties);

  // Saved by name: the settings hold the names a user sees, never positions.
  obs_data_t* saved = obs_source_get_settings(shown.filter);
  EXPECT_STREQ(obs_data_get_string(saved, "Seed"), "Seed 1");
  obs_data_release(saved);
}

TEST(ObsFilter, NoReadbackCallInTheFiltersFrames) {
  using Calls = long (*)(const char*);
  const auto calls = reinterpret_cast<Calls>(dlsym(RTLD_DEFAULT, "readback_calls"));
  ASSERT_NE(calls, nullptr) << "run with the readback counter preloaded";
  ObsSession& obs = ObsSession::Start(96, 64);
  obs.Record(true);
  FilteredScene shown(ColourSource(96, 64), R"({"Mode": "Smoke"})");
  ASSERT_EQ(obs.Distinct(8, kWaitSeconds).size(), 8u);
  obs.Record(false);
  // Over every frame the module has drawn in this process, not only these.
  EXPECT_EQ(calls("swirlmoss-obs"), 0);
  EXPECT_EQ(calls("Swirlmoss.so"), 0);

  // The counter sees both ways in: the linked symbol (as our module calls GL) and a function
  // looked up by name (as the plugin's loader gets them), each counted under this program.
  using ReadPixels = void (*)(int, int, int, int, unsigned, unsigned, void*);
  using Lookup = void* (*)(const char*);
  const auto linked = reinterpret_cast<ReadPixels>(dlsym(RTLD_DEFAULT, "glReadPixels"));
  const auto lookup = reinterpret_cast<Lookup>(dlsym(RTLD_DEFAULT, "eglGetProcAddress"));
  ASSERT_TRUE(linked && lookup);
  const auto looked = reinterpret_cast<ReadPixels>(lookup("glReadPixels"));
  uint8_t pixel[4];
  const long before = calls("obs_filter_test");
  obs_enter_graphics();
  linked(0, 0, 1, 1, 0x1908 /* GL_RGBA */, 0x1401 /* GL_UNSIGNED_BYTE */, pixel);
  looked(0, 0, 1, 1, 0x1908, 0x1401, pixel);
  obs_leave_graphics();
  EXPECT_EQ(calls("obs_filter_test") - before, 2);
}

// Run with SWIRLMOSS_PLUGIN naming a missing file, and again with OpenGL held at 3.3 core: OBS
// runs on, the filter passes frames through and says why once in OBS's log.
TEST(Unavailable, TheFilterPassesItsInputThroughSaysWhyOnceAndObsRunsOn) {
  ObsSession& obs = ObsSession::Start(96, 64);
  obs.Record(true);
  FilteredScene shown(ColourSource(96, 64), R"({"Mode": "Smoke"})");
  const std::vector<Frame> frames = obs.Distinct(1, 30.0);
  ASSERT_EQ(frames.size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<Frame> later = obs.Take();
  obs.Record(false);
  ASSERT_FALSE(later.empty()) << "OBS stopped sending frames";
  for (const Frame* frame : {&frames.front(), &later.back()}) {
    for (size_t i = 0; i < frame->bgra.size(); i += 4) {
      ASSERT_EQ(frame->bgra[i], kBlue);
      ASSERT_EQ(frame->bgra[i + 1], kGreen);
      ASSERT_EQ(frame->bgra[i + 2], kRed);
      ASSERT_EQ(frame->bgra[i + 3], 255);
    }
  }
  obs_properties_t* properties = obs_source_properties(shown.filter);
  EXPECT_NE(obs_properties_get(properties, "unavailable"), nullptr);
  obs_properties_destroy(properties);
  const std::vector<std::string> log = obs.ModuleLog();
  ASSERT_EQ(log.size(), 1u);
  const bool oldGl = std::getenv("MESA_GL_VERSION_OVERRIDE") != nullptr;
  EXPECT_NE(log.front().find(oldGl ? "OBS's OpenGL context is 3.3 core, the effect needs 4.1 core"
                                   : "plugin library not found (looked for /nonexistent/Swirlmoss.so)"),
            std::string::npos)
      << log.front();
  EXPECT_NE(log.front().find("; the Swirlmoss filter passes its input through"), std::string::npos) << log.front();
}

}  // namespace
