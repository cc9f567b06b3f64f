#pragma once
// One frei0r instance: the parameter values the host sets, and a plugin instance on the GL
// thread that renders each update's frame from the host's picture.
//
// The effect's clock advances one step per frame, so a frame's picture depends on every frame
// before it. Hosts seek, repeat frames and render out of order; to make a frame's picture a
// function of its time only, each update names a frame (from its time, see frame_clock.h) and
// the instance brings the plugin there: forward by priming the clock with frames of no input
// (which draw nothing), backward by starting a new plugin instance and priming from frame 0.
// Skipped frames take the values the host set for the frame being rendered.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/frei0r/frame_clock.h"
#include "tools/frei0r/frame_transfer.h"
#include "tools/hostkit/params/frame_rate.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace swirlfrei0r {

class ModuleState;

class FilterInstance {
 public:
  // Precondition: the module state has its plugin. Makes no GL call.
  FilterInstance(const ModuleState& state, unsigned width, unsigned height);
  // Hands the plugin instance and GL objects to the GL thread for deletion and waits.
  ~FilterInstance();
  FilterInstance(const FilterInstance&) = delete;
  FilterInstance& operator=(const FilterInstance&) = delete;

  // `value` points at the frei0r type of parameter `index` (a double or a char*). A value the
  // parameter cannot take is reported in one line and ignored. Precondition: index in range.
  void SetParameter(int index, const void* value);
  void GetParameter(int index, void* value);

  // Renders the frame `time` names from `input` into `output` (both width x height RGBA, top
  // row first). Without GL, or when the plugin cannot draw, `output` is a copy of `input`.
  void Update(double time, const uint32_t* input, uint32_t* output);

  // The frame the next forward update continues from (test access).
  int64_t NextFrame() const { return nextFrame; }

 private:
  static void UpdateJob(void* self);
  static void ReleaseJob(void* self);
  void Render();
  bool MakeDriver();
  void ApplyValues();

  const ModuleState& state;
  const int width;
  const int height;
  // "Frame Rate" auto: the rate comes from the host's times (see HostRate), else `rate`.
  bool rateFromHost = true;
  // Values in the plugin's units, by plugin index; `hostSet` marks those the host has moved
  // away from the declared default (only those are sent: the rest keep what the current mode
  // starts with, as in a render that sets nothing).
  std::vector<float> values;
  std::vector<char> hostSet;
  std::vector<std::string> texts;     // what get answers for string parameters
  std::vector<std::string> lastSeen;  // the last string set, so a repeated one is not parsed again
  double rate = hostkit::kDefaultFrameRate;
  TimeUnit unit = TimeUnit::Auto;

  // Owned by the GL thread.
  std::unique_ptr<hostkit::InstanceDriver> driver;
  std::vector<float> startValues;  // the first plugin instance's values, given to later ones
  bool unusable = false;
  int64_t nextFrame = 0;
  std::unique_ptr<FrameTransfer> transfer;

  // The last frame drawn, its input and values: hosts repeat frames (melt does), and a repeat
  // is answered from here instead of by a new plugin instance primed up to it.
  bool RepeatsLastFrame(const uint32_t* in) const;
  void KeepLastFrame();
  std::vector<uint8_t> lastInput;
  std::vector<uint8_t> lastOutput;
  std::vector<float> lastValues;
  std::vector<char> lastHostSet;

  // The job being handed to the GL thread.
  int64_t targetFrame = 0;
  const uint32_t* input = nullptr;
  uint32_t* output = nullptr;
  bool rendered = false;
};

}  // namespace swirlfrei0r
