#include "tools/hostkit/plugin/plugin_search.h"

#include <cstdlib>
#include <filesystem>

#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/shared_library.h"

namespace hostkit {
namespace {

std::string FolderOf(const std::string& file) {
  if (file.empty()) return "";
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

bool IsFile(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

}  // namespace

std::vector<std::string> PluginCandidates(const PluginSearch& search) {
  if (!search.given.empty()) return {search.given};
  if (!search.environment.empty()) return {search.environment};
  const std::string folder = search.ownFolder.empty() ? "." : search.ownFolder;
  if (search.seeker == PluginSeeker::Program) {
    return {folder + "/Swirlmoss.so", folder + "/../lib/swirlmoss/plugins/Swirlmoss.so"};
  }
  if (search.seeker == PluginSeeker::ObsModule || search.seeker == PluginSeeker::GstElement) {
    return {folder + "/Swirlmoss.so", folder + "/../../swirlmoss/plugins/Swirlmoss.so",
            folder + "/../swirlmoss/plugins/Swirlmoss.so", folder + "/../Swirlmoss.so"};
  }
  return {folder + "/Swirlmoss.so", folder + "/../swirlmoss/plugins/Swirlmoss.so", folder + "/../Swirlmoss.so"};
}

bool FirstExisting(const std::vector<std::string>& candidates, const std::function<bool(const std::string&)>& exists,
                   std::string& found, std::string& error) {
  std::string tried;
  for (const auto& candidate : candidates) {
    if (exists(candidate)) {
      found = candidate;
      return true;
    }
    tried += (tried.empty() ? "" : ", ") + candidate;
  }
  error = "plugin library not found (looked for " + tried + ")";
  return false;
}

bool FindPlugin(const std::string& given, PluginSeeker seeker, std::string& path, std::string& error) {
  PluginSearch search;
  search.given = given;
  const char* environment = std::getenv("SWIRLMOSS_PLUGIN");
  search.environment = environment ? environment : "";
  search.seeker = seeker;
  // Any address inside the host library names the file it was linked into: the program, or
  // the module a host loaded.
  search.ownFolder = FolderOf(seeker == PluginSeeker::Program ? ExecutablePath()
                                                              : FileHoldingAddress(reinterpret_cast<const void*>(&FindPlugin)));
  if (FirstExisting(PluginCandidates(search), IsFile, path, error)) return true;
  if (search.given.empty() && search.environment.empty()) {
    error += seeker == PluginSeeker::Program ? "; give its path with --plugin or SWIRLMOSS_PLUGIN"
                                             : "; set SWIRLMOSS_PLUGIN to its path";
  }
  return false;
}

}  // namespace hostkit
