#include "tools/frei0r/step_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "tools/frei0r/module_state.h"

namespace swirlfrei0r {
namespace {

int TraceFile() {
  static const int file = [] {
    const char* path = std::getenv("SWIRLMOSS_FREI0R_TRACE");
    if (!path || !*path) return -1;
    const int opened = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (opened < 0) Report(std::string("SWIRLMOSS_FREI0R_TRACE: cannot open ") + path + ": " + std::strerror(errno));
    return opened;
  }();
  return file;
}

}  // namespace

void Trace(const char* format, ...) {
  const int file = TraceFile();
  if (file < 0) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[300];
  const int head = std::snprintf(line, sizeof line, "%lld.%03ld pid %d thread %d: ", static_cast<long long>(now.tv_sec),
                                 now.tv_nsec / 1000000, static_cast<int>(getpid()), static_cast<int>(gettid()));
  va_list arguments;
  va_start(arguments, format);
  const int body = std::vsnprintf(line + head, sizeof line - static_cast<size_t>(head) - 1, format, arguments);
  va_end(arguments);
  size_t length = static_cast<size_t>(head) + static_cast<size_t>(body > 0 ? body : 0);
  if (length > sizeof line - 2) length = sizeof line - 2;  // cut short
  line[length++] = '\n';
  if (write(file, line, length) < 0) return;  // a trace that cannot be written changes nothing
}

}  // namespace swirlfrei0r
