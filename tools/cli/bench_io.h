#pragma once
// swirlmoss bench --io: the output pipeline alone, fed with a cheap pass-through frame as a GPU
// would feed it, so that reading back, compressing and writing are what is measured.

#include <string>

#include "tools/cli/cli_common.h"
#include "tools/hostkit/params/render_settings.h"

namespace swirlcli {

struct IoBenchOptions {
  hostkit::FrameSize size{1920, 1080};
  int frames = 60;  // per output
  int jobs = 0;     // threads of the pool rows; 0: one per CPU core
};

// Prints the table; writes into a temporary folder that it removes. Throws CommandFailure.
void RunIoBench(const LoadedPlugin& plugin, const hostkit::EglContext& gl, const IoBenchOptions& options);

}  // namespace swirlcli
