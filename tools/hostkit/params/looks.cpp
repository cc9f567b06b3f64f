#include "tools/hostkit/params/looks.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/platform/file_system.h"

namespace hostkit {
namespace {

namespace fs = std::filesystem;

// Beside the program in a build; share/swirlmoss/looks for the program installed in bin/.
std::string LooksFolder() {
  const std::string program = ExecutablePath();
  if (program.empty()) return "";
  const fs::path directory = fs::path(program).parent_path();
  std::error_code ignored;
  for (const fs::path& candidate : {directory / "looks", directory / ".." / "share" / "swirlmoss" / "looks"}) {
    if (fs::is_directory(candidate, ignored)) return candidate.lexically_normal().string();
  }
  return "";
}

std::string DescriptionOf(const std::string& path) {
  std::ifstream file(path);
  const nlohmann::json document = nlohmann::json::parse(file, nullptr, false);
  if (document.is_object() && document.contains("description") && document["description"].is_string()) {
    return document["description"].get<std::string>();
  }
  return "";
}

bool LooksLikePath(const std::string& text) {
  std::error_code ignored;
  return text.find('/') != std::string::npos ||
         (text.size() > 5 && text.compare(text.size() - 5, 5, ".json") == 0) || fs::is_regular_file(text, ignored);
}

}  // namespace

std::vector<Look> ListLooks() { return ListLooksIn(LooksFolder()); }

std::vector<Look> ListLooksIn(const std::string& folder) {
  std::vector<Look> looks;
  if (folder.empty()) return looks;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    if (entry.path().extension() != ".json" || !entry.is_regular_file(ignored)) continue;
    looks.push_back({entry.path().stem().string(), DescriptionOf(entry.path().string()), entry.path().string()});
  }
  std::sort(looks.begin(), looks.end(), [](const Look& a, const Look& b) { return a.name < b.name; });
  return looks;
}

bool ResolvePreset(const std::string& nameOrPath, std::string& path, std::string& error) {
  // A bare name that is both a file here and a look could mean either: say so rather than pick.
  std::error_code ignored;
  if (nameOrPath.find('/') == std::string::npos && fs::is_regular_file(nameOrPath, ignored)) {
    for (const Look& look : ListLooks()) {
      if (!SameName(look.name, nameOrPath)) continue;
      error = "--preset " + nameOrPath + ": names both the look " + look.name + " and the file ./" + nameOrPath +
              "; give ./" + nameOrPath + " for the file, or rename the file";
      return false;
    }
  }
  if (LooksLikePath(nameOrPath)) {
    path = nameOrPath;
    return true;
  }
  std::vector<std::string> names;
  for (const Look& look : ListLooks()) {
    if (SameName(look.name, nameOrPath)) {
      path = look.path;
      return true;
    }
    names.push_back(look.name);
  }
  error = "--preset " + nameOrPath + ": no such preset file or look";
  const std::string nearest = DidYouMean(nameOrPath, names);
  if (names.empty()) {
    error += " (no looks are installed beside this program)";
  } else if (!nearest.empty()) {
    error += "; " + nearest;
  } else {
    error += "; the looks are " + JoinNames(names, ", ") + " (swirlmoss looks describes them)";
  }
  return false;
}

}  // namespace hostkit
