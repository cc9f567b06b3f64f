// MIDI bindings: learning binds the next control moved, control changes spread over what a
// parameter takes, notes toggle and step, and maps read back as they were written.

#include <gtest/gtest.h>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/control/midi_map.h"

namespace {

using hostkit::MidiMap;

hostkit::ParameterModel Model() {
  std::vector<hostkit::ParameterInfo> p(4);
  p[0].name = "Mode", p[0].type = 11, p[0].elements = {{"Paint", 0.0f}, {"Smoke", 1.0f}};
  p[1].name = "Light", p[1].type = 10, p[1].maximum = 10.0f;
  p[2].name = "Night Mode", p[2].type = 0;
  p[3].name = "Seed", p[3].type = 11, p[3].elements = {{"Seed 1", 0.0f}, {"Seed 2", 1.0f}, {"Seed 3", 2.0f}};
  for (uint32_t i = 0; i < p.size(); ++i) p[i].index = i;
  return hostkit::ParameterModel::FromParameters(p);
}

struct Moved {
  bool any = false;
  uint32_t index = 0;
  float value = 0.0f;
};

Moved Send(MidiMap& map, std::vector<uint8_t> bytes, const std::vector<float>& current) {
  Moved moved;
  moved.any = map.Handle(bytes.data(), bytes.size(), current, moved.index, moved.value);
  return moved;
}

TEST(MidiMap, LearningBindsTheNextControlMovedAndOneControlDrivesOneParameter) {
  const hostkit::ParameterModel model = Model();
  MidiMap map(model);
  const std::vector<float> values = {0.0f, 1.0f, 0.0f, 0.0f};
  EXPECT_FALSE(Send(map, {0xB0, 21, 127}, values).any) << "nothing is bound yet";
  map.Learn(1);
  uint32_t learning = 0;
  ASSERT_TRUE(map.Learning(learning));
  EXPECT_EQ(learning, 1u);
  EXPECT_FALSE(Send(map, {0x80, 40, 0}, values).any) << "a note-off teaches nothing";
  Moved moved = Send(map, {0xB3, 21, 127}, values);  // channel 4
  ASSERT_TRUE(moved.any);
  EXPECT_EQ(moved.index, 1u);
  EXPECT_FLOAT_EQ(moved.value, 10.0f);
  EXPECT_FALSE(map.Learning(learning));
  EXPECT_TRUE(map.Changed());
  EXPECT_FALSE(Send(map, {0xB0, 21, 64}, values).any) << "another channel is another control";
  EXPECT_FLOAT_EQ(Send(map, {0xB3, 21, 0}, values).value, 0.0f);

  // The same control learned again moves to the new parameter; the old binding goes.
  map.Learn(3);
  Send(map, {0xB3, 21, 64}, values);
  ASSERT_EQ(map.Bindings().size(), 1u);
  EXPECT_EQ(map.Bindings()[0].index, 3u);
  EXPECT_EQ(hostkit::ControlText(map.Bindings()[0].control), "CC 21 on channel 4");
  map.Remove(0);
  EXPECT_TRUE(map.Bindings().empty());
}

TEST(MidiMap, ControlChangesSpreadOverWhatAParameterTakesAndNotesToggleAndStep) {
  const hostkit::ParameterModel model = Model();
  MidiMap map(model);
  std::vector<float> values = {0.0f, 1.0f, 0.0f, 2.0f};
  const auto learn = [&](uint32_t index, std::vector<uint8_t> bytes) {
    map.Learn(index);
    return Send(map, bytes, values);
  };
  EXPECT_FLOAT_EQ(learn(1, {0xB0, 1, 64}).value, 64.0f / 127.0f * 10.0f);
  EXPECT_FLOAT_EQ(learn(0, {0xB0, 2, 63}).value, 0.0f) << "below the middle: the first mode";
  EXPECT_FLOAT_EQ(Send(map, {0xB0, 2, 64}, values).value, 1.0f);
  EXPECT_FLOAT_EQ(learn(2, {0xB0, 3, 100}).value, 1.0f);
  // Notes: a switch toggles from its value now, a list steps on and comes round.
  EXPECT_FLOAT_EQ(learn(2, {0x99, 36, 100}).value, 1.0f);
  values[2] = 1.0f;
  EXPECT_FLOAT_EQ(Send(map, {0x99, 36, 1}, values).value, 0.0f);
  EXPECT_FALSE(Send(map, {0x99, 36, 0}, values).any) << "velocity 0 is a note-off";
  EXPECT_FLOAT_EQ(learn(3, {0x90, 37, 100}).value, 0.0f) << "after Seed 3 comes Seed 1";
  values[3] = 0.0f;
  EXPECT_FLOAT_EQ(Send(map, {0x90, 37, 100}, values).value, 1.0f);
  EXPECT_FALSE(Send(map, {0xB0, 200, 1}, values).any) << "a data byte above 127 is no message";
  EXPECT_FALSE(Send(map, {0xB0, 1}, values).any) << "cut short";
}

TEST(MidiMap, AControlSpansARangeThatDoesNotStartAtZero) {
  std::vector<hostkit::ParameterInfo> p(1);
  p[0].name = "Wave Thickness", p[0].type = 10, p[0].minimum = 0.6f, p[0].maximum = 2.0f;
  const hostkit::ParameterModel model = hostkit::ParameterModel::FromParameters(p);
  MidiMap map(model);
  map.Learn(0);
  EXPECT_FLOAT_EQ(Send(map, {0xB0, 7, 0}, {1.0f}).value, 0.6f);
  EXPECT_FLOAT_EQ(Send(map, {0xB0, 7, 127}, {1.0f}).value, 2.0f);
}

TEST(MidiMap, MapsReadBackAsWrittenAndBadOnesNameTheFileAndTheBinding) {
  const hostkit::ParameterModel model = Model();
  MidiMap map(model);
  const std::vector<float> values = {0.0f, 1.0f, 0.0f, 0.0f};
  map.Learn(1);
  Send(map, {0xB0, 21, 1}, values);
  map.Learn(2);
  Send(map, {0x9F, 36, 1}, values);
  tooltest::ScratchDir dir;
  std::string error;
  ASSERT_TRUE(map.Save(dir / "map.json", error)) << error;
  EXPECT_FALSE(map.Changed());
  MidiMap read(model);
  ASSERT_TRUE(read.Load(dir / "map.json", error)) << error;
  EXPECT_EQ(read.Text(), map.Text());
  EXPECT_NE(map.Text().find(R"("parameter": "Night Mode",
      "channel": 16,
      "note": 36)"),
            std::string::npos)
      << map.Text();

  const std::pair<std::string, std::string> cases[] = {
      {R"([])", "is not {\"midi\""},
      {R"({"midi": [{"parameter": "Lite", "channel": 1, "controller": 2}]})", "binding 1: unknown parameter \"Lite\""},
      {R"({"midi": [{"parameter": "Light", "channel": 0, "controller": 2}]})", "binding 1: expected"},
      {R"({"midi": [{"parameter": "Light", "channel": 1, "controller": 2, "note": 3}]})", "binding 1: expected"},
      {R"({"midi": [{"parameter": "Light", "channel": 1, "note": 2}, {"parameter": "Light", "channel": 1, "controller": 128}]})",
       "binding 2: expected"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_FALSE(read.LoadText(text, "bad.json", error)) << text;
    EXPECT_NE(error.find("MIDI map bad.json"), std::string::npos) << error;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }
  EXPECT_EQ(read.Bindings().size(), 2u) << "a bad map leaves the bindings as they were";
  EXPECT_FALSE(read.Load(dir / "missing.json", error));
}

}  // namespace
