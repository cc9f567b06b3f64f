#pragma once
// What every parser of a user's or another program's text promises, checked by the fuzz
// programs: it returns (no crash, no exception), and a refusal comes with one line of error.
// A broken promise prints what was broken and aborts, which libFuzzer reports with the input.

#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/plugin/wire.h"

namespace fuzzcheck {

inline std::string Text(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

// Said through the sanitizer's report channel, which stays open when the fuzz run closes
// standard error (-close_fd_mask=2, for the frei0r module's own lines).
[[noreturn]] inline void Broken(const std::string& what) {
  __sanitizer_report_error_summary(("broken promise: " + what).c_str());
  std::abort();
}

inline void Check(bool promise, const std::string& what) {
  if (!promise) Broken(what);
}

inline bool HasLineBreak(const std::string& text) { return text.find_first_of("\n\r") != std::string::npos; }

// A refusal's error is one line, unless the text it quotes back held a line break itself.
inline void CheckRefusal(bool ok, const std::string& error, const std::string& input, const char* parser) {
  if (ok) return;
  Check(!error.empty(), std::string(parser) + " refused without an error");
  Check(!HasLineBreak(error) || HasLineBreak(input), std::string(parser) + " gave more than one line: " + error);
}

// Every kind of parameter the hosts handle, with the awkward declarations a plugin may make:
// options with duplicate, negative and non-round element values and element names that look like
// numbers or ramps, ranges that are empty or upside down, a switch, colours, texts and a type no
// host knows.
inline hostkit::ParameterModel EveryKindModel() {
  namespace type = hostkit::wire::type;
  std::vector<hostkit::ParameterInfo> p;
  const auto add = [&](const char* name, uint32_t kind, float low = 0.0f, float high = 1.0f) -> hostkit::ParameterInfo& {
    hostkit::ParameterInfo info;
    info.index = static_cast<uint32_t>(p.size());
    info.name = name;
    info.type = kind;
    info.minimum = low;
    info.maximum = high;
    p.push_back(info);
    return p.back();
  };
  add("Mode", type::kOption).elements = {{"Paint", 0.0f}, {"Smoke", 1.0f}};
  add("Light", type::kStandard, 0.0f, 10.0f);
  add("Spot Spin", type::kStandard);
  add("Flat", type::kStandard, 2.0f, 2.0f);
  add("Upside", type::kStandard, 5.0f, -5.0f);
  add("Huge", type::kStandard, -3.0e38f, 3.0e38f);
  auto& seed = add("Seed", type::kOption);
  for (int i = 0; i < 10; ++i) seed.elements.push_back({"Seed " + std::to_string(i + 1), static_cast<float>(i)});
  add("Odd Options", type::kOption).elements = {{"1..2", -4.0f}, {"0:1", 0.25f}, {"7", 7.0f}, {"same", 3.0f}, {"SAME", 3.0f}, {"", 1e30f}};
  add("Empty Option", type::kOption);
  add("Night Mode", type::kBoolean);
  add("Red", type::kRed);
  add("Green", type::kGreen);
  add("Blue", type::kBlue);
  add("Caption", type::kText);
  add("Picture", type::kFile);
  add("Other", 77u);
  add("light spot", type::kStandard, -1.0f, 1.0f);
  return hostkit::ParameterModel::FromParameters(p);
}

}  // namespace fuzzcheck
