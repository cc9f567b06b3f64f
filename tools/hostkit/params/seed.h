#pragma once
// "Seed" picks the pattern the first mode ("Paint") paints. Left unset there, the plugin draws
// it at random for each process, so two renders of the same settings differ: every host names
// the seed it used, fixes it, or asks for it.

#include <string>

#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/parameter_plan.h"

namespace hostkit {

// The "Seed" that hosts which declare defaults of their own (the frei0r module, the GStreamer
// element) declare and always send: the plugin's own is drawn at random for each process, so a
// project or pipeline that keeps the default it was shown would render differently every run.
inline constexpr const char* kFixedSeed = "Seed 1";

// The option parameter named "Seed" (any case); null when the plugin has none.
const ParameterInfo* FindSeed(const ParameterModel& model);

// The seed's name for `value` ("Seed 4"); the number when no option has it.
std::string SeedName(const ParameterInfo& seed, float value);

// True when the plan gives "Seed" a value (from --set or a preset).
bool PlanSetsSeed(const ParameterPlan& plan, const ParameterModel& model);

// True when some frame of the plan may be drawn in the first mode, where an unset seed is drawn
// at random: no "Mode" set and the default is the first, or a value the "Mode" track takes is.
bool PlanMayPaint(const ParameterPlan& plan, const ParameterModel& model);

}  // namespace hostkit
