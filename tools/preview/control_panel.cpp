#include "tools/preview/control_panel.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/preset.h"

namespace preview {
namespace {

using hostkit::ParameterInfo;

// The value `preset` gives parameter `index`, else `otherwise`.
float PresetOr(const std::vector<ParameterChange>& preset, uint32_t index, float otherwise) {
  for (const auto& change : preset) {
    if (change.index == index) otherwise = change.value;
  }
  return otherwise;
}

// The last item's rectangle.
ControlRect ItemRect() {
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  return {min.x, min.y, max.x - min.x, max.y - min.y};
}

}  // namespace

ControlPanel::ControlPanel(const hostkit::ParameterModel& model)
    : model(model),
      modeRule(model),
      shown(model.Parameters().size()),
      tripleLabels(model.Parameters().size()),
      values(model.Parameters().size()),
      rects(model.Parameters().size()) {
  for (const auto& info : model.Parameters()) {
    shown[info.index].displayName = info.name;
    shown[info.index].visible = info.visibleByDefault;
    values[info.index] = info.defaultValue;
  }
}

void ControlPanel::Attach(hostkit::InstanceDriver* instance) {
  driver = instance;
  if (driver) Refresh();
}

void ControlPanel::Refresh() {
  if (!driver) return;
  shown = hostkit::ReadPresentation(*driver, model);
  for (const auto& info : model.Parameters()) {
    // Until a frame has run, or for names the plugin leaves alone, the host shows the name.
    if (shown[info.index].displayName.empty()) shown[info.index].displayName = info.name;
    values[info.index] = shown[info.index].value;
  }
  for (size_t i = 0; i < tripleLabels.size(); ++i) {
    tripleLabels[i] = IsTripleStart(i) ? hostkit::ColourLabel(shown[i].displayName, shown[i + 1].displayName,
                                                              shown[i + 2].displayName)
                                       : std::string();
  }
}

const std::string& ControlPanel::ShownName(uint32_t index) const { return shown[index].displayName; }

bool ControlPanel::IsTripleStart(size_t index) const { return hostkit::StartsColourTriple(model, index); }

void ControlPanel::Apply(const std::vector<ParameterChange>& changes) {
  if (!driver) return;
  const float* modeValue = nullptr;
  for (const auto& change : changes) {
    if (modeRule.IsMode(change.index)) modeValue = &change.value;
  }
  modeRule.ApplyModeFirst(*driver, modeValue, [&](bool crossed) {
    if (crossed) {
      ++primes;
      // The switch loaded the other bank: read it before laying the other changes over it.
      Refresh();
    }
    for (const auto& change : changes) {
      if (change.index >= values.size()) continue;
      if (!modeRule.IsMode(change.index)) driver->SetValue(change.index, change.value);
      values[change.index] = change.value;
    }
  });
}

void ControlPanel::ResetAll() {
  std::vector<ParameterChange> changes;
  for (const auto& info : model.Parameters()) {
    if (!info.IsText()) changes.push_back({info.index, info.defaultValue});
  }
  Apply(changes);
  UsePreset("", {});
}

void ControlPanel::SetModeStarts(std::vector<hostkit::ModeView> views) { modeStarts = std::move(views); }

const hostkit::ModeView* ControlPanel::CurrentStart() const {
  return hostkit::ViewFor(modeStarts, modeRule.Present() ? values[modeRule.Index()] : 0.0f);
}

void ControlPanel::ApplyPreset(const std::string& name, const std::vector<ParameterChange>& preset) {
  std::vector<ParameterChange> changes = preset;
  const float mode = modeRule.Present() ? PresetOr(preset, modeRule.Index(), model.Parameters()[modeRule.Index()].defaultValue)
                                        : 0.0f;
  if (const hostkit::ModeView* start = hostkit::ViewFor(modeStarts, mode)) {
    // Every value, so that what earlier visits left in the mode's bank does not show through.
    changes.clear();
    if (modeRule.Present()) changes.push_back({modeRule.Index(), mode});
    for (const auto& info : model.Parameters()) {
      if (info.IsText() || modeRule.IsMode(info.index)) continue;
      changes.push_back({info.index, PresetOr(preset, info.index, start->parameters[info.index].value)});
    }
  }
  Apply(changes);
  UsePreset(name, preset);
}

void ControlPanel::UsePreset(const std::string& name, const std::vector<ParameterChange>& preset) {
  presetName = name;
  presetValues = preset;
}

std::vector<bool> ControlPanel::NeededValues() const { return hostkit::ValuesNeeded(CurrentStart(), values); }

std::vector<std::string> ControlPanel::CommandSettings() const {
  const std::vector<bool> needed = NeededValues();
  const hostkit::ModeView* start = CurrentStart();
  std::vector<std::string> settings;
  for (const auto& info : model.Parameters()) {
    if (info.IsText()) continue;
    const float value = values[info.index];
    bool wanted = needed[info.index];
    if (!presetName.empty()) {
      // What the render has from the preset alone: the preset's value, else for "Mode" a fresh
      // instance's, else the start of the mode (unknown: always set).
      const float alone = modeRule.IsMode(info.index) ? info.defaultValue
                          : start                     ? start->parameters[info.index].value
                                                      : std::nanf("");
      wanted = value != PresetOr(presetValues, info.index, alone);
    }
    // The compositing values at rest are what every render has without them.
    if (info.host && presetName.empty()) wanted = value != info.defaultValue;
    if (wanted) settings.push_back(info.name + "=" + hostkit::ValueText(info, value));
  }
  return settings;
}

void ControlPanel::Set(uint32_t index, float value) { Apply({{index, value}}); }

int ControlPanel::TakeRightClick() {
  const int clicked = rightClicked;
  rightClicked = -1;
  return clicked;
}

void ControlPanel::ResetButton(uint32_t first, uint32_t count) {
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - ImGui::CalcTextSize("Reset").x -
                  ImGui::GetStyle().FramePadding.x * 2.0f);
  if (ImGui::SmallButton("Reset")) {
    std::vector<ParameterChange> changes;
    for (uint32_t i = first; i < first + count; ++i) changes.push_back({i, model.Parameters()[i].defaultValue});
    Apply(changes);
  }
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("Back to the plugin's default");
}

void ControlPanel::Draw() {
  ImGui::Checkbox("Show hidden parameters", &showHidden);
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - ImGui::CalcTextSize("Reset all").x -
                  ImGui::GetStyle().FramePadding.x * 2.0f);
  if (ImGui::SmallButton("Reset all")) ResetAll();
  ImGui::Separator();
  rects.assign(rects.size(), ControlRect());
  const auto& parameters = model.Parameters();
  // How the effect lies over the picture comes first, as a mixer's layer shows it.
  for (const ParameterInfo& info : parameters) {
    if (info.host) DrawControl(info);
  }
  ImGui::Separator();
  for (size_t i = 0; i < parameters.size(); ++i) {
    const ParameterInfo& info = parameters[i];
    if (info.host) continue;
    if (IsTripleStart(i)) {
      DrawColour(info);
      i += 2;
    } else {
      DrawControl(info);
    }
  }
}

void ControlPanel::DrawControl(const ParameterInfo& info) {
  const uint32_t index = info.index;
  const bool visible = shown[index].visible;
  if (info.IsText() || (!visible && !showHidden)) return;
  ImGui::PushID(static_cast<int>(index));
  if (!visible) ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x * 0.55f);
  const char* label = shown[index].displayName.c_str();
  float value = values[index];
  if (info.IsOption()) {
    const char* current = "";
    for (const auto& element : info.elements) {
      if (element.value == value) current = element.name.c_str();
    }
    const bool open = ImGui::BeginCombo(label, current);
    rects[index] = ItemRect();
    if (open) {
      for (const auto& element : info.elements) {
        if (ImGui::Selectable(element.name.c_str(), element.value == value)) Set(index, element.value);
      }
      ImGui::EndCombo();
    }
  } else if (info.IsBoolean()) {
    bool on = value >= 0.5f;
    if (ImGui::Checkbox(label, &on)) Set(index, on ? 1.0f : 0.0f);
    rects[index] = ItemRect();
  } else {
    if (ImGui::SliderFloat(label, &value, info.minimum, info.maximum, "%.3f")) Set(index, value);
    rects[index] = ItemRect();
  }
  if (ImGui::IsItemClicked(ImGuiMouseButton_Right)) rightClicked = static_cast<int>(index);
  if (!visible) ImGui::PopStyleColor();
  ResetButton(index, 1);
  ImGui::PopID();
}

void ControlPanel::DrawColour(const ParameterInfo& red) {
  const uint32_t index = red.index;
  const bool visible = shown[index].visible || shown[index + 1].visible || shown[index + 2].visible;
  if (!visible && !showHidden) return;
  ImGui::PushID(static_cast<int>(index));
  if (!visible) ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x * 0.55f);
  float colour[3] = {values[index], values[index + 1], values[index + 2]};
  if (ImGui::ColorEdit3(tripleLabels[index].c_str(), colour, ImGuiColorEditFlags_Float)) {
    Apply({{index, colour[0]}, {index + 1, colour[1]}, {index + 2, colour[2]}});
  }
  rects[index] = ItemRect();
  if (ImGui::IsItemClicked(ImGuiMouseButton_Right)) rightClicked = static_cast<int>(index);
  if (ImGui::IsItemHovered()) {
    ImGui::SetTooltip("%s, %s, %s", shown[index].displayName.c_str(), shown[index + 1].displayName.c_str(),
                      shown[index + 2].displayName.c_str());
  }
  if (!visible) ImGui::PopStyleColor();
  ResetButton(index, 3);
  ImGui::PopID();
}

}  // namespace preview
