#pragma once
// The options `render` and `preview` share (--input, --size, --fps, --preset, --set), declared
// and parsed in one place. The preview's "Copy command" writes the same settings back
// (hostkit::RenderCommandLine), so a copied command parses into the settings it came from.

#include <CLI/CLI.hpp>

#include "tools/hostkit/params/render_settings.h"

namespace swirlcli {

// What a command says about each shared option; --preset means the same everywhere.
struct SettingsHelp {
  const char* input;
  const char* size;
  const char* fps;
  const char* set;
};

// Adds the shared options to `command`, parsed into `settings`.
void AddSettingsOptions(CLI::App& command, hostkit::RenderSettings& settings, const SettingsHelp& help);

}  // namespace swirlcli
