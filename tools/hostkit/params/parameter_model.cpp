#include "tools/hostkit/params/parameter_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/hostkit/gl/composite_program.h"
#include "tools/hostkit/params/switch_value.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace hostkit {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

namespace {

std::string WithoutDashes(std::string_view name) {
  return std::string(name.substr(std::min(name.find_first_not_of('-'), name.size())));
}

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Edits from `a` to `b`, ignoring case: insertions, deletions, substitutions and swaps of neighbours.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (SameLetter(a[i - 1], b[j - 1]) ? 0 : 1)});
      if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) && SameLetter(a[i - 2], b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::string> NearestNames(std::string_view wanted, const std::vector<std::string>& candidates) {
  const std::string bare = WithoutDashes(wanted);
  std::vector<std::string> found;
  if (bare.size() >= 2) {
    for (const auto& candidate : candidates) {
      const std::string other = WithoutDashes(candidate);
      if (other != bare && other.size() >= bare.size() && SameName(std::string_view(other).substr(0, bare.size()), bare) &&
          found.size() < 3) {
        found.push_back(candidate);
      }
    }
  }
  if (!found.empty()) return found;
  size_t best = bare.size() / 3;
  for (const auto& candidate : candidates) best = std::min(best, EditDistance(bare, WithoutDashes(candidate)));
  if (best == 0) return found;  // an exact name would have been taken
  for (const auto& candidate : candidates) {
    if (EditDistance(bare, WithoutDashes(candidate)) == best && found.size() < 3) found.push_back(candidate);
  }
  return found;
}

std::string JoinNames(const std::vector<std::string>& names, const char* last, const char* quote) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += std::string(i == 0 ? "" : i + 1 == names.size() ? last : ", ") + quote + names[i] + quote;
  }
  return text;
}

std::string DidYouMean(std::string_view wanted, const std::vector<std::string>& candidates, const char* quote) {
  const std::vector<std::string> nearest = NearestNames(wanted, candidates);
  return nearest.empty() ? "" : "did you mean " + JoinNames(nearest, " or ", quote) + "?";
}

bool StartsColourTriple(const ParameterModel& model, size_t index) {
  const auto& parameters = model.Parameters();
  return index + 2 < parameters.size() && parameters[index].type == wire::type::kRed &&
         parameters[index + 1].type == wire::type::kGreen && parameters[index + 2].type == wire::type::kBlue;
}

std::string ColourLabel(const std::string& a, const std::string& b, const std::string& c) {
  size_t length = 0;
  while (length < a.size() && length < b.size() && length < c.size() && a[length] == b[length] &&
         a[length] == c[length]) {
    ++length;
  }
  std::string stem = a.substr(0, length);
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '_' || stem.back() == '-')) stem.pop_back();
  return stem.empty() ? a + " / " + b + " / " + c : stem + " colour";
}

const char* TypeName(uint32_t type) {
  switch (type) {
    case wire::type::kBoolean: return "boolean";
    case wire::type::kRed: return "red";
    case wire::type::kGreen: return "green";
    case wire::type::kBlue: return "blue";
    case wire::type::kStandard: return "standard";
    case wire::type::kOption: return "option";
    case wire::type::kFile: return "file";
    case wire::type::kText: return "text";
    default: return "other";
  }
}

bool ParameterInfo::IsOption() const { return type == wire::type::kOption; }
bool ParameterInfo::IsBoolean() const { return type == wire::type::kBoolean; }
bool ParameterInfo::IsText() const { return type == wire::type::kText || type == wire::type::kFile; }

const ParameterElement* ParameterInfo::FindElement(std::string_view wanted) const {
  for (const auto& element : elements) {
    if (SameName(element.name, wanted)) return &element;
  }
  return nullptr;
}

std::string ParameterInfo::ElementList() const {
  std::string list;
  for (const auto& element : elements) list += (list.empty() ? "" : ", ") + element.name;
  return list;
}

bool ParameterModel::Query(const PluginLibrary& plugin, ParameterModel& model, std::string& error) {
  using namespace wire;
  const uint32_t count = plugin.Call(code::kGetParameterCount, 0u).u32;
  if (count == kFail) {
    error = "the plugin does not report its parameters (code 4 failed)";
    return false;
  }
  model.parameters.clear();
  for (uint32_t index = 0; index < count; ++index) {
    ParameterInfo info;
    info.index = index;
    const Word name = plugin.Call(code::kGetParameterName, index);
    info.name = name.pointer ? static_cast<const char*>(name.pointer) : "";
    info.type = plugin.Call(code::kGetParameterType, index).u32;
    const Word defaultWord = plugin.Call(code::kGetParameterDefault, index);
    if (info.IsText()) {
      if (defaultWord.pointer && defaultWord.all != kPointerFail) info.defaultText = static_cast<const char*>(defaultWord.pointer);
    } else {
      info.defaultValue = defaultWord.f32;
    }
    RangeQuery range{index, 0.0f, 1.0f};
    if (plugin.Call(code::kGetRange, &range).u32 == kSuccess) {
      info.minimum = range.minimum;
      info.maximum = range.maximum;
    }
    info.visibleByDefault = plugin.Call(code::kGetVisibility, index).u32 == 1;
    if (info.IsOption()) {
      const uint32_t elements = plugin.Call(code::kGetElementCount, index).u32;
      for (uint32_t e = 0; elements != kFail && e < elements; ++e) {
        ElementQuery query{index, e};
        const Word elementName = plugin.Call(code::kGetElementName, &query);
        ParameterElement element;
        element.name = elementName.pointer ? static_cast<const char*>(elementName.pointer) : "";
        element.value = plugin.Call(code::kGetElementValue, &query).f32;
        info.elements.push_back(element);
      }
    }
    model.parameters.push_back(std::move(info));
  }
  ParameterInfo blend;
  blend.index = count;
  blend.name = "Blend";
  blend.type = type::kOption;
  blend.maximum = static_cast<float>(kBlendModeCount - 1);
  blend.host = true;
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    blend.elements.push_back({BlendModeName(static_cast<BlendMode>(mode)), static_cast<float>(mode)});
  }
  model.parameters.push_back(std::move(blend));
  ParameterInfo mix;
  mix.index = count + 1;
  mix.name = "Mix";
  mix.type = type::kStandard;
  mix.defaultValue = 1.0f;
  mix.host = true;
  model.parameters.push_back(std::move(mix));
  return true;
}

const ParameterInfo* ParameterModel::BlendParameter() const {
  for (const auto& info : parameters) {
    if (info.host && info.IsOption()) return &info;
  }
  return nullptr;
}

const ParameterInfo* ParameterModel::MixParameter() const {
  for (const auto& info : parameters) {
    if (info.host && !info.IsOption()) return &info;
  }
  return nullptr;
}

ParameterModel ParameterModel::FromParameters(std::vector<ParameterInfo> parameters) {
  ParameterModel model;
  model.parameters = std::move(parameters);
  return model;
}

const ParameterInfo* ParameterModel::Find(std::string_view name) const {
  for (const auto& info : parameters) {
    if (SameName(info.name, name)) return &info;
  }
  return nullptr;
}

std::string ParameterModel::NameList() const {
  std::string list;
  for (const auto& info : parameters) list += (list.empty() ? "" : ", ") + info.name;
  return list;
}

std::string ParameterModel::NameHint(std::string_view mistyped) const {
  std::vector<std::string> names;
  for (const auto& info : parameters) names.push_back(info.name);
  const std::string nearest = DidYouMean(mistyped, names, "\"");
  return nearest.empty() ? "valid names: " + NameList() : nearest;
}

std::vector<ParameterPresentation> ReadPresentation(const InstanceDriver& driver, const ParameterModel& model) {
  std::vector<ParameterPresentation> result;
  for (const auto& info : model.Parameters()) {
    ParameterPresentation shown;
    shown.visible = driver.Visible(info.index);
    shown.displayName = driver.DisplayName(info.index);
    shown.value = info.IsText() ? 0.0f : driver.Value(info.index);
    result.push_back(shown);
  }
  return result;
}

float ValueFromNorm(const ParameterInfo& info, double norm) {
  const double t = std::clamp(norm, 0.0, 1.0);
  if (info.IsBoolean()) {
    float value = 0.0f;
    SwitchFromFraction(t, value);
    return value;
  }
  if (info.IsOption()) {
    if (info.elements.empty()) return info.defaultValue;
    const size_t last = info.elements.size() - 1;
    return info.elements[std::min(last, static_cast<size_t>(std::lround(t * static_cast<double>(last))))].value;
  }
  return static_cast<float>(info.minimum + t * (static_cast<double>(info.maximum) - info.minimum));
}

double NormFromValue(const ParameterInfo& info, double value) {
  const double span = static_cast<double>(info.maximum) - info.minimum;
  return span == 0.0 ? 0.0 : (value - info.minimum) / span;
}

}  // namespace hostkit
