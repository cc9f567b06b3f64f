#pragma once
// The terminal's view of a render: a note while the first frame waits for the shader to
// compile, then a progress bar. Silent when standard error is not a terminal.

#include <chrono>
#include <string>

#include "tools/hostkit/render/render_loop.h"

namespace swirlcli {

class TerminalProgress : public hostkit::RenderObserver {
 public:
  explicit TerminalProgress(std::string label);
  ~TerminalProgress() override;
  void FirstFrameStarting() override;
  void FirstFrameDone(double seconds) override;
  void FrameDone(int done, int total) override;
  bool Cancelled() override;
  // Ends the bar's line.
  void Close();

 private:
  std::string label;
  bool enabled;
  bool lineOpen = false;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point lastDraw;
};

}  // namespace swirlcli
