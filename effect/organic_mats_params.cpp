// Registration of the effect's host parameters, from the parameter table, in index order.

#include "effect/organic_mats_plugin.h"

void OrganicMatsPlugin::RegisterParameters() {
  for (const ParamDescription& param : organic_mats::kParams) {
    // "Seed" registers the value drawn at construction as its default.
    const float defaultValue = param.index == PARAM_SEED ? live[PARAM_SEED] : param.defaultValue;
    if (param.type == FF_TYPE_OPTION) {
      RegisterOptionParam(param.index, param.name, param.elementCount, defaultValue);
      for (uint32_t i = 0; i < param.elementCount; ++i)
        RegisterOptionElement(param.index, i, param.elements[i], static_cast<float>(i));
    } else if (param.type == FF_TYPE_BOOLEAN) {
      RegisterBoolParam(param.index, param.name, FF_TYPE_BOOLEAN, defaultValue != 0.0f);
    } else {
      RegisterParam(param.index, param.name, param.type, defaultValue);
    }
    if (param.minValue != 0.0f || param.maxValue != 1.0f) SetParamLimits(param.index, param.minValue, param.maxValue);
    // Paint is the look at construction.
    if (!param.paint.shown) SetParamVisible(param.index, false, false);
  }
}
