#pragma once
// What the module asks of the process it is loaded into: where its own file lies, and whether
// the host is ffmpeg. One small file per platform answers.

#include <string>

namespace swirlfrei0r {

// The folder holding this module's file, without a trailing slash; empty when unknown.
std::string ModuleDirectory();

// True when libavfilter is loaded into the process, that is when the host is ffmpeg (or
// another libavfilter user, which sends time the same way).
bool ProcessHasLibavfilter();

}  // namespace swirlfrei0r
