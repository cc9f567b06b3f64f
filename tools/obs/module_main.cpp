// The OBS module swirlmoss-obs: registers the "Swirlmoss" video filter. The plugin is found
// and loaded when the first filter is made, not here, so that OBS starts as fast without it.

#include <obs-module.h>

#include "tools/obs/swirl_filter.h"

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("swirlmoss-obs", "en-US")

MODULE_EXPORT const char* obs_module_description(void) {
  return "Swirlmoss: animated paint or smoke over a source, drawn on the GPU by the Swirlmoss effect plugin";
}

bool obs_module_load(void) {
  obs_register_source(&swirlobs::FilterInfo());
  return true;
}
