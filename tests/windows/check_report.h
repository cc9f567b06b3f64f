#pragma once
// A small check recorder for the Windows host test, which has no test framework of its own
// on this target: named tests, failed checks printed with their place, a final
// "N passed, N failed" line.

#include <functional>
#include <string>

namespace wintest {

// Runs one named test; it fails when any check inside fails or anything is thrown.
void RunTest(const char* name, const std::function<void()>& body);

// Records one check of the running test. Answers the condition so callers can stop early.
bool Check(bool condition, const char* file, int line, const std::string& what);

// Prints the final line; answers the process exit code (0 only when nothing failed).
int Summary();

}  // namespace wintest

#define WT_CHECK(condition) ::wintest::Check((condition), __FILE__, __LINE__, #condition)
#define WT_CHECK_MSG(condition, message) ::wintest::Check((condition), __FILE__, __LINE__, (message))
