// swirlmoss demo: both looks, by day and by night, with and without the image mask, as stills,
// one contact sheet showing each over time, and one MP4 where ffmpeg is installed. Small enough
// (640x360, a few dozen frames a look) to finish in about two minutes on two cores with a
// cold shader cache.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/contact_sheet.h"
#include "tools/cli/progress.h"
#include "tools/hostkit/instance_driver.h"
#include "tools/hostkit/parameter_plan.h"
#include "tools/hostkit/pending_file.h"
#include "tools/hostkit/png_io.h"

namespace swirlcli {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kSheetColumns = 6;
constexpr double kFps = 24.0;

struct DemoOptions {
  std::string plugin;
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
      : still(std::move(still)), sheet(sheet), row(row), frames(frames), video(video),
        opaque(static_cast<size_t>(kWidth) * kHeight * 4) {}

  hostkit::PixelFormat Format() const override { return hostkit::PixelFormat::Rgba8; }

  bool Write(const hostkit::FrameView& frame, std::string& error) override {
    for (int column = 0; column < kSheetColumns; ++column) {
      if (frame.index == column * (frames - 1) / (kSheetColumns - 1)) sheet.Place(column, row, frame);
    }
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
  ContactSheet& sheet;
  int row;
  int frames;
  hostkit::FrameSink* video;
  std::vector<uint8_t> opaque;
  std::vector<const uint8_t*> rows;
};

bool MakeDirectory(const std::string& path, std::string& error) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  error = "cannot make the output directory " + path + ": " + std::strerror(errno);
  return false;
}

bool WriteSheet(const ContactSheet& sheet, const std::string& path, std::string& error) {
  auto file = hostkit::PendingFile::Create(path, error);
  std::vector<const uint8_t*> rows;
  const hostkit::Image& picture = sheet.Picture();
  return file && hostkit::WritePng(file->Stream(), picture.rgba.data(), picture.width, picture.height, rows, error) &&
         file->Commit(error);
}

int RunDemo(const DemoOptions& options) {
  std::string error;
  if (options.frames < 2) {
    PrintError("--frames must be at least 2 for the animation to show");
    return kExitUsage;
  }
  LoadedPlugin plugin;
  if (!LoadPlugin(options.plugin, plugin, error) || !MakeDirectory(options.outputDir, error)) {
    PrintError(error);
    return kExitFailure;
  }
  auto gl = MakeGlContext(error);
  if (!gl) {
    PrintError(error);
    return kExitFailure;
  }
  hostkit::Image card;
  LoadInput("", kWidth, kHeight, card, error);
  auto driver = hostkit::InstanceDriver::Create(*plugin.library, kWidth, kHeight, hostkit::PixelFormat::Rgba8, card, error);
  if (!driver) {
    PrintError(error);
    return kExitFailure;
  }
  const std::vector<Variant> variants = Variants();
  const std::string dir = options.outputDir + "/";
  std::unique_ptr<hostkit::FrameSink> video;
  if (hostkit::VideoOutputAvailable()) {
    hostkit::OutputRequest request{dir + "swirlmoss-demo.mp4", options.frames * static_cast<int>(variants.size()),
                                   kFps, kWidth, kHeight};
    video = hostkit::OpenSink(request, error);
    if (!video) {
      PrintError(error);
      return kExitFailure;
    }
  } else {
    PrintWarning("ffmpeg is not installed: the demo writes stills and the contact sheet, but no MP4");
  }
  ContactSheet sheet(kSheetColumns, static_cast<int>(variants.size()), kWidth / 4, kHeight / 4, 4);
  std::vector<std::string> written;
  for (size_t row = 0; row < variants.size(); ++row) {
    const Variant& variant = variants[row];
    hostkit::ParameterPlan plan;
    std::vector<std::string> warnings;
    if (!hostkit::ParameterPlan::Parse(variant.settings, plugin.model, plan, warnings, error)) {
      PrintError("this plugin lacks what the demo sets: " + error);
      return kExitFailure;
    }
    auto still = hostkit::PendingFile::Create(dir + variant.file + ".png", error);
    if (!still) {
      PrintError(error);
      return kExitFailure;
    }
    DemoSink sink(std::move(still), sheet, static_cast<int>(row), options.frames, video.get());
    TerminalProgress progress(std::string("demo ") + std::to_string(row + 1) + "/" +
                              std::to_string(variants.size()) + " " + variant.file);
    if (!hostkit::RenderFrames(*driver, plan, options.frames, &sink, &progress, nullptr, error) ||
        !sink.Commit(error)) {
      progress.Close();
      PrintError(error);
      return kExitFailure;
    }
    progress.Close();
    written.push_back(dir + variant.file + ".png");
  }
  if (!WriteSheet(sheet, dir + "contact-sheet.png", error)) {
    PrintError(error);
    return kExitFailure;
  }
  written.push_back(dir + "contact-sheet.png");
  if (video) {
    if (!video->Commit(error)) {
      PrintError(error);
      return kExitFailure;
    }
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
  options->plugin = DefaultPluginPath();
  CLI::App* command = app.add_subcommand(
      "demo", "Render both looks, by day and night, with and without the mask: stills, a contact sheet and an MP4");
  command->add_option("--plugin", options->plugin, "Plugin library to load")->capture_default_str();
  command->add_option("--output-dir", options->outputDir, "Directory for the pictures (made if missing)")
      ->capture_default_str();
  command->add_option("--frames", options->frames, "Frames per look (640x360)")->capture_default_str();
  command->callback([options, &exitCode] { exitCode = RunDemo(*options); });
}

}  // namespace swirlcli
