#include "tools/hostkit/params/switch_value.h"

#include <cstdlib>
#include <string>

#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

bool SwitchFromText(std::string_view text, float& value) {
  static const char* const on[] = {"on", "true", "yes"};
  static const char* const off[] = {"off", "false", "no"};
  for (const char* word : on) {
    if (SameName(text, word)) return SwitchFromNumber(1.0, value);
  }
  for (const char* word : off) {
    if (SameName(text, word)) return SwitchFromNumber(0.0, value);
  }
  // A number written out in full; strtod's own leading blanks are not part of it.
  if (text.empty() || text.front() == ' ' || text.front() == '\t') return false;
  const std::string copy(text);
  char* end = nullptr;
  const double number = std::strtod(copy.c_str(), &end);
  return end == copy.c_str() + copy.size() && SwitchFromNumber(number, value);
}

bool SwitchFromNumber(double number, float& value) {
  if (number != 0.0 && number != 1.0) return false;
  value = number == 1.0 ? 1.0f : 0.0f;
  return true;
}

bool SwitchFromFraction(double fraction, float& value) {
  if (!(fraction >= 0.0 && fraction <= 1.0)) return false;
  value = fraction >= 0.5 ? 1.0f : 0.0f;
  return true;
}

}  // namespace hostkit
