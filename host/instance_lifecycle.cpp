#include "host/instance_lifecycle.h"

#include "host/gl_loader.h"
#include "host/plugin_base.h"
#include "host/plugin_info.h"

namespace {

// Sets every parameter of the new instance to the prototype's registered default, in index
// order, through the instance's own setters.
bool PushDefaults(CFFGLPlugin& instance, const CFFGLPlugin& prototype) {
  for (uint32_t i = 0; i < prototype.NumParams(); ++i) {
    const ParamRecord* record = prototype.FindParam(i);
    // Indices without gaps find a record each; a gap is skipped rather than dereferenced.
    if (!record) continue;
    const bool isText = record->type == FF_TYPE_TEXT || record->type == FF_TYPE_FILE;
    const uint32_t answer = isText ? instance.SetParamText(i, record->defaultText.c_str())
                                   : instance.SetParamValue(i, record->defaultValue);
    if (answer == FF_FAIL) return false;
  }
  return true;
}

}  // namespace

CFFGLPlugin* CreateGLInstance(const FFGLViewportStruct* viewport) {
  PluginInfoBlock* info = RegisteredPluginInfo();
  if (!info || !info->CreateInstance || !viewport) return nullptr;
  if (EnsurePrototype() != FF_SUCCESS || !Prototype()) return nullptr;

  CFFGLPlugin* instance = nullptr;
  if (info->CreateInstance(&instance) != FF_SUCCESS || !instance) return nullptr;
  instance->ownerRegistry = instance;

  if (!PushDefaults(*instance, *Prototype()) || !EnsureGlEntryPoints()) {
    delete instance;
    return nullptr;
  }
  if (instance->SetupGL(viewport) != FF_SUCCESS) {
    instance->TeardownGL();
    delete instance;
    return nullptr;
  }
  return instance;
}

void DestroyGLInstance(CFFGLPlugin* instance) {
  if (instance->connected) {
    instance->Disconnect();
    instance->connected = false;
  }
  instance->TeardownGL();
  delete instance;
}
