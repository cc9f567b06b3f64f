#pragma once
// A record of the module's steps, for finding where a host stalled. With
// SWIRLMOSS_FREI0R_TRACE=FILE in the environment, every step appends one line to FILE:
// "SECONDS pid PID thread TID: STEP" (SECONDS on the monotonic clock). Each line is a single
// append, so the lines of threads and processes sharing the file never mix, and the last
// lines of a process that hangs are on disk. Off, a step costs one test.

namespace swirlfrei0r {

// Appends one line when tracing is on. Allocates nothing.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace swirlfrei0r
