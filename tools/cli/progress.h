#pragma once
// What a render says on standard error. On a terminal: a note while the first frame waits for
// the shader to compile, then a progress bar. Elsewhere (a script, a log): one line before the
// first frame of the process and one with how long it took, so a long wait is never silent.

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
