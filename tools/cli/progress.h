#pragma once
// What a render says on standard error. On a terminal: a note while a slow first frame waits
// for the shader to compile, then a progress bar. Elsewhere (a script, a log): when the first
// frame of the process is slow, one line once it is and one with how long it took, so a long
// wait is never silent and a quick one says nothing.

#include <chrono>
#include <memory>
#include <string>

#include "tools/hostkit/render/render_loop.h"
#include "tools/hostkit/render/wait_notice.h"

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
  std::unique_ptr<hostkit::WaitNotice> firstFrameWait;  // while the first frame is drawn
};

}  // namespace swirlcli
