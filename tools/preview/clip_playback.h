#pragma once
// The input clip's sound, played aloud on PipeWire's default output in step with the picture.
// The sound is decoded once, by ffmpeg, to 48 kHz stereo floats in an unnamed temporary file that
// is mapped into memory: a long clip costs disk and page cache, not the preview's own memory. The
// frame loop says which clip time is on screen and when it was shown; the stream's thread plays
// from there at the sound's own pace and jumps, with a short cross-fade, whenever it has drifted
// from the picture (a loop, a slow frame loop, a step). With no picture shown for a while
// (paused, or the first frame's shader compile) it fades to silence.

#include <atomic>
#include <memory>
#include <string>

namespace preview {

class ClipPlayback {
 public:
  // Decodes the sound of `path`, which loops every `loopSeconds` (0: at the sound's own end),
  // and connects to PipeWire. Null with one line in `note` when there is no sound to play, no
  // ffmpeg or no PipeWire; else `note` says where it plays.
  static std::unique_ptr<ClipPlayback> Open(const std::string& path, double loopSeconds, std::string& note);
  virtual ~ClipPlayback() = default;

  // On the frame loop: the picture of clip time `clipSeconds` went on screen at `shownAt`
  // seconds (hostkit::LiveClock). Never blocks.
  void Shown(double clipSeconds, double shownAt) {
    shownClip.store(clipSeconds, std::memory_order_relaxed);
    shownTime.store(shownAt, std::memory_order_release);
  }

 protected:
  ClipPlayback() = default;
  std::atomic<double> shownClip{0.0};
  std::atomic<double> shownTime{-1.0};  // negative: no picture yet
};

}  // namespace preview
