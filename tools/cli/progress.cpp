#include "tools/cli/progress.h"

#include <cstdio>

#include "tools/cli/cli_common.h"

namespace swirlcli {

using Clock = std::chrono::steady_clock;

TerminalProgress::TerminalProgress(std::string label)
    : label(std::move(label)), enabled(StderrIsTerminal()), start(Clock::now()), lastDraw(start) {}

TerminalProgress::~TerminalProgress() { Close(); }

namespace {

constexpr const char* kCompileNote =
    "first frame: the GL driver is compiling the effect's shader (about 20 s on llvmpipe with a cold cache; cached "
    "on disk afterwards)";
// Without a terminal the compile lines are said once a process at most: later renders reuse the shader.
bool compileLinesSaid = false;

}  // namespace

void TerminalProgress::FirstFrameStarting() {
  start = Clock::now();
  if (!enabled && compileLinesSaid) return;
  // Said only once the first frame is slow: a warm shader cache makes it quick.
  firstFrameWait = std::make_unique<hostkit::WaitNotice>(hostkit::kFirstFrameNoticeAfter, [this] {
    if (!enabled) {
      compileLinesSaid = true;
      std::fprintf(stderr, "swirlmoss: %s...\n", kCompileNote);
      return;
    }
    std::fprintf(stderr, "\r\033[K%s: %s...", label.c_str(), kCompileNote);
    std::fflush(stderr);
    lineOpen = true;
  });
}

void TerminalProgress::FirstFrameDone(double seconds) {
  const bool said = firstFrameWait && firstFrameWait->Finish();
  firstFrameWait.reset();
  if (!said) return;
  if (!enabled) {
    std::fprintf(stderr, "swirlmoss: first frame ready after %.1f s\n", seconds);
    return;
  }
  std::fprintf(stderr, "\r\033[K%s: shader compiled, first frame ready after %.1f s\n", label.c_str(), seconds);
  lineOpen = false;
}

void TerminalProgress::FrameDone(int done, int total) {
  if (!enabled) return;
  const Clock::time_point now = Clock::now();
  if ((total <= 0 || done < total) && now - lastDraw < std::chrono::milliseconds(100)) return;
  lastDraw = now;
  constexpr int kWidth = 30;
  const int filled = total > 0 ? done * kWidth / total : kWidth;
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kWidth] = '\0';
  const double elapsed = std::chrono::duration<double>(now - start).count();
  const double rate = elapsed > 0 ? done / elapsed : 0.0;
  const double remaining = rate > 0 ? (total - done) / rate : 0.0;
  if (total > 0) {
    std::fprintf(stderr, "\r\033[K%s [%s] %d/%d frames, %.1f fps, %.0f s left", label.c_str(), bar, done, total,
                 rate, remaining);
  } else {  // an input that does not say its length: no end to show
    std::fprintf(stderr, "\r\033[K%s %d frames, %.1f fps", label.c_str(), done, rate);
  }
  std::fflush(stderr);
  lineOpen = true;
}

bool TerminalProgress::Cancelled() { return Interrupted(); }

void TerminalProgress::Close() {
  if (firstFrameWait) firstFrameWait->Finish();  // a render that failed at its first frame
  if (enabled && lineOpen) std::fputc('\n', stderr);
  lineOpen = false;
}

}  // namespace swirlcli
