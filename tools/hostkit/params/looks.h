#pragma once
// The curated looks: presets made by eye and shipped with the program, one JSON file each
// ({"description": TEXT, "parameters": {...}}), found by name. They live in a "looks" folder
// beside the program (the build folder) or, installed, in share/swirlmoss/looks.

#include <string>
#include <vector>

namespace hostkit {

struct Look {
  std::string name;         // the file's name without ".json"
  std::string description;  // one line; empty when the file has none
  std::string path;
};

// Every look in the first looks folder that exists, sorted by name.
std::vector<Look> ListLooks();
// Every look in `folder`, sorted by name; none when it is not a folder. For hosts that keep the
// looks beside themselves (the OBS module, in its data folder).
std::vector<Look> ListLooksIn(const std::string& folder);

// What --preset names: a preset file when `nameOrPath` is a path (it holds a '/', ends in
// ".json" or names an existing file), else a look by name (any case). False with a one-line
// `error` listing the looks when it is neither.
bool ResolvePreset(const std::string& nameOrPath, std::string& path, std::string& error);

}  // namespace hostkit
