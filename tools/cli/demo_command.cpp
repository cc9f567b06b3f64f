// swirlmoss demo: both looks, by day and by night, with and without the image mask, as stills,
// one contact sheet showing each over time, and one MP4 where ffmpeg is installed. Small enough
// (640x360, a few dozen frames a look) to finish in about two minutes on two cores with a
// cold shader cache.

#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/contact_sheet.h"
#include "tools/cli/progress.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/image/png_io.h"
#include "tools/hostkit/image/test_card.h"

namespace swirlcli {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kSheetColumns = 6;
constexpr double kFps = 24.0;

struct DemoOptions {
  std::string plugin;
  GlOptions gl;
  std::string outputDir = "out";
  int frames = 36;
};

struct Variant {
  std::string file;  // the still's name without extension
  std::vector<std::string> settings;
};

std::vector<Variant> Variants() {
  // A fixed seed so every run shows the same pictures; a faster clock so a short clip moves.
  const std::vector<std::string> common = {"Seed=Seed 3", "Time Speed=1"};
  std::vector<Variant> variants;
  for (const char* look : {"paint", "smoke"}) {
    for (const char* time : {"day", "night"}) {
      for (bool mask : {false, true}) {
        Variant v;
        v.file = std::string(look) + "-" + time + (mask ? "-mask" : "");
        v.settings = common;
        v.settings.push_back(std::string("Mode=") + (look[0] == 'p' ? "Paint" : "Smoke"));
        v.settings.push_back(std::string("Night Mode=") + (time[0] == 'n' ? "1" : "0"));
        v.settings.push_back(std::string("Image Mask=") + (mask ? "1" : "0"));
        // The Smoke bank starts dim (Light 0.5): brighter daylight smoke shows its shapes.
        if (look[0] == 's' && time[0] == 'd') v.settings.insert(v.settings.end(), {"Light=2", "Smoke Amount=0.8"});
        variants.push_back(v);
      }
    }
  }
  return variants;
}

// Receives one look's frames on the encoding thread: keeps the last as a still, shrinks the
// sampled ones into the contact sheet's row, and passes each, over a checkerboard, to the video.
class DemoSink final : public hostkit::FrameSink {
 public:
  DemoSink(std::unique_ptr<hostkit::PendingFile> still, ContactSheet& sheet, int row, int frames,
           hostkit::FrameSink* video)
      : still(std::move(still)), sheetRow(sheet, row, kSheetColumns, frames), frames(frames), video(video),
        opaque(static_cast<size_t>(kWidth) * kHeight * 4) {}

  hostkit::PixelFormat Format() const override { return hostkit::PixelFormat::Rgba8; }

  bool Write(const hostkit::FrameView& frame, std::string& error) override {
    sheetRow.Write(frame, error);
    if (frame.index == frames - 1 && !hostkit::WritePng(still->Stream(), frame.pixels, frame.width, frame.height, rows, error)) {
      return false;
    }
    if (!video) return true;
    OverCheckerboard(frame, opaque.data());
    hostkit::FrameView shown = frame;
    shown.pixels = opaque.data();
    return video->Write(shown, error);
  }

  bool Commit(std::string& error) override { return still->Commit(error); }

 private:
  std::unique_ptr<hostkit::PendingFile> still;
  SheetRowSink sheetRow;
  int frames;
  hostkit::FrameSink* video;
  std::vector<uint8_t> opaque;
  std::vector<const uint8_t*> rows;
};

void MakeDirectory(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directory(path, error);
  Require(!error, "cannot make the output directory " + path + ": " + error.message());
}

int RunDemo(const DemoOptions& options) {
  Require(options.frames >= 2, "--frames must be at least 2 for the animation to show", kExitUsage);
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  MakeDirectory(options.outputDir);
  const auto gl = MakeGlContext(options.gl);
  auto driver = MakeDriver(plugin, kWidth, kHeight, hostkit::PixelFormat::Rgba8, hostkit::MakeTestCard(kWidth, kHeight));
  const std::vector<Variant> variants = Variants();
  const std::string dir = options.outputDir + "/";
  std::string error;
  std::unique_ptr<hostkit::FrameSink> video;
  if (hostkit::VideoOutputAvailable()) {
    video = hostkit::OpenSink({dir + "swirlmoss-demo.mp4", options.frames * static_cast<int>(variants.size()), kFps,
                               kWidth, kHeight},
                              error);
    Require(video != nullptr, error);
  } else {
    PrintWarning("ffmpeg is not installed: the demo writes stills and the contact sheet, but no MP4");
  }
  ContactSheet sheet(kSheetColumns, static_cast<int>(variants.size()), kWidth / 4, kHeight / 4, 4);
  std::vector<std::string> written;
  for (size_t row = 0; row < variants.size(); ++row) {
    const Variant& variant = variants[row];
    const hostkit::ParameterPlan plan = ParsePlan(variant.settings, plugin.model);
    auto still = hostkit::PendingFile::Create(dir + variant.file + ".png", error);
    Require(still != nullptr, error);
    DemoSink sink(std::move(still), sheet, static_cast<int>(row), options.frames, video.get());
    TerminalProgress progress("demo " + std::to_string(row + 1) + "/" + std::to_string(variants.size()) + " " +
                              variant.file);
    const bool rendered = hostkit::RenderFrames(*driver, plan, options.frames, &sink, &progress, nullptr, error);
    progress.Close();
    Require(rendered && sink.Commit(error), error);
    written.push_back(dir + variant.file + ".png");
  }
  Require(WriteSheet(sheet, dir + "contact-sheet.png", error), error);
  written.push_back(dir + "contact-sheet.png");
  if (video) {
    Require(video->Commit(error), error);
    written.push_back(dir + "swirlmoss-demo.mp4");
  }
  std::printf("demo: wrote %zu files:\n", written.size());
  for (const auto& file : written) std::printf("  %s\n", file.c_str());
  std::printf("contact sheet rows, top to bottom: ");
  for (size_t i = 0; i < variants.size(); ++i) std::printf("%s%s", i ? ", " : "", variants[i].file.c_str());
  std::printf("; columns: frames 0 to %d\n", options.frames - 1);
  return kExitOk;
}

}  // namespace

void AddDemoCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DemoOptions>();
  CLI::App* command = app.add_subcommand(
      "demo", "Render both looks, by day and night, with and without the mask: stills, a contact sheet and an MP4");
  AddPluginOption(*command, options->plugin);
  AddGlOptions(*command, options->gl);
  command->add_option("--output-dir", options->outputDir, "Directory for the pictures (made if missing)")
      ->capture_default_str();
  command->add_option("--frames", options->frames, "Frames per look (640x360)")->capture_default_str();
  command->callback([options, &exitCode] { exitCode = RunDemo(*options); });
}

}  // namespace swirlcli
