// swirlmoss: a host for the Swirlmoss effect plugin. It loads the plugin as any host does,
// through plugMain alone, and renders, inspects and benchmarks it from the command line on an
// off-screen OpenGL 4.1 context (EGL, no display server); `preview` plays it in a window.

#include <exception>
#include <string>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/usage_errors.h"
#include "tools/hostkit/platform/interrupt.h"

namespace {

int RunCommandLine(int argc, char** argv) {
  swirlcli::InstallInterruptHandler();
  // Named, so that every usage line reads "swirlmoss ..." wherever the program lies.
  CLI::App app{"swirlmoss: render, inspect and benchmark the Swirlmoss effect without a display", "swirlmoss"};
  app.set_version_flag("--version", std::string("swirlmoss ") + SWIRLMOSS_VERSION, "Print the version and exit");
  app.require_subcommand(1);
  app.fallthrough(false);
  int exitCode = swirlcli::kExitOk;
  swirlcli::AddInfoCommand(app, exitCode);
  swirlcli::AddRenderCommand(app, exitCode);
  swirlcli::AddBenchCommand(app, exitCode);
  swirlcli::AddDemoCommand(app, exitCode);
  swirlcli::AddDevicesCommand(app, exitCode);
  swirlcli::AddPreviewCommand(app, exitCode);
  swirlcli::AddLooksCommand(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    swirlcli::PrintError(swirlcli::DescribeParseError(app, e, {argv + 1, argv + argc}));
    return swirlcli::kExitUsage;
  } catch (const swirlcli::CommandFailure& e) {
    swirlcli::PrintError(e.what());
    return e.exitCode;
  } catch (const std::exception& e) {
    swirlcli::PrintError(e.what());
    return swirlcli::kExitFailure;
  }
  return exitCode;
}

}  // namespace

// A run stopped by Ctrl-C or SIGTERM, however cleanly, ends as the shell reports a process
// ended by that signal (130 after Ctrl-C): scripts and job runners see an interruption, not a
// failure of the render.
int main(int argc, char** argv) {
  const int exitCode = RunCommandLine(argc, argv);
  const int signal = hostkit::InterruptSignal();
  return signal != 0 ? 128 + signal : exitCode;
}
