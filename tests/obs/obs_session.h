#pragma once
// libobs started without its UI in this test program, as a front end starts it: X11 with EGL
// on the test's private X server, OpenGL, BGRA output frames converted on the GPU, and only
// the modules the tests need (image-source and ours, from the build). Output frames are
// captured through a raw video callback, with no output or encoder.

#include <obs.h>

#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace obstest {

// One captured output frame, rows top to bottom, BGRA.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;
  bool operator==(const Frame& other) const { return bgra == other.bgra; }
  bool Blank() const;  // every byte 0: before a source has shown
};

class ObsSession {
 public:
  // Starts OBS once per process, opens the modules and sets the canvas to width x height.
  // Failures end the test program with a line naming the step.
  static ObsSession& Start(int width, int height);
  // A new canvas size (OBS must have no active output, which the tests never start).
  void Resize(int width, int height);

  // Frames from now on are kept; Take hands over those kept so far.
  void Record(bool on);
  std::vector<Frame> Take();
  // Waits until `count` frames that are not blank and differ from the one before have been
  // kept, or `seconds` pass; answers them (fewer on timeout). Repeats of one frame (OBS sends
  // a frame again when it falls behind) count once.
  std::vector<Frame> Distinct(size_t count, double seconds);

  // The lines of OBS's log that the module wrote ("[swirlmoss-obs] ..."), so far.
  std::vector<std::string> ModuleLog();
  // Every warning and error line of OBS's log, whoever wrote it, so far.
  std::vector<std::string> Warnings();

  int Width() const { return width; }
  int Height() const { return height; }

 private:
  static void Captured(void* self, video_data* frame);
  static void Logged(int level, const char* format, va_list args, void* self);
  int width = 0, height = 0;
  std::mutex lock;
  bool recording = false;
  std::vector<Frame> frames;
  std::mutex logLock;
  std::vector<std::string> moduleLog;
  std::vector<std::string> warnings;
};

// A scene holding `source` as the only item, made the output; released with the object.
class OutputScene {
 public:
  explicit OutputScene(obs_source_t* source);
  ~OutputScene();
  OutputScene(const OutputScene&) = delete;
  OutputScene& operator=(const OutputScene&) = delete;
  obs_sceneitem_t* Item() const { return item; }

 private:
  obs_scene_t* scene;
  obs_sceneitem_t* item;
};

// Settings made from JSON text; the caller releases them.
obs_data_t* Settings(const std::string& json);

}  // namespace obstest
