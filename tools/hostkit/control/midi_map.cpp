#include "tools/hostkit/control/midi_map.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tools/hostkit/control/osc_router.h"
#include "tools/hostkit/platform/pending_file.h"

namespace hostkit {
namespace {

constexpr uint8_t kNoteOn = 0x90, kControlChange = 0xB0;

// The element after the one `value` is, in declaration order; the first after the last.
float NextElement(const ParameterInfo& info, float value) {
  if (info.elements.empty()) return value;
  for (size_t i = 0; i < info.elements.size(); ++i) {
    if (info.elements[i].value == value) return info.elements[(i + 1) % info.elements.size()].value;
  }
  return info.elements.front().value;
}

}  // namespace

std::string ControlText(const MidiControl& control) {
  return std::string(control.kind == MidiControl::Kind::Note ? "note " : "CC ") + std::to_string(control.number) +
         " on channel " + std::to_string(control.channel + 1);
}

MidiMap::MidiMap(const ParameterModel& model) : model(model) {}

void MidiMap::Learn(uint32_t index) {
  if (index >= model.Parameters().size() || model.Parameters()[index].IsText()) return;
  learning = true;
  learnIndex = index;
}

bool MidiMap::Learning(uint32_t& index) const {
  index = learnIndex;
  return learning;
}

void MidiMap::Bind(const MidiControl& control, uint32_t index) {
  bindings.erase(std::remove_if(bindings.begin(), bindings.end(),
                                [&](const MidiBinding& binding) { return binding.control == control; }),
                 bindings.end());
  bindings.push_back({control, index});
  changed = true;
}

bool MidiMap::Handle(const uint8_t* bytes, size_t size, const std::vector<float>& current, uint32_t& index,
                     float& value) {
  if (size < 3 || bytes[1] > 127 || bytes[2] > 127) return false;
  const uint8_t type = bytes[0] & 0xF0;
  MidiControl control;
  control.channel = bytes[0] & 0x0F;
  control.number = bytes[1];
  if (type == kControlChange) {
    control.kind = MidiControl::Kind::Controller;
  } else if (type == kNoteOn && bytes[2] > 0) {
    control.kind = MidiControl::Kind::Note;
  } else {
    return false;  // a note-off (or a note-on of velocity 0, which stands for one), or anything else
  }
  if (learning) {
    Bind(control, learnIndex);
    learning = false;
  }
  for (const MidiBinding& binding : bindings) {
    if (!(binding.control == control) || binding.index >= current.size()) continue;
    const ParameterInfo& info = model.Parameters()[binding.index];
    const double amount = bytes[2] / 127.0;
    index = binding.index;
    if (control.kind == MidiControl::Kind::Controller) {
      value = ValueFromNorm(info, amount);
    } else if (info.IsBoolean()) {
      value = current[index] >= 0.5f ? 0.0f : 1.0f;
    } else if (info.IsOption()) {
      value = NextElement(info, current[index]);
    } else {
      value = ValueFromNorm(info, amount);
    }
    return true;
  }
  return false;
}

void MidiMap::Remove(size_t binding) {
  if (binding >= bindings.size()) return;
  bindings.erase(bindings.begin() + static_cast<std::ptrdiff_t>(binding));
  changed = true;
}

bool MidiMap::Load(const std::string& path, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "MIDI map " + path + " cannot be read (missing, or no permission)";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return LoadText(text.str(), path, error);
}

bool MidiMap::LoadText(const std::string& text, const std::string& path, std::string& error) {
  const std::string prefix = "MIDI map " + path;
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object() || !document.contains("midi") || !document["midi"].is_array()) {
    error = prefix + " is not {\"midi\": [{\"parameter\": NAME, \"channel\": 1..16, \"controller\" or \"note\": 0..127}, ...]}";
    return false;
  }
  std::vector<MidiBinding> read;
  const nlohmann::json& list = document["midi"];
  for (size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& entry = list[i];
    const std::string where = prefix + ", binding " + std::to_string(i + 1);
    const auto small = [&](const char* key, int low, int high) {
      return entry.contains(key) && entry[key].is_number_integer() && entry[key].get<long long>() >= low &&
             entry[key].get<long long>() <= high;
    };
    const bool controller = small("controller", 0, 127), note = small("note", 0, 127);
    if (!entry.is_object() || !entry.contains("parameter") || !entry["parameter"].is_string() ||
        !small("channel", 1, 16) || controller == note) {
      error = where + ": expected {\"parameter\": NAME, \"channel\": 1..16, and \"controller\" or \"note\": 0..127}";
      return false;
    }
    const ParameterInfo* info = model.Find(entry["parameter"].get<std::string>());
    if (!info || info->IsText()) {
      error = where + ": unknown parameter \"" + entry["parameter"].get<std::string>() + "\"; " +
              model.NameHint(entry["parameter"].get<std::string>());
      return false;
    }
    MidiBinding binding;
    binding.index = info->index;
    binding.control.kind = controller ? MidiControl::Kind::Controller : MidiControl::Kind::Note;
    binding.control.channel = static_cast<uint8_t>(entry["channel"].get<int>() - 1);
    binding.control.number = static_cast<uint8_t>(entry[controller ? "controller" : "note"].get<int>());
    read.erase(std::remove_if(read.begin(), read.end(), [&](const MidiBinding& b) { return b.control == binding.control; }),
               read.end());
    read.push_back(binding);
  }
  bindings = std::move(read);
  changed = false;
  return true;
}

std::string MidiMap::Text() const {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const MidiBinding& binding : bindings) {
    nlohmann::ordered_json entry;
    entry["parameter"] = model.Parameters()[binding.index].name;
    entry["channel"] = binding.control.channel + 1;
    entry[binding.control.kind == MidiControl::Kind::Note ? "note" : "controller"] = binding.control.number;
    list.push_back(std::move(entry));
  }
  nlohmann::ordered_json document;
  document["midi"] = std::move(list);
  return document.dump(2) + "\n";
}

bool MidiMap::Save(const std::string& path, std::string& error) {
  if (!WriteWholeFile(path, Text(), error)) return false;
  changed = false;
  return true;
}

}  // namespace hostkit
