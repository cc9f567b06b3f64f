#include "tests/windows/check_report.h"

#include <cstdio>
#include <exception>

namespace wintest {
namespace {
int passed = 0;
int failed = 0;
int failedChecksInTest = 0;
}  // namespace

void RunTest(const char* name, const std::function<void()>& body) {
  failedChecksInTest = 0;
  std::printf("[ RUN  ] %s\n", name);
  std::fflush(stdout);
  try {
    body();
  } catch (const std::exception& e) {
    std::printf("  exception: %s\n", e.what());
    ++failedChecksInTest;
  } catch (...) {
    std::printf("  unknown exception\n");
    ++failedChecksInTest;
  }
  if (failedChecksInTest == 0) {
    ++passed;
    std::printf("[   OK ] %s\n", name);
  } else {
    ++failed;
    std::printf("[ FAIL ] %s\n", name);
  }
  std::fflush(stdout);
}

bool Check(bool condition, const char* file, int line, const std::string& what) {
  if (!condition) {
    ++failedChecksInTest;
    std::printf("  %s:%d: check failed: %s\n", file, line, what.c_str());
    std::fflush(stdout);
  }
  return condition;
}

int Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return (failed == 0 && passed > 0) ? 0 : 1;
}

}  // namespace wintest
