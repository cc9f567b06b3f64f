#pragma once
// From a host's time to a frame number. The effect's clock counts frames, so the module turns
// each update's time into the frame it names: seconds times the frame rate, to the nearest
// integer. Hosts differ in the unit (ffmpeg sends milliseconds, the others seconds), and some
// send nonsense (a non-finite or huge value), which leaves the frame unknown.

#include <cstdint>
#include <string>

namespace swirlfrei0r {

enum class TimeUnit { Auto, Seconds, Milliseconds };

// Frame numbers above this are treated as nonsense: reaching one would mean priming the clock
// through days of frames.
constexpr int64_t kLargestFrame = 10'000'000;
constexpr int64_t kUnknownFrame = -1;

// "30", "29.97", "30000/1001". False with a one-line `error` for anything else, or for a rate
// that is not above 0 and at most 1000.
bool ParseFrameRate(const std::string& text, double& rate, std::string& error);
// "auto", "s", "ms" (any case). False with a one-line `error` otherwise.
bool ParseTimeUnit(const std::string& text, TimeUnit& unit, std::string& error);

// The frame that `time` names, or kUnknownFrame when the time is not finite, lies before 0 or
// beyond kLargestFrame. `Auto` means milliseconds when `hostSendsMilliseconds`.
int64_t FrameAt(double time, TimeUnit unit, bool hostSendsMilliseconds, double rate);

}  // namespace swirlfrei0r
