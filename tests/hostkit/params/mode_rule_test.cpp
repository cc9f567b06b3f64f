// Which parameter is the mode and where a value crosses to the other mode. The rule on a live
// instance (the bank loaded before the other values, both ways) is in the driver suite.

#include <gtest/gtest.h>

#include "tests/hostkit/params/small_model.h"
#include "tools/hostkit/params/mode_rule.h"

namespace {

using hostkit::ModeRule;

TEST(ModeRule, TheModeIsTheOptionNamedModeInAnyCase) {
  const ModeRule rule(tooltest::SmallParameterModel());
  EXPECT_TRUE(rule.Present());
  EXPECT_TRUE(rule.IsMode(0));
  EXPECT_FALSE(rule.IsMode(4)) << "\"Night Mode\" is not the mode";

  std::vector<hostkit::ParameterInfo> parameters = tooltest::SmallParameterModel().Parameters();
  parameters[0].name = "mODE";
  std::swap(parameters[0].index, parameters[1].index);
  const ModeRule renamed(hostkit::ParameterModel::FromParameters(parameters));
  EXPECT_TRUE(renamed.IsMode(1));
  EXPECT_FALSE(renamed.IsMode(0));

  parameters[0].type = 10;  // a number named "Mode" switches nothing
  const ModeRule number(hostkit::ParameterModel::FromParameters(parameters));
  EXPECT_FALSE(number.Present());
  EXPECT_FALSE(number.IsMode(1));
  EXPECT_FALSE(ModeRule().IsMode(0));
}

TEST(ModeRule, HalfAndAboveIsTheSecondModeCrossingEitherWay) {
  const struct {
    bool inSecond;
    float value;
    bool crosses;
  } cases[] = {
      {false, 0.0f, false}, {false, 0.4999f, false}, {false, 0.5f, true},  {false, 1.0f, true},
      {true, 1.0f, false},  {true, 0.5f, false},     {true, 0.4999f, true}, {true, 0.0f, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ModeRule::Crosses(c.inSecond, c.value), c.crosses) << c.inSecond << " " << c.value;
  }
}

}  // namespace
