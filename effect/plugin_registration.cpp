// What the host identifies the plugin by, and the factory that makes its instances. The
// block is filled when the library is loaded, before the host's first call.

#include <new>

#include "effect/plugin_registration.h"

#include "effect/organic_mats_plugin.h"
#include "host/plugin_info.h"

namespace {

uint32_t CreateOrganicMats(CFFGLPlugin** instance) {
  *instance = new (std::nothrow) OrganicMatsPlugin();
  return *instance ? FF_SUCCESS : FF_FAIL;
}

struct Registration {
  PluginInfoBlock block{CreateOrganicMats,
                        "QAWM",
                        "QARU Swirlmoss",
                        2,
                        1,
                        1,
                        0,
                        FF_EFFECT,
                        "Animated organic material: glossy flowing paint or rising smoke, optionally masked by the input.",
                        "Swirlmoss real-time effect plugin."};
  Registration() { RegisterPluginInfo(&block); }
  ~Registration() { RegisterPluginInfo(nullptr); }
};

Registration registration;

}  // namespace

PluginInfoBlock& SwirlmossPluginInfo() { return registration.block; }
