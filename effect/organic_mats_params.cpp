// The effect's 22 host parameters: names, types, defaults, ranges and option elements.

#include <cstdio>

#include "effect/organic_mats_plugin.h"

void OrganicMatsPlugin::RegisterParameters(float seedDefault) {
  RegisterOptionParam(PARAM_MODE, "Mode", 2, 0.0f);
  RegisterOptionElement(PARAM_MODE, 0, "Paint", 0.0f);
  RegisterOptionElement(PARAM_MODE, 1, "Smoke", 1.0f);

  RegisterParam(PARAM_TIME_SPEED, "Time Speed", FF_TYPE_STANDARD, 0.5f);
  RegisterParam(PARAM_FAN, "Fan", FF_TYPE_STANDARD, 0.5f);
  SetParamVisible(PARAM_FAN, false, false);
  RegisterParam(PARAM_SMOKE_AMOUNT, "Smoke Amount", FF_TYPE_STANDARD, 0.6f);
  SetParamVisible(PARAM_SMOKE_AMOUNT, false, false);
  RegisterBoolParam(PARAM_SMOKE_QUALITY, "Smoke Quality", FF_TYPE_BOOLEAN, false);
  SetParamVisible(PARAM_SMOKE_QUALITY, false, false);

  RegisterParam(PARAM_PAINT_R, "Paint R", FF_TYPE_RED, 1.0f);
  RegisterParam(PARAM_PAINT_G, "Paint G", FF_TYPE_GREEN, 0.5f);
  RegisterParam(PARAM_PAINT_B, "Paint B", FF_TYPE_BLUE, 0.0f);

  RegisterParam(PARAM_LIGHT, "Light", FF_TYPE_STANDARD, 1.0f);
  SetParamLimits(PARAM_LIGHT, 0.0f, 10.0f);
  RegisterParam(PARAM_SHADOWS, "Shadows", FF_TYPE_STANDARD, 0.5f);
  SetParamLimits(PARAM_SHADOWS, 0.0f, 1.5f);
  RegisterParam(PARAM_SHINE, "Shine", FF_TYPE_STANDARD, 0.5f);
  RegisterParam(PARAM_WAVE_THICKNESS, "Wave Thickness", FF_TYPE_STANDARD, 1.0f);
  SetParamLimits(PARAM_WAVE_THICKNESS, 0.6f, 2.0f);

  RegisterParam(PARAM_FLOW, "Flow", FF_TYPE_STANDARD, 0.5f);
  RegisterBoolParam(PARAM_NIGHT_MODE, "Night Mode", FF_TYPE_BOOLEAN, false);
  RegisterParam(PARAM_SPOT_SPIN, "Spot Spin", FF_TYPE_STANDARD, 0.0f);

  RegisterOptionParam(PARAM_SEED, "Seed", 10, seedDefault);
  for (int i = 0; i < 10; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Seed %d", i + 1);
    RegisterOptionElement(PARAM_SEED, static_cast<uint32_t>(i), name, static_cast<float>(i));
  }

  RegisterParam(PARAM_LIGHT_R, "Light R", FF_TYPE_RED, 1.0f);
  RegisterParam(PARAM_LIGHT_G, "Light G", FF_TYPE_GREEN, 1.0f);
  RegisterParam(PARAM_LIGHT_B, "Light B", FF_TYPE_BLUE, 1.0f);
  RegisterBoolParam(PARAM_IMAGE_MASK, "Image Mask", FF_TYPE_BOOLEAN, false);
  RegisterParam(PARAM_MASK_POWER, "Mask Power", FF_TYPE_STANDARD, 0.5f);
  RegisterParam(PARAM_MASK_THRESHOLD, "Mask Threshold", FF_TYPE_STANDARD, 0.1f);
}
