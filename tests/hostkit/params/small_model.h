#pragma once
// A parameter model of the kinds the host handles (options, numbers with a range, a switch,
// a text), without loading a plugin: the parameter plan and preset suites parse against it.

#include <string>
#include <vector>

#include "tools/hostkit/params/parameter_model.h"

namespace tooltest {

inline hostkit::ParameterModel SmallParameterModel() {
  std::vector<hostkit::ParameterInfo> p(6);
  p[0].index = 0, p[0].name = "Mode", p[0].type = 11, p[0].elements = {{"Paint", 0.0f}, {"Smoke", 1.0f}};
  p[1].index = 1, p[1].name = "Light", p[1].type = 10, p[1].maximum = 10.0f;
  p[2].index = 2, p[2].name = "Spot Spin", p[2].type = 10;
  p[3].index = 3, p[3].name = "Seed", p[3].type = 11;
  for (int i = 0; i < 10; ++i) p[3].elements.push_back({"Seed " + std::to_string(i + 1), static_cast<float>(i)});
  p[4].index = 4, p[4].name = "Night Mode", p[4].type = 0;
  p[5].index = 5, p[5].name = "Caption", p[5].type = 100;
  return hostkit::ParameterModel::FromParameters(p);
}

}  // namespace tooltest
