#pragma once
// What the preview writes while it runs: a still of the current frame (S), a recording (R)
// and the window's own contents, through the same sinks as `swirlmoss render`.

#include <memory>
#include <string>
#include <vector>

#include "tools/hostkit/media/encode_pool.h"
#include "tools/hostkit/media/frame_sink.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace preview {

// "swirlmoss-20261208-031500.png" in the current folder, from the local time; when that name
// is taken, "-2", "-3", ... is added before the extension.
std::string StampedName(const std::string& extension);

// GL context current. Writes the instance's current frame to a PNG at `path`, whole or not at
// all. False with a one-line `error`.
bool SaveFrame(const hostkit::InstanceDriver& driver, const std::string& path, std::string& error);

// GL context current. Reads the default framebuffer's back buffer, made opaque (a window's
// alpha means nothing to the person looking at it), into `sink`'s one picture and commits it.
bool SaveWindow(hostkit::FrameSink& sink, int width, int height, std::string& error);

// Frames of the running preview to a video file, encoded on a worker thread.
class Recorder {
 public:
  // Starts a recording of width x height frames at `fps` into `path`. False with `error`
  // (no ffmpeg, a folder that cannot be written).
  bool Start(const std::string& path, int width, int height, double fps, std::string& error);
  // GL context current. Adds the instance's current frame. False with `error` once writing
  // failed; the recording is dropped then.
  bool Add(const hostkit::InstanceDriver& driver, std::string& error);
  // Finishes and moves the file into place. False with `error`; nothing is left then.
  bool Stop(std::string& error);
  bool Active() const { return worker != nullptr; }
  const std::string& Path() const { return path; }
  int Frames() const { return frames; }

 private:
  std::unique_ptr<hostkit::FrameSink> sink;
  std::unique_ptr<hostkit::EncodePool> worker;
  std::string path;
  int width = 0;
  int height = 0;
  int frames = 0;
};

}  // namespace preview
