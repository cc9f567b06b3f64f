#include "tools/hostkit/plugin/plugin_library.h"

#include <cstring>
#include <filesystem>

namespace hostkit {
namespace {

std::string FixedText(const char* bytes, size_t size) { return std::string(bytes, strnlen(bytes, size)); }

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
  std::error_code ignored;
  const auto status = std::filesystem::status(path, ignored);
  if (!std::filesystem::exists(status)) {
    error = "plugin library not found: " + path;
    return nullptr;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = "plugin library is not a file: " + path;
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<PluginLibrary> plugin(new PluginLibrary());
  plugin->library = SharedLibrary::Open(path, reason);
  if (!plugin->library) {
    error = "not a loadable shared library: " + path + " (" + reason + ")";
    return nullptr;
  }
  plugin->plugMain = reinterpret_cast<wire::PlugMainFn>(plugin->library->Symbol("plugMain"));
  if (!plugin->plugMain) {
    error = "no plugMain in " + path + ": it is a shared library but not a plugin of this interface";
    return nullptr;
  }
  plugin->path = path;
  if (plugin->Call(wire::code::kInitialise, 0u).u32 != wire::kSuccess) {
    error = "the plugin in " + path + " refused to initialise (code 34 failed)";
    return nullptr;
  }
  plugin->initialised = true;
  return plugin;
}

PluginLibrary::~PluginLibrary() {
  if (initialised) Call(wire::code::kDeinitialise, 0u);
}

wire::Word PluginLibrary::Call(uint32_t code, uint32_t input, wire::InstanceHandle instance) const {
  wire::Word word{};
  word.u32 = input;
  return plugMain(code, word, instance);
}

wire::Word PluginLibrary::Call(uint32_t code, void* input, wire::InstanceHandle instance) const {
  wire::Word word{};
  word.pointer = input;
  return plugMain(code, word, instance);
}

PluginIdentity PluginLibrary::Identity() const {
  PluginIdentity identity;
  const wire::Word infoWord = Call(wire::code::kGetInfo, 0u);
  if (infoWord.all != wire::kPointerFail && infoWord.pointer) {
    const auto* info = static_cast<const wire::Info*>(infoWord.pointer);
    identity.apiMajor = info->apiMajor;
    identity.apiMinor = info->apiMinor;
    identity.uniqueId = FixedText(info->uniqueId, sizeof info->uniqueId);
    identity.name = FixedText(info->name, sizeof info->name);
    identity.pluginType = info->pluginType;
  }
  const wire::Word extendedWord = Call(wire::code::kGetExtendedInfo, 0u);
  if (extendedWord.all != wire::kPointerFail && extendedWord.pointer) {
    const auto* extended = static_cast<const wire::ExtendedInfo*>(extendedWord.pointer);
    identity.versionMajor = extended->versionMajor;
    identity.versionMinor = extended->versionMinor;
    identity.description = extended->description ? extended->description : "";
    identity.about = extended->about ? extended->about : "";
  }
  return identity;
}

PluginCapabilities PluginLibrary::Capabilities() const {
  auto ask = [this](uint32_t capability) {
    const uint32_t answer = Call(wire::code::kGetCapability, capability).u32;
    return answer == wire::kFail ? 0u : answer;
  };
  PluginCapabilities caps;
  caps.hostTime = ask(wire::capability::kHostTime) != 0;
  caps.minInputs = ask(wire::capability::kMinInputs);
  caps.maxInputs = ask(wire::capability::kMaxInputs);
  caps.topLeftOrientation = ask(wire::capability::kTopLeftOrientation) != 0;
  return caps;
}

}  // namespace hostkit
