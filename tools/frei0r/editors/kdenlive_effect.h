#pragma once
// Kdenlive's description of the effect (frei0r_swirlmoss.xml): numbers as keyframable sliders,
// switches as checkboxes, options as lists of their names, the colours as three sliders each
// (Kdenlive's colour control writes one text, and the module takes three numbers).

#include <string>

#include "tools/frei0r/editors/editor_description.h"

namespace swirleditors {

std::string KdenliveEffect(const Description& description);
// The same effect once per curated look (frei0r_swirlmoss_NAME.xml, "Swirlmoss: NAME"): every
// control starts at the look's value, hidden ones included, so the entry renders the look.
std::string KdenliveLookEffect(const Description& description, const CuratedLook& look);

}  // namespace swirleditors
