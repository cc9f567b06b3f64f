#pragma once
// The subcommands of the swirlmoss CLI. Each adds itself to the application; its callback
// runs the command and stores the process's exit code in `exitCode`.

#include <CLI/CLI.hpp>

namespace swirlcli {

void AddInfoCommand(CLI::App& app, int& exitCode);
void AddRenderCommand(CLI::App& app, int& exitCode);
void AddBenchCommand(CLI::App& app, int& exitCode);
void AddDemoCommand(CLI::App& app, int& exitCode);
void AddDevicesCommand(CLI::App& app, int& exitCode);
void AddPreviewCommand(CLI::App& app, int& exitCode);
void AddLooksCommand(CLI::App& app, int& exitCode);

// The help text on how --set values are applied, shared by the commands that take them.
extern const char* const kSetHelp;

}  // namespace swirlcli
