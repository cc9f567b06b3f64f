// The Windows host test: a small host process that makes a WGL context on a hidden window,
// runs the plugin DLL through plugMain, and checks the log channel's debugger sink.
//
// Usage: swirlmoss_windows_host [path\to\Swirlmoss.dll]   (default: beside this program)
//        swirlmoss_windows_host --crash   (proves that a crash ends the run with exit code 3)
// Prints one line per test and a final "N passed, N failed"; exits 0 only when all passed.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/windows/check_report.h"
#include "tests/windows/host_checks.h"
#include "tests/windows/wgl_context.h"

namespace {

constexpr UINT kCrashExitCode = 3;

// A crash anywhere, in the plugin included, ends the process at once with a non-zero code
// instead of waiting on a dialog or a debugger.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
  std::printf("unhandled exception 0x%08lX at %p; exiting with code %u\n",
              exception->ExceptionRecord->ExceptionCode, exception->ExceptionRecord->ExceptionAddress,
              kCrashExitCode);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::string PluginBesideThisProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  const size_t slash = directory.find_last_of("\\/");
  directory.resize(slash == std::string::npos ? 0 : slash + 1);
  return directory + "Swirlmoss.dll";
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);

  if (argc == 2 && std::strcmp(argv[1], "--crash") == 0) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
  }
  const std::string dllPath = argc >= 2 ? argv[1] : PluginBesideThisProgram();

  wintest::WglContext context;
  std::string error;
  if (!context.Create(error)) {
    std::printf("no OpenGL context: %s\n", error.c_str());
    return 1;
  }
  std::printf("host context: OpenGL %s\n", context.Version().c_str());

  wintest::RunPluginHostTests(dllPath.c_str());
  wintest::RunLogChannelTests();
  context.Destroy();
  return wintest::Summary();
}
