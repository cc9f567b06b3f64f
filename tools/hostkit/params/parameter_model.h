#pragma once
// The plugin's parameters as a host learns them: from the plugin's answers to the global
// parameter questions, and, per mode, from a live instance (labels and visibility exist only
// there, and only after a frame has run).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hostkit/plugin/plugin_library.h"

namespace hostkit {

class InstanceDriver;

struct ParameterElement {
  std::string name;
  float value = 0.0f;
};

struct ParameterInfo {
  uint32_t index = 0;
  std::string name;
  uint32_t type = 0;
  float defaultValue = 0.0f;
  std::string defaultText;  // text and file parameters
  float minimum = 0.0f;
  float maximum = 1.0f;
  bool visibleByDefault = true;
  std::vector<ParameterElement> elements;  // option parameters only
  bool host = false;  // the host's own "Blend" or "Mix", not the plugin's


  bool IsOption() const;
  bool IsBoolean() const;
  bool IsText() const;
  // The element named `name`, compared without regard to case; null when none is.
  const ParameterElement* FindElement(std::string_view name) const;
  std::string ElementList() const;  // "Paint, Smoke"
};

// What one parameter looks like to the user in one mode of a live instance.
struct ParameterPresentation {
  bool visible = true;
  std::string displayName;
  float value = 0.0f;
};

class ParameterModel {
 public:
  // Asks the plugin (codes 4, 5, 6, 15, 31, 35, 36, 41, 45), then adds the host's own two,
  // numbered right after the plugin's: "Blend", an option of the blend modes (default
  // replace), and "Mix", 0..1 (default 1), which InstanceDriver answers for. False with `error`
  // when the plugin cannot answer the parameter count.
  static bool Query(const PluginLibrary& plugin, ParameterModel& model, std::string& error);

  // A model from known records, for hosts that describe a plugin without loading it.
  static ParameterModel FromParameters(std::vector<ParameterInfo> parameters);

  const std::vector<ParameterInfo>& Parameters() const { return parameters; }
  // The host's "Blend" and "Mix"; null in a model without them.
  const ParameterInfo* BlendParameter() const;
  const ParameterInfo* MixParameter() const;
  // The parameter named `name`, compared without regard to case; null when none is.
  const ParameterInfo* Find(std::string_view name) const;
  std::string NameList() const;  // "Mode, Time Speed, ..."
  // For a name that Find does not know: `did you mean "Light"?` when one is near, else the
  // valid names.
  std::string NameHint(std::string_view mistyped) const;

 private:
  std::vector<ParameterInfo> parameters;
};

// Labels, visibility and values of every parameter of `model` as the instance shows them now
// (codes 45, 51, 9).
std::vector<ParameterPresentation> ReadPresentation(const InstanceDriver& driver, const ParameterModel& model);

// Whether parameters `index`, `index + 1` and `index + 2` are a red, green and blue: one colour
// to the user.
bool StartsColourTriple(const ParameterModel& model, size_t index);

// One label for the colour of a triple: the part its three names share ("Paint R", "Paint G",
// "Paint B" -> "Paint colour"), so that it does not read as a number parameter that may carry
// the bare stem ("Light"); the three names joined when they share nothing.
std::string ColourLabel(const std::string& red, const std::string& green, const std::string& blue);

// "standard", "option", "boolean", "red", ... for a parameter type number.
const char* TypeName(uint32_t type);

// Case-insensitive equality of two names.
bool SameName(std::string_view a, std::string_view b);

// The names among `candidates` that `wanted` most likely meant, ignoring leading dashes and
// case: those it begins, else those fewest edits away (a letter added, dropped, changed or two
// swapped), if that is at most a third of its length. At most three, in the order of `candidates`.
std::vector<std::string> NearestNames(std::string_view wanted, const std::vector<std::string>& candidates);
// "a", "a or b", "a, b or c" with `last` as " or ", each name between `quote`s.
std::string JoinNames(const std::vector<std::string>& names, const char* last, const char* quote = "");
// "did you mean --set?" for the nearest names, each between `quote`s; empty when none is near.
std::string DidYouMean(std::string_view wanted, const std::vector<std::string>& candidates, const char* quote = "");

// A value from 0 to 1 spread over what `info` takes: the range of a number, off below one half
// and on from it for a switch, the elements of an option in their order.
float ValueFromNorm(const ParameterInfo& info, double norm);
// Where a number's `value` lies in its range, from 0 to 1 (0 for an empty range).
double NormFromValue(const ParameterInfo& info, double value);

}  // namespace hostkit
