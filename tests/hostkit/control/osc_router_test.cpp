// OSC messages against a model of each kind of parameter: what is applied, and that every bad
// message is refused whole with the reason it is counted under.

#include <gtest/gtest.h>

#include <cmath>

#include "tools/hostkit/control/live_stats.h"
#include "tools/hostkit/control/osc_router.h"

namespace {

using hostkit::LiveEvent;
using hostkit::OscArgument;
using hostkit::OscRefusal;
using hostkit::OscRouter;

hostkit::ParameterModel Model() {
  std::vector<hostkit::ParameterInfo> p(6);
  p[0].name = "Mode", p[0].type = 11, p[0].elements = {{"Paint", 0.0f}, {"Smoke", 1.0f}};
  p[1].name = "Time Speed", p[1].type = 10;
  p[2].name = "Light", p[2].type = 10, p[2].maximum = 10.0f;
  p[3].name = "Night Mode", p[3].type = 0;
  p[4].name = "Seed", p[4].type = 11;
  for (int i = 0; i < 10; ++i) p[4].elements.push_back({"Seed " + std::to_string(i + 1), static_cast<float>(i)});
  p[5].name = "light", p[5].type = 10;  // reads as "Light" once lower-cased
  for (uint32_t i = 0; i < p.size(); ++i) p[i].index = i;
  return hostkit::ParameterModel::FromParameters(p);
}

OscArgument Number(char type, double value) { return {type, value, {}}; }
OscArgument Text(std::string_view text) { return {'s', 0.0, text}; }

struct Routed {
  OscRefusal refusal;
  LiveEvent event;
  std::string why;
};

Routed Route(const OscRouter& router, std::string_view address, std::vector<OscArgument> arguments) {
  Routed routed{};
  routed.refusal = router.Route(address, arguments.data(), arguments.size(), routed.event, routed.why);
  return routed;
}

TEST(OscRouter, AddressesComeFromTheNamesAndStayApart) {
  EXPECT_EQ(hostkit::AddressStem("Time Speed"), "time_speed");
  EXPECT_EQ(hostkit::AddressStem("  Paint--R (x) "), "paint_r_x");
  const hostkit::ParameterModel model = Model();
  const OscRouter router(model);
  std::vector<std::string> paths;
  for (const auto& address : router.Addresses()) paths.push_back(address.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"/swirlmoss/mode", "/swirlmoss/time_speed", "/swirlmoss/light",
                                             "/swirlmoss/night_mode", "/swirlmoss/seed", "/swirlmoss/light_5"}));
  const std::string listing = router.Listing();
  EXPECT_NE(listing.find("/swirlmoss/light           Light           a number from 0 to 10\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("/swirlmoss/preset"), std::string::npos);
}

TEST(OscRouter, ValuesInTheirRangeOptionsAsSetTakesThemAndNormalisedOnes) {
  const hostkit::ParameterModel model = Model();
  const OscRouter router(model);
  const struct {
    std::string_view address;
    OscArgument argument;
    uint32_t index;
    float value;
  } cases[] = {
      {"/swirlmoss/light", Number('f', 2.5), 2, 2.5f},
      {"/swirlmoss/light", Number('i', 10), 2, 10.0f},
      {"/swirlmoss/light", Number('d', 0.0), 2, 0.0f},
      {"/swirlmoss/light/norm", Number('f', 0.25), 2, 2.5f},
      {"/swirlmoss/mode", Text("smoke"), 0, 1.0f},
      {"/swirlmoss/mode", Number('i', 1), 0, 1.0f},
      {"/swirlmoss/mode/norm", Number('f', 0.9), 0, 1.0f},
      {"/swirlmoss/seed", Text("Seed 4"), 4, 3.0f},
      {"/swirlmoss/seed", Number('h', 9), 4, 9.0f},
      {"/swirlmoss/seed/norm", Number('f', 1.0), 4, 9.0f},
      {"/swirlmoss/night_mode", {'T', 0.0, {}}, 3, 1.0f},
      {"/swirlmoss/night_mode", Text("off"), 3, 0.0f},
      {"/swirlmoss/night_mode", Number('h', 1), 3, 1.0f},
      {"/swirlmoss/night_mode", Text("0.0"), 3, 0.0f},
      {"/swirlmoss/night_mode/norm", Number('f', 0.7), 3, 1.0f},
      {"/swirlmoss/light_5", Number('f', 0.5), 5, 0.5f},
  };
  for (const auto& c : cases) {
    const Routed routed = Route(router, c.address, {c.argument});
    ASSERT_EQ(routed.refusal, OscRefusal::None) << c.address << ": " << routed.why;
    EXPECT_EQ(routed.event.kind, LiveEvent::Kind::Set);
    EXPECT_EQ(routed.event.index, c.index) << c.address;
    EXPECT_FLOAT_EQ(routed.event.value, c.value) << c.address;
  }
  const Routed preset = Route(router, "/swirlmoss/preset", {Text("embers")});
  ASSERT_EQ(preset.refusal, OscRefusal::None) << preset.why;
  EXPECT_EQ(preset.event.kind, LiveEvent::Kind::Preset);
  EXPECT_STREQ(preset.event.preset, "embers");
}

TEST(OscRouter, NormalisedValuesSpanARangeThatDoesNotStartAtZero) {
  std::vector<hostkit::ParameterInfo> p(1);
  p[0].name = "Wave Thickness", p[0].type = 10, p[0].minimum = 0.6f, p[0].maximum = 2.0f;
  const hostkit::ParameterModel model = hostkit::ParameterModel::FromParameters(p);
  const OscRouter router(model);
  for (const auto& [norm, value] : {std::pair{0.0, 0.6f}, {0.5, 1.3f}, {1.0, 2.0f}}) {
    const Routed routed = Route(router, "/swirlmoss/wave_thickness/norm", {Number('f', norm)});
    ASSERT_EQ(routed.refusal, OscRefusal::None) << routed.why;
    EXPECT_FLOAT_EQ(routed.event.value, value) << norm;
  }
}

TEST(OscRouter, EveryBadMessageIsRefusedWithItsReason) {
  const hostkit::ParameterModel model = Model();
  const OscRouter router(model);
  const std::string tooLong(LiveEvent::kPresetMax, 'x');
  const struct {
    std::string_view address;
    std::vector<OscArgument> arguments;
    OscRefusal refusal;
  } cases[] = {
      {"/swirlmoss/nothing", {Number('f', 1)}, OscRefusal::UnknownAddress},
      {"/swirlmoss/Light", {Number('f', 1)}, OscRefusal::UnknownAddress},
      {"/swirlmoss/light/norm/norm", {Number('f', 1)}, OscRefusal::UnknownAddress},
      {"/swirlmoss/light", {Text("2")}, OscRefusal::WrongType},
      {"/swirlmoss/light", {}, OscRefusal::WrongType},
      {"/swirlmoss/light", {Number('f', 1), Number('f', 2)}, OscRefusal::WrongType},
      {"/swirlmoss/light", {{'b', 0.0, {}}}, OscRefusal::WrongType},
      {"/swirlmoss/light", {Number('f', 10.5)}, OscRefusal::OutOfRange},
      {"/swirlmoss/light", {Number('f', -0.01)}, OscRefusal::OutOfRange},
      {"/swirlmoss/light", {Number('d', std::nan(""))}, OscRefusal::OutOfRange},
      {"/swirlmoss/light/norm", {Number('f', 1.5)}, OscRefusal::OutOfRange},
      {"/swirlmoss/light/norm", {Text("half")}, OscRefusal::WrongType},
      {"/swirlmoss/mode", {Text("Fog")}, OscRefusal::OutOfRange},
      {"/swirlmoss/mode", {Number('i', 2)}, OscRefusal::OutOfRange},
      {"/swirlmoss/seed", {Number('d', HUGE_VAL)}, OscRefusal::OutOfRange},
      {"/swirlmoss/night_mode", {Number('f', 0.7)}, OscRefusal::OutOfRange},
      {"/swirlmoss/night_mode", {Text("000000000000000015")}, OscRefusal::OutOfRange},
      {"/swirlmoss/night_mode", {{'b', 0.0, {}}}, OscRefusal::WrongType},
      {"/swirlmoss/preset", {Number('i', 1)}, OscRefusal::WrongType},
      {"/swirlmoss/preset", {Text("")}, OscRefusal::OutOfRange},
      {"/swirlmoss/preset", {Text(tooLong)}, OscRefusal::OutOfRange},
  };
  for (const auto& c : cases) {
    const Routed routed = Route(router, c.address, c.arguments);
    EXPECT_EQ(routed.refusal, c.refusal) << c.address << ": " << routed.why;
    EXPECT_EQ(routed.why.find('\n'), std::string::npos) << routed.why;
    EXPECT_NE(routed.why.find(c.address.substr(0, 12)), std::string::npos) << "names the address: " << routed.why;
  }
}

TEST(LiveQueue, KeepsArrivalOrderAcrossItsEndAndRefusesWhenFull) {
  hostkit::LiveQueue queue(0, 3);
  std::vector<LiveEvent> out;
  for (int round = 0; round < 3; ++round) {
    for (uint32_t i = 0; i < 3; ++i) {
      LiveEvent event;
      event.index = i;
      EXPECT_TRUE(queue.Push(event));
    }
    EXPECT_FALSE(queue.Push(LiveEvent())) << "full";
    queue.TakeAll(out);
    ASSERT_EQ(out.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(out[i].index, i);
    LiveEvent one;
    one.index = 7;
    EXPECT_TRUE(queue.Push(one));  // the next round starts one slot further on
    queue.TakeAll(out);
    ASSERT_EQ(out.size(), 1u);
  }
}

TEST(LiveQueue, ALaterValueReplacesTheWaitingOneButNeverCrossesAPresetOrAMidiMessage) {
  hostkit::LiveQueue queue(2, 3);
  const auto set = [](uint32_t index, float value) {
    LiveEvent event;
    event.index = index;
    event.value = value;
    return event;
  };
  LiveEvent preset, controlChange;
  preset.kind = LiveEvent::Kind::Preset;
  controlChange.kind = LiveEvent::Kind::Midi;
  controlChange.midi = {0xB0, 21, 1};
  controlChange.midiSize = 3;
  for (int i = 0; i < 1000; ++i) EXPECT_TRUE(queue.Push(set(1, static_cast<float>(i))));
  EXPECT_TRUE(queue.Push(preset));
  EXPECT_TRUE(queue.Push(set(1, 5.0f)));  // after the preset: its own slot, the queue is now full
  EXPECT_TRUE(queue.Push(set(1, 7.0f)));
  EXPECT_FALSE(queue.Push(set(0, 1.0f))) << "a parameter with no waiting value needs a slot";
  std::vector<LiveEvent> out;
  queue.TakeAll(out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].value, 999.0f);
  EXPECT_EQ(out[1].kind, LiveEvent::Kind::Preset);
  EXPECT_EQ(out[2].value, 7.0f);
  EXPECT_EQ(queue.Superseded(), 1000u);
  EXPECT_TRUE(queue.Push(set(1, 2.0f)));  // what the loop took is never replaced
  for (uint8_t position : {10, 20, 30}) {
    controlChange.midi[2] = position;
    EXPECT_TRUE(queue.Push(controlChange));
  }
  queue.TakeAll(out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].value, 2.0f);
  EXPECT_EQ(out[1].midi[2], 30);
  EXPECT_EQ(queue.Superseded(), 1002u);
}

TEST(DurationHistogram, PercentilesToTheBinAndTheLongestSampleKept) {
  hostkit::DurationHistogram histogram(1.0, 100.0);
  EXPECT_EQ(histogram.Summary(), "none");
  for (int ms = 1; ms <= 100; ++ms) histogram.Add(ms - 0.5);
  histogram.Add(5000.0);  // past the last bin
  EXPECT_EQ(histogram.Count(), 101u);
  EXPECT_DOUBLE_EQ(histogram.Percentile(0.5), 51.0);
  EXPECT_DOUBLE_EQ(histogram.Percentile(0.95), 96.0);
  EXPECT_DOUBLE_EQ(histogram.Percentile(1.0), 5000.0);
  EXPECT_DOUBLE_EQ(histogram.Max(), 5000.0);
  EXPECT_DOUBLE_EQ(histogram.Min(), 0.5);
}

}  // namespace
