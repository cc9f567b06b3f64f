#pragma once
// A loaded plugin: the library, its plugMain, and the global questions a host asks before it
// makes an instance (information, extended information, capabilities).

#include <cstdint>
#include <memory>
#include <string>

#include "tools/hostkit/platform/shared_library.h"
#include "tools/hostkit/plugin/wire.h"

namespace hostkit {

struct PluginIdentity {
  std::string uniqueId;  // four characters, no terminator on the wire
  std::string name;      // up to sixteen characters
  uint32_t apiMajor = 0, apiMinor = 0;
  uint32_t pluginType = 0;
  uint32_t versionMajor = 0, versionMinor = 0;
  std::string description;
  std::string about;
};

struct PluginCapabilities {
  bool hostTime = false;
  uint32_t minInputs = 0;
  uint32_t maxInputs = 0;
  bool topLeftOrientation = false;
};

class PluginLibrary {
 public:
  // Loads the library, finds plugMain and initialises the plugin (code 34). Returns null with
  // a one-line `error` naming the file and the problem: not found, not a loadable shared
  // library, no plugMain, or an initialisation the plugin refused.
  static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string& error);

  // Lets the plugin release its process-wide state (code 2), then unloads the library.
  // Precondition: every instance of it has been destroyed.
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const std::string& Path() const { return path; }

  // One call of the entry point. The plugin's own calling rules apply (GL context current for
  // the instance and frame codes).
  wire::Word Call(uint32_t code, wire::Word input, wire::InstanceHandle instance = nullptr) const {
    return plugMain(code, input, instance);
  }
  wire::Word Call(uint32_t code, uint32_t input, wire::InstanceHandle instance = nullptr) const;
  wire::Word Call(uint32_t code, void* input, wire::InstanceHandle instance = nullptr) const;

  // Codes 0 and 13. Empty fields where the plugin answers a null pointer.
  PluginIdentity Identity() const;
  // Code 10 for the capabilities a host of one input needs.
  PluginCapabilities Capabilities() const;

 private:
  PluginLibrary() = default;
  std::unique_ptr<SharedLibrary> library;
  wire::PlugMainFn plugMain = nullptr;
  std::string path;
  bool initialised = false;
};

}  // namespace hostkit
