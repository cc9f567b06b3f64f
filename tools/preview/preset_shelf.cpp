#include "tools/preview/preset_shelf.h"

#include <filesystem>

#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/preview/ui_script.h"

namespace preview {
namespace {

bool EndsWithJson(std::string_view name) { return name.size() > 5 && name.substr(name.size() - 5) == ".json"; }

}  // namespace

PresetShelf::PresetShelf(const hostkit::ParameterModel& model, std::string folder)
    : model(model), folder(std::move(folder)), asked(0, 16) {}

PresetShelf::~PresetShelf() {
  {
    std::lock_guard<std::mutex> guard(wakeLock);
    stopping = true;
  }
  wake.notify_all();
  if (reader.joinable()) reader.join();
}

bool PresetShelf::Start(Ready ready, Failed failed, std::string& error) {
  for (const hostkit::Look& look : hostkit::ListLooks()) {
    Preset preset{look.name, {}};
    std::string ignored;  // a look that does not read is left out of what messages may load
    if (ReadPresetChanges(look.path, model, preset.changes, ignored)) looks.push_back(std::move(preset));
  }
  if (folder.empty()) return true;
  std::error_code missing;
  if (!std::filesystem::is_directory(folder, missing)) {
    error = "--preset-dir: " + folder + " is not a folder";
    return false;
  }
  for (Preset& file : files) file.changes.reserve(model.Parameters().size());
  reader = std::thread([this, ready = std::move(ready), failed = std::move(failed)] {
    std::vector<hostkit::LiveEvent> names;
    for (;;) {
      {
        std::unique_lock<std::mutex> guard(wakeLock);
        wake.wait(guard, [this] { return stopping || woken; });
        if (stopping) return;
        woken = false;
      }
      asked.TakeAll(names);
      for (const hostkit::LiveEvent& name : names) {
        const std::string path = folder + "/" + name.preset + (EndsWithJson(name.preset) ? "" : ".json");
        std::string text, why;
        if (!hostkit::ReadSmallRegularFile(path, kFileMax, text, why)) {
          failed("preset " + path + ": " + why);
          continue;
        }
        size_t slot = 0;
        while (slot < kSlots && busy[slot].load()) ++slot;
        if (slot == kSlots) {
          failed("preset " + path + ": more presets than the preview takes between two frames; dropped");
          continue;
        }
        std::vector<std::string> settings, warnings;
        hostkit::ParameterPlan plan;
        if (!hostkit::ReadPresetText(text, path, model, settings, why) ||
            !hostkit::ParameterPlan::Parse(settings, model, plan, warnings, why) ||
            !ConstantChanges(plan, files[slot].changes)) {
          failed(why.empty() ? "preset " + path + ": holds ramps, keyframes or values that follow the sound" : why);
          continue;
        }
        files[slot].name = path;
        busy[slot] = true;
        ready(kFileId + static_cast<uint32_t>(slot));
      }
    }
  });
  return true;
}

bool PresetShelf::Find(std::string_view name, uint32_t& id, std::string& why) {
  for (uint32_t look = 0; look < looks.size(); ++look) {
    if (hostkit::SameName(looks[look].name, std::string(name))) {
      id = look;
      return true;
    }
  }
  const std::string quoted = "\"" + std::string(name) + "\"";
  if (folder.empty()) {
    why = quoted + " is not a look (swirlmoss looks lists them); preset files need --preset-dir";
    return false;
  }
  // A file of the folder itself, named as a file there is named: nothing above it or hidden.
  if (name.empty() || name.find('/') != std::string_view::npos || name.front() == '.') {
    why = quoted + " is neither a look nor a preset file's name in " + folder;
    return false;
  }
  hostkit::LiveEvent request;
  request.kind = hostkit::LiveEvent::Kind::Preset;
  if (!request.SetPreset(name) || !asked.Push(request)) {
    why = quoted + ": more presets asked for than the preview reads at once; dropped";
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(wakeLock);
    woken = true;
  }
  wake.notify_one();
  id = kFileId;
  return true;
}

const PresetShelf::Preset& PresetShelf::Get(uint32_t id) const {
  return id >= kFileId ? files[id - kFileId] : looks[id];
}

void PresetShelf::Release(uint32_t id) {
  if (id >= kFileId) busy[id - kFileId] = false;
}

}  // namespace preview
