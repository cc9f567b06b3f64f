#pragma once
// What a switch (a boolean parameter) takes, from every door: off or on and nothing between.
// Each host turns what it is given into 0 or 1 here, so that no switch is ever half on.

#include <string_view>

namespace hostkit {

// For messages: what a switch takes as text.
inline constexpr const char* kSwitchTakes = "a switch takes only on or off: 1 or 0, on/off, true/false, yes/no";

// A switch written as text: on, true, yes or off, false, no in any case, or a number that is
// exactly 1 or 0 ("1", "0.0"). Anything else ("15", "0.5", "") is false.
bool SwitchFromText(std::string_view text, float& value);

// A switch given as a number: exactly 0 or 1; anything else is false.
bool SwitchFromNumber(double number, float& value);

// A switch given as a position along 0..1 (a fader, a control change, a frei0r host's double):
// off below one half, on from it. False outside 0..1 and for NaN.
bool SwitchFromFraction(double fraction, float& value);

}  // namespace hostkit
