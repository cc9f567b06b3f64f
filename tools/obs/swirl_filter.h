#pragma once
// The "Swirlmoss" video filter: OBS's description of it (callbacks, controls, defaults).

#include <obs-module.h>

namespace swirlobs {

// The filter's registration record, filled once.
const obs_source_info& FilterInfo();

}  // namespace swirlobs
