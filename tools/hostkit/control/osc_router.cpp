#include "tools/hostkit/control/osc_router.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/params/switch_value.h"

namespace hostkit {
namespace {

bool IsNumberType(char type) { return type == 'f' || type == 'd' || type == 'i' || type == 'h'; }
bool IsTextType(char type) { return type == 's' || type == 'S'; }

std::string Quoted(std::string_view text) {
  std::string shown;
  for (const char c : text.substr(0, 80)) shown += (c >= 32 && c < 127) ? c : '?';
  return "\"" + shown + (text.size() > 80 ? "...\"" : "\"");
}

std::string RangeText(const ParameterInfo& info) {
  if (info.IsOption()) return "one of " + info.ElementList();
  if (info.IsBoolean()) return "0 or 1, or true or false";
  return FloatText(std::min(info.minimum, info.maximum)) + " to " + FloatText(std::max(info.minimum, info.maximum));
}

}  // namespace

std::string AddressStem(std::string_view name) {
  std::string stem;
  bool gap = false;
  for (const char c : name) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!word) {
      gap = !stem.empty();
      continue;
    }
    if (gap) stem += '_';
    gap = false;
    stem += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return stem;
}

const char* RefusalName(OscRefusal refusal) {
  switch (refusal) {
    case OscRefusal::None: return "none";
    case OscRefusal::UnknownAddress: return "unknown address";
    case OscRefusal::WrongType: return "wrong type";
    case OscRefusal::OutOfRange: return "out of range";
    case OscRefusal::Malformed: return "malformed packet";
    case OscRefusal::QueueFull: return "queue full";
  }
  return "unknown";
}

OscRouter::OscRouter(const ParameterModel& model) : model(model) {
  std::vector<std::string> taken = {"preset"};
  for (const auto& info : model.Parameters()) {
    if (info.IsText()) continue;
    std::string stem = AddressStem(info.name);
    if (stem.empty()) stem = "parameter";
    // Two names that read alike ("Light" and "light") keep apart by their index.
    if (std::find(taken.begin(), taken.end(), stem) != taken.end()) stem += "_" + std::to_string(info.index);
    taken.push_back(stem);
    addresses.push_back({std::string(kOscRoot) + stem, info.index});
  }
}

const ParameterInfo* OscRouter::Find(std::string_view path) const {
  for (const auto& address : addresses) {
    if (address.path == path) return &model.Parameters()[address.index];
  }
  return nullptr;
}

OscRefusal OscRouter::Route(std::string_view address, const OscArgument* arguments, size_t count, LiveEvent& event,
                            std::string& why) const {
  const auto refuse = [&](OscRefusal refusal, const std::string& text) {
    why = Quoted(address) + ": " + text;
    return refusal;
  };
  if (address == kOscPreset) {
    if (count != 1 || !IsTextType(arguments[0].type)) return refuse(OscRefusal::WrongType, "takes one string, a look or preset file");
    if (!event.SetPreset(arguments[0].text) || arguments[0].text.empty()) {
      return refuse(OscRefusal::OutOfRange, "a preset name of 1 to " + std::to_string(LiveEvent::kPresetMax - 1) + " bytes");
    }
    event.kind = LiveEvent::Kind::Preset;
    return OscRefusal::None;
  }
  bool norm = false;
  const ParameterInfo* info = Find(address);
  if (!info && address.size() > kOscNorm.size() && address.substr(address.size() - kOscNorm.size()) == kOscNorm) {
    norm = true;
    info = Find(address.substr(0, address.size() - kOscNorm.size()));
  }
  if (!info) return refuse(OscRefusal::UnknownAddress, "no such address (swirlmoss preview --list-osc lists them)");
  if (count != 1) return refuse(OscRefusal::WrongType, "takes one value, not " + std::to_string(count));
  const OscArgument& argument = arguments[0];
  float value = 0.0f;
  if (norm) {
    if (!IsNumberType(argument.type)) return refuse(OscRefusal::WrongType, "takes a number from 0 to 1");
    if (!(argument.number >= 0.0 && argument.number <= 1.0)) {
      return refuse(OscRefusal::OutOfRange, FloatText(static_cast<float>(argument.number)) + " is not from 0 to 1");
    }
    value = ValueFromNorm(*info, argument.number);
  } else if (info->IsBoolean()) {
    // Off or on only, whatever the argument's type: T or F, a word, or the number 0 or 1.
    bool known = argument.type == 'T' || argument.type == 'F';
    if (known) {
      value = argument.type == 'T' ? 1.0f : 0.0f;
    } else if (IsTextType(argument.type)) {
      known = SwitchFromText(argument.text, value);
    } else if (IsNumberType(argument.type)) {
      known = SwitchFromNumber(argument.number, value);
    } else {
      return refuse(OscRefusal::WrongType, std::string("takes T or F, a number or a string; ") + kSwitchTakes);
    }
    if (!known) {
      char number[40];
      std::snprintf(number, sizeof number, "%.9g", argument.number);
      return refuse(OscRefusal::OutOfRange,
                    (IsTextType(argument.type) ? Quoted(argument.text) : std::string(number)) + " is not on or off; " +
                        kSwitchTakes);
    }
  } else if (info->IsOption()) {
    if (!IsNumberType(argument.type) && !IsTextType(argument.type)) {
      return refuse(OscRefusal::WrongType, "takes a name or a number, " + RangeText(*info));
    }
    if (IsNumberType(argument.type) && !std::isfinite(argument.number)) {
      return refuse(OscRefusal::OutOfRange, "takes " + RangeText(*info));
    }
    // As --set reads it: an element's name, or a number among the elements' values.
    const std::string text = IsTextType(argument.type) ? std::string(argument.text)
                                                        : FloatText(static_cast<float>(argument.number));
    std::string error;
    if (!ParseParameterValue(*info, text, value, error)) return refuse(OscRefusal::OutOfRange, Quoted(text) + " is not " + RangeText(*info));
  } else {
    if (!IsNumberType(argument.type)) return refuse(OscRefusal::WrongType, "takes a number, " + RangeText(*info));
    const double low = std::min(info->minimum, info->maximum), high = std::max(info->minimum, info->maximum);
    if (!(argument.number >= low && argument.number <= high)) {
      return refuse(OscRefusal::OutOfRange, FloatText(static_cast<float>(argument.number)) + " is outside " + RangeText(*info));
    }
    value = static_cast<float>(argument.number);
  }
  event.kind = LiveEvent::Kind::Set;
  event.index = info->index;
  event.value = value;
  return OscRefusal::None;
}

std::string OscRouter::Listing() const {
  std::string text;
  char line[512];
  for (const auto& address : addresses) {
    const ParameterInfo& info = model.Parameters()[address.index];
    const std::string takes = info.IsOption()    ? "a name or value: " + info.ElementList()
                              : info.IsBoolean() ? std::string("a switch: 0 or 1, true or false")
                                                 : "a number from " + RangeText(info);
    std::snprintf(line, sizeof line, "%-26s %-15s %s\n", address.path.c_str(), info.name.c_str(), takes.c_str());
    text += line;
  }
  std::snprintf(line, sizeof line, "%-26s %-15s %s\n", std::string(kOscPreset).c_str(), "", "a look's name or a preset file");
  return text + line + "Each parameter's address with /norm appended takes a number from 0 to 1 spread over what it takes.\n";
}

}  // namespace hostkit
