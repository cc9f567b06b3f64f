#pragma once
// The plugin information the host identifies us by, the instance factory, and the hidden
// prototype instance that answers every static parameter question.

#include <cstdint>
#include <string>

#include "host/ffgl_types.h"

class CFFGLPlugin;

// Allocates one instance and stores its address through `instance`; FF_SUCCESS, or
// FF_FAIL with null stored when no object results.
typedef uint32_t (*FFGLFactory)(CFFGLPlugin** instance);

struct PluginInfoBlock {
  PluginInfoStruct info{};
  PluginExtendedInfoStruct extendedInfo{};
  std::string aboutText;
  std::string descriptionText;
  FFGLFactory CreateInstance = nullptr;

  PluginInfoBlock(FFGLFactory factory, const char* uniqueId, const char* name, uint32_t apiMajor,
                  uint32_t apiMinor, uint32_t pluginMajor, uint32_t pluginMinor, uint32_t pluginType,
                  const char* description, const char* about);
  PluginInfoBlock(const PluginInfoBlock&) = delete;
  PluginInfoBlock& operator=(const PluginInfoBlock&) = delete;
};

// The block plugMain reads; null until a block is registered at library load.
PluginInfoBlock* RegisteredPluginInfo();
// Makes `block` the process's plugin information (null clears it).
void RegisterPluginInfo(PluginInfoBlock* block);

// The prototype instance, or null.
CFFGLPlugin* Prototype();
// FF_SUCCESS when the prototype exists afterwards, else FF_FAIL.
uint32_t EnsurePrototype();
// Code 2: destroys the prototype if it exists.
void DestroyPrototype();

// Code 10, answered from the prototype: FF_FAIL when it cannot be created.
uint32_t CapabilityAnswer(uint32_t capability);
