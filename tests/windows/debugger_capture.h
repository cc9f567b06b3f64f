#pragma once
// Sees what this process writes to the debugger channel. OutputDebugStringA raises a
// debug-print exception that a vectored handler observes before the system swallows it, so
// the texts are captured in the process itself, with or without a debugger attached.

#include <string>
#include <vector>

namespace wintest {

class DebuggerCapture {
 public:
  // Starts capturing; only one capture is active at a time.
  DebuggerCapture();
  ~DebuggerCapture();
  DebuggerCapture(const DebuggerCapture&) = delete;
  DebuggerCapture& operator=(const DebuggerCapture&) = delete;

  // The texts passed to OutputDebugStringA since the capture started, one entry per call.
  const std::vector<std::string>& Texts() const;

 private:
  void* handler = nullptr;
};

}  // namespace wintest
