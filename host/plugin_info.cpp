#include "host/plugin_info.h"

#include <cstddef>

#include "host/plugin_base.h"

namespace {

PluginInfoBlock* registeredInfo = nullptr;
CFFGLPlugin* prototype = nullptr;

// Copies byte by byte up to and including the first NUL, stopping when the field is full;
// bytes after the NUL keep their zero.
void CopyFixedField(char* field, size_t fieldSize, const char* text) {
  if (!text) return;
  for (size_t i = 0; i < fieldSize; ++i) {
    field[i] = text[i];
    if (text[i] == '\0') break;
  }
}

}  // namespace

PluginInfoBlock::PluginInfoBlock(FFGLFactory factory, const char* uniqueId, const char* name, uint32_t apiMajor,
                                 uint32_t apiMinor, uint32_t pluginMajor, uint32_t pluginMinor,
                                 uint32_t pluginType, const char* description, const char* about)
    : aboutText(about ? about : ""), descriptionText(description ? description : ""), CreateInstance(factory) {
  info.APIMajorVersion = apiMajor;
  info.APIMinorVersion = apiMinor;
  CopyFixedField(info.PluginUniqueID, sizeof info.PluginUniqueID, uniqueId);
  CopyFixedField(info.PluginName, sizeof info.PluginName, name);
  info.PluginType = pluginType;
  extendedInfo.PluginMajorVersion = pluginMajor;
  extendedInfo.PluginMinorVersion = pluginMinor;
  extendedInfo.Description = descriptionText.c_str();
  extendedInfo.About = aboutText.c_str();
  extendedInfo.FreeFormExtendedDataSize = 0;
  extendedInfo.FreeFormExtendedDataBlock = nullptr;
}

PluginInfoBlock* RegisteredPluginInfo() { return registeredInfo; }

void RegisterPluginInfo(PluginInfoBlock* block) { registeredInfo = block; }

CFFGLPlugin* Prototype() { return prototype; }

uint32_t EnsurePrototype() {
  if (!registeredInfo || !registeredInfo->CreateInstance) return FF_FAIL;
  if (prototype) return FF_SUCCESS;
  if (registeredInfo->CreateInstance(&prototype) != FF_SUCCESS || !prototype) {
    // A failed answer never leaves a prototype behind, whatever the factory stored.
    prototype = nullptr;
    return FF_FAIL;
  }
  return FF_SUCCESS;
}

void DestroyPrototype() {
  delete prototype;
  prototype = nullptr;
}

uint32_t CapabilityAnswer(uint32_t capability) {
  if (EnsurePrototype() != FF_SUCCESS) return FF_FAIL;
  const CFFGLPlugin& settings = *prototype;
  switch (capability) {
    case FF_CAP_SETTIME:
      return settings.timeSupported ? 1u : 0u;
    case FF_CAP_MINIMUMINPUTFRAMES:
      return settings.minInputs < 0 ? 0u : static_cast<uint32_t>(settings.minInputs);
    case FF_CAP_MAXIMUMINPUTFRAMES:
      return settings.maxInputs < 0 ? 0u : static_cast<uint32_t>(settings.maxInputs);
    case FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION:
      return settings.topLeftSupported ? 1u : 0u;
    default:
      return 0u;
  }
}
