// The parameter registry: declaration defaults, lookups, visibility and label events, and
// delivery of pending events to the host.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host/param_registry.h"

namespace {

TEST(Registry, StandardDefaultsAreClampedOtherTypesAreNot) {
  CFFGLPluginManager registry;
  registry.RegisterParam(0, "high", FF_TYPE_STANDARD, 1.5f);
  registry.RegisterParam(1, "low", FF_TYPE_STANDARD, -0.5f);
  registry.RegisterParam(2, "bool", FF_TYPE_BOOLEAN, 1.5f);
  registry.RegisterParam(3, "red", FF_TYPE_RED, -2.0f);
  EXPECT_EQ(registry.FindParam(0)->defaultValue, 1.0f);
  EXPECT_EQ(registry.FindParam(1)->defaultValue, 0.0f);
  EXPECT_EQ(registry.FindParam(2)->defaultValue, 1.5f);
  EXPECT_EQ(registry.FindParam(3)->defaultValue, -2.0f);
}

TEST(Registry, DeclarationsFillTheRecordDefaults) {
  CFFGLPluginManager registry;
  registry.RegisterParam(7, "plain", FF_TYPE_STANDARD, 0.25f);
  registry.RegisterOptionParam(8, "choice", 3, 2.0f);
  registry.RegisterBoolParam(9, "switch", FF_TYPE_BOOLEAN, true);

  const ParamRecord& plain = *registry.FindParam(7);
  EXPECT_EQ(plain.name, "plain");
  EXPECT_TRUE(plain.displayName.empty());
  EXPECT_TRUE(plain.visible);
  EXPECT_EQ(plain.minValue, 0.0f);
  EXPECT_EQ(plain.maxValue, 1.0f);
  EXPECT_EQ(plain.usage, 0u);
  EXPECT_EQ(plain.pendingEvents, 0u);
  ASSERT_EQ(plain.elements.size(), 1u);  // one element created by sizing
  EXPECT_TRUE(plain.elements[0].name.empty());
  EXPECT_EQ(plain.elements[0].value, 0.0f);

  EXPECT_EQ(registry.FindParam(8)->type, static_cast<uint32_t>(FF_TYPE_OPTION));
  EXPECT_EQ(registry.FindParam(8)->elements.size(), 3u);
  EXPECT_EQ(registry.FindParam(8)->defaultValue, 2.0f);  // option defaults are not clamped
  EXPECT_EQ(registry.FindParam(9)->elements.size(), 0u);
  EXPECT_EQ(registry.FindParam(9)->defaultValue, 1.0f);
}

TEST(Registry, OptionElementsOutsideTheCountAreIgnored) {
  CFFGLPluginManager registry;
  registry.RegisterOptionParam(0, "choice", 2, 0.0f);
  registry.RegisterOptionElement(0, 1, "second", 5.0f);
  registry.RegisterOptionElement(0, 2, "past the end", 9.0f);
  registry.RegisterOptionElement(0, 0xFFFFFFFFu, "far past", 9.0f);
  registry.RegisterOptionElement(42, 0, "no such record", 9.0f);
  const ParamRecord& record = *registry.FindParam(0);
  ASSERT_EQ(record.elements.size(), 2u);
  EXPECT_EQ(record.elements[1].name, "second");
  EXPECT_EQ(record.elements[1].value, 5.0f);
  EXPECT_TRUE(record.elements[0].name.empty());
}

TEST(Registry, FirstRecordWithAnIndexAnswersEveryLookup) {
  CFFGLPluginManager registry;
  registry.RegisterParam(5, "first", FF_TYPE_STANDARD, 0.1f);
  registry.RegisterParam(5, "second", FF_TYPE_RED, 0.2f);
  EXPECT_EQ(registry.FindParam(5)->name, "first");
  EXPECT_EQ(registry.ParamType(5), static_cast<uint32_t>(FF_TYPE_STANDARD));
  EXPECT_EQ(registry.ParamType(6), FF_FAIL);
  EXPECT_EQ(registry.FindParam(6), nullptr);
  registry.SetParamLimits(5, -3.0f, 3.0f);
  EXPECT_EQ(registry.Params()[0].minValue, -3.0f);
  EXPECT_EQ(registry.Params()[1].minValue, 0.0f);
}

TEST(Registry, VisibilityRaisesAnEventOnlyWhenNotifiedOfARealChange) {
  CFFGLPluginManager registry;
  registry.RegisterParam(0, "p", FF_TYPE_STANDARD, 0.0f);
  registry.SetParamVisible(0, false, false);
  EXPECT_FALSE(registry.FindParam(0)->visible);
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, 0u);
  registry.SetParamVisible(0, false, true);  // unchanged
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, 0u);
  registry.SetParamVisible(0, true, true);
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, FF_EVENT_FLAG_VISIBILITY);
}

TEST(Registry, LabelRaisesAnEventOnlyForADifferentText) {
  CFFGLPluginManager registry;
  registry.RegisterParam(0, "p", FF_TYPE_STANDARD, 0.0f);
  registry.SetParamLabel(0, "", true);  // the label starts empty: no change
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, 0u);
  registry.SetParamLabel(0, "Paint R", false);
  EXPECT_EQ(registry.FindParam(0)->displayName, "Paint R");
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, 0u);
  registry.SetParamLabel(0, "Paint R", true);
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, 0u);
  registry.SetParamLabel(0, "Paint Rx", true);  // differs in length
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, FF_EVENT_FLAG_DISPLAY_NAME);
  registry.FindParam(0)->pendingEvents = 0;
  registry.SetParamLabel(0, "Paint Ry", true);  // same length, another byte
  EXPECT_EQ(registry.FindParam(0)->pendingEvents, FF_EVENT_FLAG_DISPLAY_NAME);
  registry.SetParamLabel(0, "", true);  // an empty label is a valid value
  EXPECT_EQ(registry.FindParam(0)->displayName, "");
}

class EventDelivery : public ::testing::Test {
 protected:
  void SetUp() override {
    for (uint32_t i = 0; i < 4; ++i) registry.RegisterParam(10 + i, "p", FF_TYPE_STANDARD, 0.0f);
    registry.RaiseParamEvent(11, FF_EVENT_FLAG_VALUE);
    registry.RaiseParamEvent(11, FF_EVENT_FLAG_VISIBILITY);
    registry.RaiseParamEvent(13, FF_EVENT_FLAG_DISPLAY_NAME);
  }
  CFFGLPluginManager registry;
};

TEST_F(EventDelivery, NullArrayCountsAndClearsNothing) {
  GetParamEventsStruct query{99, nullptr};
  EXPECT_EQ(registry.DeliverEvents(query), FF_SUCCESS);
  EXPECT_EQ(query.numEvents, 2u);
  EXPECT_EQ(registry.FindParam(11)->pendingEvents, FF_EVENT_FLAG_VALUE | FF_EVENT_FLAG_VISIBILITY);
}

TEST_F(EventDelivery, SmallArrayDeliversInDeclarationOrderAndClearsOnlyWhatFit) {
  ParamEventStruct entries[2];
  std::memset(entries, 0xAB, sizeof entries);
  GetParamEventsStruct query{1, entries};
  EXPECT_EQ(registry.DeliverEvents(query), FF_SUCCESS);
  ASSERT_EQ(query.numEvents, 1u);
  EXPECT_EQ(entries[0].ParameterNumber, 11u);
  EXPECT_EQ(entries[0].eventFlags, FF_EVENT_FLAG_VALUE | FF_EVENT_FLAG_VISIBILITY);
  unsigned char untouched[sizeof(ParamEventStruct)];
  std::memset(untouched, 0xAB, sizeof untouched);
  EXPECT_EQ(std::memcmp(&entries[1], untouched, sizeof untouched), 0) << "wrote past the capacity";
  EXPECT_EQ(registry.FindParam(11)->pendingEvents, 0u);
  EXPECT_EQ(registry.FindParam(13)->pendingEvents, FF_EVENT_FLAG_DISPLAY_NAME);

  query = {4, entries};
  registry.DeliverEvents(query);
  ASSERT_EQ(query.numEvents, 1u);
  EXPECT_EQ(entries[0].ParameterNumber, 13u);
  query = {4, entries};
  registry.DeliverEvents(query);
  EXPECT_EQ(query.numEvents, 0u);
}

TEST_F(EventDelivery, ZeroCapacityDeliversNothing) {
  ParamEventStruct entry{};
  GetParamEventsStruct query{0, &entry};
  registry.DeliverEvents(query);
  EXPECT_EQ(query.numEvents, 0u);
  EXPECT_NE(registry.FindParam(11)->pendingEvents, 0u);
}

TEST(Registry, HostBufferCopyIsBoundedAndUnterminated) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  CFFGLPluginManager::CopyToHostBuffer("Paint R", buffer, 3);
  EXPECT_EQ(std::string(buffer, 8), "Pai#####");
  CFFGLPluginManager::CopyToHostBuffer("", buffer, 8);
  EXPECT_EQ(std::string(buffer, 8), "Pai#####");
  CFFGLPluginManager::CopyToHostBuffer("abc", nullptr, 8);  // no buffer: nothing happens
}

}  // namespace
