#pragma once
// From a host's time to a frame number. The effect's clock counts frames, so the module turns
// each update's time into the frame it names: seconds times the frame rate, to the nearest
// integer. Hosts differ in the unit (ffmpeg sends milliseconds, the others seconds), and some
// send nonsense (a non-finite or huge value), which leaves the frame unknown.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "tools/hostkit/params/frame_rate.h"

namespace swirlfrei0r {

enum class TimeUnit { Auto, Seconds, Milliseconds };

// Frame numbers above this are treated as nonsense: reaching one would mean priming the clock
// through days of frames.
constexpr int64_t kLargestFrame = 10'000'000;
constexpr int64_t kUnknownFrame = -1;
// The rate taken when the host's times name none: the hosts' usual default.
constexpr double kFallbackFrameRate = hostkit::kDefaultFrameRate;

// "30", "29.97", "30000/1001", or "auto", which gives 0: the rate is then found from the
// host's times (HostRate). False with a one-line `error` for anything else, or for a rate that
// is not above 0 and at most 1000.
bool ParseFrameRate(const std::string& text, double& rate, std::string& error);
// "auto", "s", "ms" (any case). False with a one-line `error` otherwise.
bool ParseTimeUnit(const std::string& text, TimeUnit& unit, std::string& error);

// The host's time in seconds. `Auto` means milliseconds when `hostSendsMilliseconds`.
double HostSeconds(double time, TimeUnit unit, bool hostSendsMilliseconds);
// The frame that `seconds` names, or kUnknownFrame when the time is not finite, lies before 0
// or beyond kLargestFrame.
int64_t FrameAt(double seconds, double rate);
int64_t FrameAt(double time, TimeUnit unit, bool hostSendsMilliseconds, double rate);

// What the first times a host sends say about its frame rate. Hosts send exact multiples of
// one frame's duration (melt and GStreamer 0, 0.04, 0.08 s at 25 fps; ffmpeg the same in
// milliseconds), but not always in order or from 0: melt's render threads take frames in turn,
// an editor may start mid-clip or seek, and frames repeat. So the rule looks at the distinct
// usable times (finite, from 0 to a million seconds) in time order, and at the steps between
// neighbours:
// - the rate is found once two steps agree with the smallest (within 2% plus 1 ms, for
//   containers that round times to milliseconds): their mean is one frame. A seek makes one large
//   step, which the smallest two outvote;
// - with kRateSamples distinct times and still no two agreeing, the smallest step decides;
// - the step must name a usual rate: a common one (23.976 to 240) or a whole fraction of one
//   (down to a sixth), or a whole number of frames per second, from 1 to 240, within 1.5%. The
//   rate found is that usual one, so 0.0333667 s steps give exactly 30000/1001. A step that
//   names none (a glitch, 13.7 fps) gives NoRate, and the fallback rate;
// - until then (Waiting) the rate to use is the smallest step's if it names a usual rate, else
//   the fallback. One time alone names frame 0 when it is 0, whatever the rate; later times
//   correct a first frame rendered at a wrong guess, as the instance goes back when it must.
// Times that are never usable (ffmpeg 5.1's for frames decoded from a file) leave it Waiting,
// and such frames are counted instead.
constexpr size_t kRateSamples = 6;
struct RateFinding {
  enum class State { Waiting, Found, NoRate };
  State state = State::Waiting;
  double rate = kFallbackFrameRate;  // the rate to use now
  double step = 0.0;                 // the step in seconds that decided; 0 while waiting
};
// `seconds` as the host sent them, in any order, with repeats and nonsense; the first
// kRateSamples distinct usable ones count. Allocates nothing.
RateFinding FindFrameRate(const double* seconds, size_t count);

// The finding shared by every instance in the process with "Frame Rate" auto: melt gives each
// render thread its own instance and deals frames out in turn, so one instance alone may see
// every second frame. Thread-safe, and allocates nothing.
class HostRate {
 public:
  // Feeds `seconds` while the rate is undecided and answers the rate to use now. `decided` is
  // set true by the one call that settles it (Found or NoRate), so that it is told once.
  RateFinding Feed(double seconds, bool& decided);

 private:
  std::mutex lock;
  std::array<double, kRateSamples> samples{};
  size_t count = 0;
  RateFinding finding;
};

}  // namespace swirlfrei0r
