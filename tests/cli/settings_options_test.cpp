// The preview's "Copy command" against the parser of render and preview: a copied command,
// split into words the way a POSIX shell splits it, parses back into the settings it was made
// from, however awkward their values.

#include <gtest/gtest.h>
#include <wordexp.h>

#include <limits>
#include <string>
#include <vector>

#include "tools/cli/settings_options.h"
#include "tools/hostkit/params/render_settings.h"

namespace {

using hostkit::RenderSettings;

// The words a shell makes of `line`; fails the test on anything it would not take literally.
std::vector<std::string> ShellSplit(const std::string& line) {
  wordexp_t words{};
  const int status = wordexp(line.c_str(), &words, WRDE_NOCMD | WRDE_UNDEF);
  EXPECT_EQ(status, 0) << line;
  std::vector<std::string> split;
  if (status == 0) split.assign(words.we_wordv, words.we_wordv + words.we_wordc);
  wordfree(&words);
  return split;
}

struct Parsed {
  RenderSettings settings;
  std::vector<std::string> rest;  // render's own options, which this parser leaves alone
};

// Parses a copied `swirlmoss render ...` line with the shared options only.
Parsed ParseBack(const std::string& line) {
  std::vector<std::string> words = ShellSplit(line);
  EXPECT_GE(words.size(), 2u);
  EXPECT_EQ(words[0], "swirlmoss");
  EXPECT_EQ(words[1], "render");
  Parsed parsed;
  CLI::App app;
  app.allow_extras();
  swirlcli::AddSettingsOptions(app, parsed.settings, {"input", "size", "fps", "set"});
  // CLI11 takes its arguments last first.
  std::vector<std::string> arguments(words.rbegin(), words.rend() - 2);
  app.parse(arguments);
  parsed.rest = app.remaining();
  return parsed;
}

void ExpectSame(const RenderSettings& got, const RenderSettings& want) {
  EXPECT_EQ(got.input, want.input);
  ASSERT_EQ(got.size.has_value(), want.size.has_value());
  if (want.size) {
    EXPECT_EQ(got.size->width, want.size->width);
    EXPECT_EQ(got.size->height, want.size->height);
  }
  EXPECT_EQ(got.fps, want.fps);
  EXPECT_EQ(got.preset, want.preset);
  EXPECT_EQ(got.values, want.values);
  EXPECT_EQ(got.blend, want.blend);
  EXPECT_EQ(got.mix, want.mix);
}

TEST(CopiedCommand, ParsesBackIntoTheSettingsItWasMadeFrom) {
  RenderSettings awkward;
  awkward.input = "/tmp/my clips/it's \"here\" $HOME `now` *.mp4";
  awkward.size = hostkit::FrameSize{96, 64};
  awkward.fps = 30000.0 / 1001.0;
  awkward.preset = "/tmp/looks/night & day;.json";
  awkward.values = {"Mode=Smoke", "Seed=Seed 4", "Light=2.5", "Paint R=0.300000012", "Caption=a 'b' \\c",
                    "Spot Spin=0..1", "Light=0:1,60:5,120:1", "Night Mode=on", "Empty=", "Tab=\tx\ny"};

  RenderSettings plain;  // the test card at its own size: nothing but values
  plain.values = {"Light=2"};

  RenderSettings fractional;
  fractional.fps = 23.976;
  fractional.input = "clip.mp4";
  fractional.blend = hostkit::BlendMode::SoftLight;
  fractional.mix = "0:0,30:0.75";

  for (const RenderSettings& settings : {awkward, plain, fractional}) {
    const std::vector<std::string> own = {"--plugin", "/opt/plug ins/Swirlmoss.so", "--loop", "--frames", "12",
                                          "-o", "swirlmoss.png"};
    const std::string line = hostkit::RenderCommandLine(settings, own);
    SCOPED_TRACE(line);
    const Parsed parsed = ParseBack(line);
    ExpectSame(parsed.settings, settings);
    EXPECT_EQ(parsed.rest, own) << "render's own options pass through as they were";
  }
}

TEST(CopiedCommand, LeavesPlainWordsBareAndQuotesTheRest) {
  RenderSettings settings;
  settings.size = hostkit::FrameSize{96, 64};
  settings.values = {"Light=2.5", "Seed=Seed 4"};
  EXPECT_EQ(hostkit::RenderCommandLine(settings, {"-o", "out.png"}),
            "swirlmoss render --size 96x64 --set Light=2.5 --set 'Seed=Seed 4' -o out.png");
  EXPECT_EQ(hostkit::ShellWord("it's"), "'it'\\''s'");
  EXPECT_EQ(hostkit::ShellWord(""), "''");
}

}  // namespace

// A value the shared options cannot take is refused as the command line is read, in the one
// line the user sees, with the rate's ceiling of the command that parses it.
TEST(SharedOptions, RefuseValuesTheyCannotTakeAsTheyAreRead) {
  const auto refusal = [](std::vector<std::string> arguments, double maxFps) -> std::string {
    RenderSettings settings;
    CLI::App app;
    swirlcli::AddSettingsOptions(app, settings, {"input", "size", "fps", "set"}, maxFps);
    try {
      app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const swirlcli::UsageMistake& mistake) {
      return mistake.what();
    }
    return "";
  };
  const double any = std::numeric_limits<double>::infinity();
  EXPECT_EQ(refusal({"--size", "0x36"}, any), "size 0x36 has no pixels: width and height must be at least 1");
  EXPECT_EQ(refusal({"--size", "wide"}, any), "size \"wide\" is not WIDTHxHEIGHT, such as 1280x720");
  EXPECT_EQ(refusal({"--fps", "nan"}, any), "--fps must be above 0");
  EXPECT_EQ(refusal({"--fps", "-1"}, any), "--fps must be above 0");
  EXPECT_EQ(refusal({"--fps", "240.5"}, 240.0), "--fps must lie above 0 and at most 240");
  EXPECT_EQ(refusal({"--fps", "240", "--size", "1X1"}, 240.0), "");
  EXPECT_EQ(refusal({"--blend", "glow"}, any),
            "unknown blend \"glow\"; choose one of: replace, normal, add, screen, multiply, overlay, soft-light, "
            "lighten, darken, difference");
  for (const char* mix : {"1.5", "-0.1", "0..2", "0:0,x:1", "half", ":1"}) {
    EXPECT_NE(refusal({"--mix", mix}, any).find("--mix takes the effect's weight from 0 to 1"), std::string::npos) << mix;
  }
  EXPECT_EQ(refusal({"--blend", "Soft Light", "--mix", "0.25..1"}, any), "");
}
