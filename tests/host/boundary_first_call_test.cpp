// The very first calls a host makes into a freshly loaded library. Its own process: the
// library's process-wide state must be untouched when the test starts.

#include "tests/support/wire.h"

namespace {

TEST(FirstCall, IdentificationNeedsNoPriorCallAndParametersMakeThePrototype) {
  wire::Plugin plugin(SWIRLMOSS_MODULE_PATH);
  ASSERT_TRUE(plugin.Loaded()) << plugin.error;
  const auto* info = static_cast<const char*>(plugin.Call(0).p);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::string(info + 8, 4), "QAWM");
  ASSERT_NE(plugin.Call(13).p, nullptr);
  EXPECT_EQ(plugin.Call(4).raw, 22u);
  EXPECT_EQ(plugin.Call(2).raw, wire::kSuccess);
}

TEST(FirstCall, AGlobalQueryWithoutInitialiseStillAnswers) {
  wire::Plugin plugin(SWIRLMOSS_MODULE_PATH);  // same library, already loaded: shared state
  ASSERT_TRUE(plugin.Loaded()) << plugin.error;
  EXPECT_EQ(std::string(static_cast<const char*>(plugin.Call(5, wire::U(15)).p)), "Seed");
  EXPECT_EQ(plugin.Call(2).raw, wire::kSuccess);
}

}  // namespace
