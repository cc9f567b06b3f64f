// swirlmoss looks: the curated looks shipped with the program, listed, or rendered side by
// side as a contact sheet (the picture of them in the docs is made this way).

#include <algorithm>
#include <cstdio>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/contact_sheet.h"
#include "tools/cli/progress.h"
#include "tools/cli/settings_options.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/render/render_loop.h"

namespace swirlcli {
namespace {

constexpr int kSheetColumns = 4;

struct LooksOptions {
  std::string plugin;
  GlOptions gl;
  std::string sheet;
  std::string input;
  hostkit::FrameSize size{320, 180};
  int frames = 48;
};

void ListLooks(const std::vector<hostkit::Look>& looks) {
  size_t width = 0;
  for (const auto& look : looks) width = std::max(width, look.name.size());
  for (const auto& look : looks) {
    std::printf("%-*s  %s\n", static_cast<int>(width), look.name.c_str(), look.description.c_str());
  }
  std::printf("\nUse one by name: swirlmoss render --preset %s -o out.png (preview takes --preset too);\n"
              "--set changes any of its values.\n",
              looks.front().name.c_str());
}

// Each look a row, its frames over time the columns; rows in the order of the listing.
void RenderSheet(const LooksOptions& options, const std::vector<hostkit::Look>& looks) {
  Require(options.frames >= 2, "--frames must be at least 2 for the sheet to show time", kExitUsage);
  const auto [width, height] = options.size;
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  const auto gl = MakeGlContext(options.gl);
  ContactSheet sheet(kSheetColumns, static_cast<int>(looks.size()), width, height, 4);
  std::string error;
  for (size_t row = 0; row < looks.size(); ++row) {
    const hostkit::ParameterPlan plan = ParsePlan(WithPreset(looks[row].path, {}, plugin.model), plugin.model);
    // A new instance per look: each starts from its own clock and banks, as a render does.
    // Over the footage given (looped, from its start for every look), else the test card.
    std::unique_ptr<hostkit::FrameSource> source;
    hostkit::Image first = hostkit::MakeTestCard(width, height);
    if (!options.input.empty()) {
      source = hostkit::OpenFrameSource({options.input, width, height, 0, true}, error);
      Require(source != nullptr, error);
      first.rgba.assign(first.rgba.size(), 0);
    }
    auto driver = MakeDriver(plugin, width, height, hostkit::PixelFormat::Rgba8, first);
    SheetRowSink sink(sheet, static_cast<int>(row), kSheetColumns, options.frames);
    TerminalProgress progress("looks " + std::to_string(row + 1) + "/" + std::to_string(looks.size()) + " " +
                              looks[row].name);
    const bool rendered = hostkit::RenderSpanFrames(*driver, plan, {options.frames, 0, options.frames}, source.get(),
                                                    &sink, &progress, nullptr, error);
    progress.Close();
    Require(rendered, error);
  }
  Require(WriteSheet(sheet, options.sheet, error), error);
  std::printf("looks: wrote %s; rows, top to bottom: ", options.sheet.c_str());
  for (size_t i = 0; i < looks.size(); ++i) std::printf("%s%s", i ? ", " : "", looks[i].name.c_str());
  std::printf("; columns: frames 0 to %d\n", options.frames - 1);
}

int RunLooks(const LooksOptions& options) {
  const std::vector<hostkit::Look> looks = hostkit::ListLooks();
  Require(!looks.empty(), "no looks are installed beside this program (a looks folder, or ../share/swirlmoss/looks)");
  if (options.sheet.empty()) {
    ListLooks(looks);
  } else {
    RenderSheet(options, looks);
  }
  return kExitOk;
}

}  // namespace

void AddLooksCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<LooksOptions>();
  CLI::App* command = app.add_subcommand("looks", "List the curated looks, or render them as a contact sheet");
  AddPluginOption(*command, options->plugin);
  AddGlOptions(*command, options->gl);
  command->add_option("--sheet", options->sheet, "Render every look over the test card into this PNG contact sheet");
  command->add_option("--input", options->input,
                      "Footage (a picture or a clip, looped) the sheet's looks are laid over instead of the test card");
  AddSizeOption(*command, "--size", options->size, "Size of each frame on the sheet");
  command->add_option("--frames", options->frames, "Frames rendered per look; the sheet shows four of them")
      ->capture_default_str();
  command->callback([options, &exitCode] { exitCode = RunLooks(*options); });
}

}  // namespace swirlcli
