// The plugin as a host sees it: the built module loaded with dlopen, every function code
// called through plugMain with records laid out byte by byte at their wire offsets.

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/support/gl_test_context.h"
#include "tests/support/wire.h"

namespace {

using wire::kFail;
using wire::kSuccess;
using wire::P;
using wire::Record;
using wire::U;

const wire::Plugin& Module() {
  static wire::Plugin plugin(SWIRLMOSS_MODULE_PATH);
  return plugin;
}

class Boundary : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Module().Loaded()) << "cannot load " SWIRLMOSS_MODULE_PATH ": " << Module().error; }
  static void TearDownTestSuite() {
    if (Module().Loaded()) Module().Call(2);  // free the prototype
  }
  const wire::Plugin& plugin = Module();
};

std::string Text(wire::Word w) { return w.p ? static_cast<const char*>(w.p) : "<null>"; }

TEST_F(Boundary, InformationBlocksHaveTheirWireLayout) {
  const auto* info = static_cast<const unsigned char*>(plugin.Call(0).p);
  ASSERT_NE(info, nullptr);
  uint32_t words[2];
  std::memcpy(words, info, 8);
  EXPECT_EQ(words[0], 2u);
  EXPECT_EQ(words[1], 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info + 8), 4), "QAWM");
  EXPECT_EQ(std::memcmp(info + 12, "QARU Swirlmoss\0\0", 16), 0);
  uint32_t type;
  std::memcpy(&type, info + 28, 4);
  EXPECT_EQ(type, 0u);

  const auto* extended = static_cast<const unsigned char*>(plugin.Call(13).p);
  ASSERT_NE(extended, nullptr);
  std::memcpy(words, extended, 8);
  EXPECT_EQ(words[0], 1u);
  EXPECT_EQ(words[1], 0u);
  const char* description;
  const char* about;
  const void* data;
  uint32_t dataSize;
  std::memcpy(&description, extended + 8, 8);
  std::memcpy(&about, extended + 16, 8);
  std::memcpy(&dataSize, extended + 24, 4);
  std::memcpy(&data, extended + 32, 8);
  ASSERT_NE(description, nullptr);
  ASSERT_NE(about, nullptr);
  EXPECT_GT(std::strlen(description), 10u);
  EXPECT_NE(std::string(about).find("Swirlmoss"), std::string::npos);
  EXPECT_EQ(dataSize, 0u);
  EXPECT_EQ(data, nullptr);

  EXPECT_EQ(plugin.Call(2).raw, kSuccess);
  EXPECT_EQ(plugin.Call(0).p, info) << "the block outlives the prototype";
}

TEST_F(Boundary, PrototypeIsMadeOnDemandAndAgainAfterDeinitialise) {
  EXPECT_EQ(plugin.Call(4).raw, 22u);
  EXPECT_EQ(plugin.Call(2).raw, kSuccess);
  EXPECT_EQ(plugin.Call(2).raw, kSuccess) << "a second deinitialise is harmless";
  EXPECT_EQ(plugin.Call(4).raw, 22u);
  EXPECT_EQ(plugin.Call(34).raw, kSuccess);
}

TEST_F(Boundary, CodesOutsideTheTableFail) {
  for (uint32_t code : {1u, 3u, 11u, 12u, 14u, 24u, 25u, 26u, 27u, 28u, 29u, 30u, 52u, 53u, 60u, 100u, 0xFFFFFFFFu}) {
    Record anything(64, 0x5A);
    EXPECT_EQ(plugin.Call(code, anything, anything.data()).raw, kFail) << "code " << code;
    EXPECT_EQ(plugin.Call(code).raw, kFail) << "code " << code;
  }
}

TEST_F(Boundary, ParameterNamesDefaultsAndTypes) {
  EXPECT_EQ(Text(plugin.Call(5, U(0))), "Mode");
  EXPECT_EQ(Text(plugin.Call(5, U(11))), "Wave Thickness");
  EXPECT_EQ(Text(plugin.Call(5, U(21))), "Mask Threshold");
  EXPECT_EQ(plugin.Call(5, U(22)).p, nullptr);
  EXPECT_EQ(plugin.Call(5, U(0xFFFFFFFFu)).p, nullptr);

  EXPECT_EQ(wire::LowFloat(plugin.Call(6, U(1))), 0.5f);
  EXPECT_EQ(wire::LowFloat(plugin.Call(6, U(11))), 1.0f);
  EXPECT_EQ(wire::LowFloat(plugin.Call(6, U(21))), 0.1f);
  EXPECT_EQ(static_cast<uint32_t>(plugin.Call(6, U(22)).raw), 0xFFFFFFFFu);
  const float seed = wire::LowFloat(plugin.Call(6, U(15)));
  EXPECT_TRUE(seed >= 0.0f && seed <= 9.0f && seed == std::floor(seed)) << seed;

  const uint32_t types[22] = {11, 10, 10, 10, 0, 2, 3, 4, 10, 10, 10, 10, 10, 0, 10, 11, 2, 3, 4, 0, 10, 10};
  for (uint32_t i = 0; i < 22; ++i) EXPECT_EQ(plugin.Call(15, U(i)).raw, types[i]) << "index " << i;
  EXPECT_EQ(plugin.Call(15, U(22)).raw, kFail);
  EXPECT_EQ(plugin.Call(32, U(3)).raw, 0u);
  EXPECT_EQ(plugin.Call(32, U(22)).raw, kFail);
  EXPECT_EQ(plugin.Call(33).p, nullptr);
}

TEST_F(Boundary, OptionElementsRangesAndVisibility) {
  EXPECT_EQ(plugin.Call(31, U(0)).raw, 2u);
  EXPECT_EQ(plugin.Call(31, U(1)).raw, 1u);
  EXPECT_EQ(plugin.Call(31, U(4)).raw, 0u);
  EXPECT_EQ(plugin.Call(31, U(15)).raw, 10u);
  EXPECT_EQ(plugin.Call(31, U(22)).raw, kFail);

  Record query(8);
  query.U32(0, 15).U32(4, 3);
  EXPECT_EQ(Text(plugin.Call(35, query)), "Seed 4");
  EXPECT_EQ(wire::LowFloat(plugin.Call(36, query)), 3.0f);
  query.U32(0, 0).U32(4, 1);
  EXPECT_EQ(Text(plugin.Call(35, query)), "Smoke");
  query.U32(0, 15).U32(4, 10);
  EXPECT_EQ(plugin.Call(35, query).p, nullptr);
  EXPECT_EQ(plugin.Call(36, query).raw, kFail);
  query.U32(0, 22).U32(4, 0);
  EXPECT_EQ(plugin.Call(35, query).p, nullptr);
  EXPECT_EQ(plugin.Call(35, P(nullptr)).p, nullptr);
  EXPECT_EQ(plugin.Call(36, P(nullptr)).raw, kFail);

  Record range(12, 0xEE);
  range.U32(0, 11);
  EXPECT_EQ(plugin.Call(41, range).raw, kSuccess);
  EXPECT_EQ(range.GetF32(4), 0.6f);
  EXPECT_EQ(range.GetF32(8), 2.0f);
  range.U32(0, 8);
  plugin.Call(41, range);
  EXPECT_EQ(range.GetF32(8), 10.0f);
  range.U32(0, 1000);
  EXPECT_EQ(plugin.Call(41, range).raw, kSuccess);
  EXPECT_EQ(range.GetF32(4), 0.0f);
  EXPECT_EQ(range.GetF32(8), 1.0f);
  EXPECT_EQ(plugin.Call(41, P(nullptr)).raw, kFail);

  EXPECT_EQ(plugin.Call(45, U(0)).raw, 1u);
  EXPECT_EQ(plugin.Call(45, U(2)).raw, 0u);
  EXPECT_EQ(plugin.Call(45, U(3)).raw, 0u);
  EXPECT_EQ(plugin.Call(45, U(22)).raw, kFail);
}

TEST_F(Boundary, FileExtensionsSeparatorsAndGroupsAreEmpty) {
  for (uint32_t index : {0u, 15u, 21u, 99u}) {
    EXPECT_EQ(plugin.Call(43, U(index)).raw, 0u);
    EXPECT_EQ(plugin.Call(47, U(index)).raw, 0u);
    Record query(8);
    query.U32(0, index);
    EXPECT_EQ(plugin.Call(44, query).p, nullptr);
    EXPECT_EQ(plugin.Call(48, query).raw, kFail);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    Record text(24);
    text.U32(0, index).Ptr(8, buffer).U32(16, sizeof buffer);
    EXPECT_EQ(plugin.Call(50, text).raw, kSuccess);
    EXPECT_EQ(std::string(buffer, 8), "########");
  }
  EXPECT_EQ(plugin.Call(44, P(nullptr)).p, nullptr);
  EXPECT_EQ(plugin.Call(48, P(nullptr)).raw, kFail);
  EXPECT_EQ(plugin.Call(50, P(nullptr)).raw, kFail);
  Record noRoom(24);
  char one[1];
  noRoom.U32(0, 0).Ptr(8, one).U32(16, 0);
  EXPECT_EQ(plugin.Call(50, noRoom).raw, kFail);
  Record noBuffer(24);
  noBuffer.U32(0, 0).Ptr(8, nullptr).U32(16, 16);
  EXPECT_EQ(plugin.Call(50, noBuffer).raw, kFail);
}

TEST_F(Boundary, CapabilitiesThumbnailAndShortName) {
  EXPECT_EQ(plugin.Call(10, U(5)).raw, 1u);
  EXPECT_EQ(plugin.Call(10, U(10)).raw, 1u);
  EXPECT_EQ(plugin.Call(10, U(11)).raw, 1u);
  for (uint32_t other : {0u, 4u, 16u, 999u}) EXPECT_EQ(plugin.Call(10, U(other)).raw, 0u) << other;

  Record thumbnail(16, 0x77);
  EXPECT_EQ(plugin.Call(42, thumbnail).raw, kFail);
  EXPECT_EQ(thumbnail.GetU32(0), 0u);
  EXPECT_EQ(thumbnail.GetU32(4), 0u);
  EXPECT_EQ(thumbnail.Byte(8), 0x77) << "no pixels and no pointer written";
  EXPECT_EQ(plugin.Call(42, P(nullptr)).raw, kFail);
}

TEST_F(Boundary, InstanceCodesWithANullHandleAnswerTheirFailureAndDoNothing) {
  for (uint32_t code : {7u, 8u, 9u, 16u, 17u, 19u, 20u, 21u, 22u, 23u, 37u, 38u, 39u, 40u, 46u, 49u, 51u}) {
    Record record(64);
    EXPECT_EQ(plugin.Call(code, record, nullptr).raw, kFail) << "code " << code;
  }
  EXPECT_EQ(plugin.Call(18, P(nullptr)).raw, 0xFFFFFFFFull) << "null viewport";
}

TEST_F(Boundary, LogCallbackIsExportedAndNeverCalled) {
  ASSERT_NE(plugin.setLogCallback, nullptr);
  static int calls = 0;
  plugin.setLogCallback([](const char*) { ++calls; });
  plugin.setLogCallback(nullptr);
  plugin.Call(4);
  EXPECT_EQ(calls, 0);
}

// --- a live instance, under the shared headless GL context ---

class LiveInstance : public testsupport::GlTest {
 protected:
  void SetUp() override {
    testsupport::GlTest::SetUp();
    ASSERT_TRUE(Module().Loaded()) << Module().error;
    Record viewport(16);
    viewport.U32(8, 64).U32(12, 32);
    instance = plugin.Call(18, viewport).p;
    ASSERT_NE(reinterpret_cast<uintptr_t>(instance), 0xFFFFFFFFu) << "instance creation failed";
  }
  void TearDown() override {
    if (instance && reinterpret_cast<uintptr_t>(instance) != 0xFFFFFFFFu) {
      EXPECT_EQ(plugin.Call(19, U(0), instance).raw, kSuccess);
    }
  }
  static void TearDownTestSuite() { Module().Call(2); }

  float Get(uint32_t index) { return wire::LowFloat(plugin.Call(9, U(index), instance)); }
  uint64_t Set(uint32_t index, float value) {
    Record record(16);
    record.U32(0, index).U32(8, wire::FloatBits(value));
    return plugin.Call(8, record, instance).raw;
  }

  const wire::Plugin& plugin = Module();
  void* instance = nullptr;
};

TEST_F(LiveInstance, StartsWithTheRegisteredDefaults) {
  const uint32_t count = static_cast<uint32_t>(plugin.Call(4).raw);
  for (uint32_t i = 0; i < count; ++i)
    EXPECT_EQ(Get(i), wire::LowFloat(plugin.Call(6, U(i)))) << "index " << i;
  EXPECT_EQ(Get(11), 1.0f) << "Wave Thickness comes from the registered default";
}

TEST_F(LiveInstance, ValuesPassUnchangedAndDisplayAsText) {
  EXPECT_EQ(Set(8, 7.5f), kSuccess);
  EXPECT_EQ(Get(8), 7.5f);
  EXPECT_EQ(Set(1, -3.0f), kSuccess);
  EXPECT_EQ(Get(1), -3.0f);
  EXPECT_EQ(Set(12, std::numeric_limits<float>::quiet_NaN()), kSuccess);
  EXPECT_TRUE(std::isnan(Get(12)));
  EXPECT_EQ(Set(22, 1.0f), kFail);
  EXPECT_EQ(Set(0xFFFFFFFFu, 1.0f), kFail);
  EXPECT_EQ(Get(22), 0.0f);
  EXPECT_EQ(plugin.Call(8, P(nullptr), instance).raw, kFail);

  EXPECT_EQ(Text(plugin.Call(7, U(8), instance)), "7.500000");
  Set(8, 1e30f);
  EXPECT_EQ(Text(plugin.Call(7, U(8), instance)).size(), 16u);
  EXPECT_EQ(plugin.Call(7, U(22), instance).p, nullptr);
}

TEST_F(LiveInstance, HostStateCodesAnswerSuccessAndRejectNullRecords) {
  Record seconds(8);
  seconds.F64(0, 12.5);
  EXPECT_EQ(plugin.Call(20, seconds, instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(20, P(nullptr), instance).raw, kFail);
  EXPECT_EQ(plugin.Call(21, U(0), instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(22, U(0), instance).raw, kSuccess);
  Record viewport(16);
  viewport.U32(8, 10).U32(12, 10);
  EXPECT_EQ(plugin.Call(23, viewport, instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(23, P(nullptr), instance).raw, kFail);
  Record beat(8);
  beat.F32(0, 128.0f).F32(4, 0.5f);
  EXPECT_EQ(plugin.Call(38, beat, instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(38, P(nullptr), instance).raw, kFail);
  Record host(16);
  host.Ptr(0, "Test Host").Ptr(8, "0.1");
  EXPECT_EQ(plugin.Call(39, host, instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(39, P(nullptr), instance).raw, kFail);
  EXPECT_EQ(plugin.Call(40, U(48000), instance).raw, kSuccess);
  EXPECT_EQ(plugin.Call(16, U(0), instance).raw, 1u);
  EXPECT_EQ(plugin.Call(16, U(1), instance).raw, kFail);
  EXPECT_EQ(plugin.Call(49, U(16), instance).raw, kFail);
  EXPECT_EQ(plugin.Call(49, U(5), instance).raw, kFail);
}

TEST_F(LiveInstance, ElementValuesBelongToTheInstance) {
  Record assign(12);
  assign.U32(0, 15).U32(4, 3).F32(8, 42.0f);
  EXPECT_EQ(plugin.Call(37, assign, instance).raw, kSuccess);
  Record query(8);
  query.U32(0, 15).U32(4, 3);
  EXPECT_EQ(wire::LowFloat(plugin.Call(36, query, instance)), 42.0f);
  EXPECT_EQ(wire::LowFloat(plugin.Call(36, query, nullptr)), 3.0f) << "the prototype is untouched";
  assign.U32(4, 10);
  EXPECT_EQ(plugin.Call(37, assign, instance).raw, kFail);
  assign.U32(0, 22).U32(4, 0);
  EXPECT_EQ(plugin.Call(37, assign, instance).raw, kFail);
  EXPECT_EQ(plugin.Call(37, P(nullptr), instance).raw, kFail);
}

TEST_F(LiveInstance, FramesWithoutARecordFailAndEventsNeedARecord) {
  EXPECT_EQ(plugin.Call(17, P(nullptr), instance).raw, kFail);
  EXPECT_EQ(plugin.Call(46, P(nullptr), instance).raw, kFail);
  Record events(8);
  events.U32(0, 0).Ptr(8, nullptr);
  EXPECT_EQ(plugin.Call(46, events, instance).raw, kSuccess);
  Record name(24);
  char buffer[4];
  name.U32(0, 5).Ptr(8, buffer).U32(16, 0);
  EXPECT_EQ(plugin.Call(51, name, instance).raw, kFail) << "a zero-sized buffer";
  name.Ptr(8, nullptr).U32(16, 16);
  EXPECT_EQ(plugin.Call(51, name, instance).raw, kFail) << "no buffer behind a non-zero size";
  EXPECT_EQ(plugin.Call(51, P(nullptr), instance).raw, kFail);
}

TEST_F(LiveInstance, AFrameWithoutInputRelabelsAndTheHostPollsTheEvents) {
  Record frame(24);
  frame.U32(0, 0);  // no input: nothing is drawn, but the frame's bookkeeping runs
  EXPECT_EQ(plugin.Call(17, frame, instance).raw, kFail);

  Record count(16);
  count.U32(0, 1000).Ptr(8, nullptr);
  EXPECT_EQ(plugin.Call(46, count, instance).raw, kSuccess);
  EXPECT_EQ(count.GetU32(0), 7u) << "six colour labels and Night Mode";

  Record entries(16 * 2, 0xCD);
  Record query(16);
  query.U32(0, 2).Ptr(8, entries.data());
  EXPECT_EQ(plugin.Call(46, query, instance).raw, kSuccess);
  EXPECT_EQ(query.GetU32(0), 2u);
  EXPECT_EQ(entries.GetU32(0), 5u);
  EXPECT_EQ(entries.GetU64(8), 2u) << "display name changed";
  EXPECT_EQ(entries.Byte(4), 0xCD) << "the padding bytes are not written";
  EXPECT_EQ(entries.GetU32(16), 6u);

  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  Record name(24);
  name.U32(0, 5).Ptr(8, buffer).U32(16, 3);
  EXPECT_EQ(plugin.Call(51, name, instance).raw, kSuccess);
  EXPECT_EQ(std::string(buffer, 8), "Pai#####");

  // Smoke: the host sets the mode, primes with a frame, and reads the Smoke bank back.
  EXPECT_EQ(Set(0, 1.0f), kSuccess);
  plugin.Call(17, frame, instance);
  EXPECT_EQ(Get(7), 0.6f);
  EXPECT_EQ(plugin.Call(45, U(3), instance).raw, 1u) << "Smoke Amount shown";
  EXPECT_EQ(plugin.Call(45, U(10), instance).raw, 0u) << "Shine hidden";
  EXPECT_EQ(plugin.Call(45, U(10), nullptr).raw, 1u) << "the prototype keeps its declared visibility";
  std::memset(buffer, 0, sizeof buffer);
  name.U32(16, sizeof buffer - 1);
  plugin.Call(51, name, instance);
  EXPECT_STREQ(buffer, "Ambient");
  query.U32(0, 64).Ptr(8, nullptr);
  plugin.Call(46, query, instance);
  EXPECT_EQ(query.GetU32(0), 20u) << "every parameter but Mode and Fan";
}

}  // namespace
