// The frei0r module called as a host calls it, in this process: its parameters, the frame a
// time names, pictures in any order of times, orientation, and threads. The sanitizer build
// runs this; the hosts themselves are exercised in hosts_test.cpp.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "tests/reliability/alloc_counter.h"
#include "tools/frei0r/frame_clock.h"
#include "tools/frei0r/frei0r_api.h"

namespace {

using swirlfrei0r::FrameAt;
using swirlfrei0r::kUnknownFrame;
using swirlfrei0r::TimeUnit;

constexpr unsigned kW = 96;
constexpr unsigned kH = 64;
using Frame = std::vector<uint32_t>;

int IndexOf(const std::string& name) {
  f0r_plugin_info_t info{};
  f0r_get_plugin_info(&info);
  for (int i = 0; i < info.num_params; ++i) {
    f0r_param_info_t param{};
    f0r_get_param_info(&param, i);
    if (name == param.name) return i;
  }
  ADD_FAILURE() << "no parameter " << name;
  return 0;
}

void SetText(f0r_instance_t instance, const std::string& name, const char* text) {
  f0r_param_string value = const_cast<char*>(text);
  f0r_set_param_value(instance, &value, IndexOf(name));
}
void SetNumber(f0r_instance_t instance, const std::string& name, double x) {
  f0r_set_param_value(instance, &x, IndexOf(name));
}
std::string Text(f0r_instance_t instance, const std::string& name) {
  f0r_param_string value = nullptr;
  f0r_get_param_value(instance, &value, IndexOf(name));
  return value ? value : "(null)";
}
double Number(f0r_instance_t instance, const std::string& name) {
  double value = -1.0;
  f0r_get_param_value(instance, &value, IndexOf(name));
  return value;
}

// A Smoke instance with a fixed look, so that pictures of separate instances compare.
f0r_instance_t MakeSmoke() {
  f0r_instance_t instance = f0r_construct(kW, kH);
  if (instance) {
    SetText(instance, "Mode", "Smoke");
    SetNumber(instance, "Time Speed", 0.8);
  }
  return instance;
}

// Top half white, bottom half transparent black: the picture says which way is up.
Frame TopWhite() {
  Frame frame(kW * kH, 0);
  for (unsigned i = 0; i < kW * kH / 2; ++i) frame[i] = 0xFFFFFFFFu;
  return frame;
}

Frame Update(f0r_instance_t instance, double time, const Frame& input) {
  Frame output(input.size(), 0);
  f0r_update(instance, time, input.data(), output.data());
  return output;
}

// A host's own exit handler, registered before the module's and so run after it: the GL
// thread takes no more jobs by then, and nothing may wait for it.
f0r_instance_t exitingInstance = nullptr;
void HostExitHandler() {
  const Frame input = TopWhite();
  const bool passedThrough = Update(exitingInstance, 1 / 30.0, input) == input;
  f0r_destruct(exitingInstance);
  _exit(passedThrough ? 0 : 1);
}

class Frei0rModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(f0r_init(), 1); }
};

TEST_F(Frei0rModule, DescribesThePluginsParametersInOrderThenItsOwnFour) {
  f0r_plugin_info_t info{};
  f0r_get_plugin_info(&info);
  EXPECT_STREQ(info.name, "swirlmoss");
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  ASSERT_EQ(info.num_params, 26);
  // Hosts pass values by position: these places are part of the interface.
  const std::vector<std::pair<std::string, int>> expected = {
      {"Mode", F0R_PARAM_STRING},         {"Time Speed", F0R_PARAM_DOUBLE}, {"Smoke Quality", F0R_PARAM_BOOL},
      {"Light", F0R_PARAM_DOUBLE},        {"Night Mode", F0R_PARAM_BOOL},   {"Seed", F0R_PARAM_STRING},
      {"Image Mask", F0R_PARAM_BOOL},     {"Mask Threshold", F0R_PARAM_DOUBLE},
      {"Frame Rate", F0R_PARAM_STRING},   {"Time Unit", F0R_PARAM_STRING},  {"Blend", F0R_PARAM_STRING},
      {"Mix", F0R_PARAM_DOUBLE}};
  const int places[] = {0, 1, 4, 8, 13, 15, 19, 21, 22, 23, 24, 25};
  for (size_t i = 0; i < expected.size(); ++i) {
    f0r_param_info_t param{};
    f0r_get_param_info(&param, places[i]);
    EXPECT_EQ(param.name, expected[i].first);
    EXPECT_EQ(param.type, expected[i].second) << param.name;
    EXPECT_NE(param.explanation, nullptr);
  }
}

TEST_F(Frei0rModule, MapsNumbersOverTheDeclaredRangeAndTakesOptionsByNameOrValue) {
  f0r_instance_t instance = f0r_construct(kW, kH);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(Text(instance, "Mode"), "Paint");
  EXPECT_EQ(Text(instance, "Seed"), "Seed 1") << "a fixed default, not the plugin's own drawn for each process";
  EXPECT_EQ(Text(instance, "Frame Rate"), "auto");
  EXPECT_EQ(Text(instance, "Time Unit"), "auto");
  EXPECT_DOUBLE_EQ(Number(instance, "Light"), 0.1) << "Light's default 1 over its range 0..10";

  SetNumber(instance, "Light", 0.25);
  EXPECT_NEAR(Number(instance, "Light"), 0.25, 1e-7);
  SetNumber(instance, "Light", 1.5);  // outside 0..1: passed on unchanged, not clamped
  EXPECT_NEAR(Number(instance, "Light"), 1.5, 1e-7);
  SetNumber(instance, "Night Mode", 0.7);
  EXPECT_EQ(Number(instance, "Night Mode"), 1.0);

  SetText(instance, "Mode", "sMoKe");
  EXPECT_EQ(Text(instance, "Mode"), "sMoKe");
  SetText(instance, "Seed", "3");
  EXPECT_EQ(Text(instance, "Seed"), "3");

  // A value a parameter cannot take is one line and changes nothing.
  testing::internal::CaptureStderr();
  SetText(instance, "Mode", "Smok");
  SetText(instance, "Mode", "Smok");  // hosts re-send values before every frame: one line only
  SetText(instance, "Frame Rate", "fast");
  SetText(instance, "Time Unit", "hours");
  SetNumber(instance, "Shine", std::nan(""));
  SetNumber(instance, "Shine", 1e300);  // beyond a float
  SetNumber(instance, "Night Mode", std::nan(""));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 6) << err;
  EXPECT_NE(err.find("swirlmoss (frei0r): Shine cannot be 1e+300; the value is ignored"), std::string::npos) << err;
  EXPECT_NE(err.find("swirlmoss (frei0r): \"Smok\" is not an option of Mode; choose one of: Paint, Smoke"),
            std::string::npos)
      << err;
  EXPECT_EQ(Text(instance, "Mode"), "sMoKe");
  EXPECT_EQ(Text(instance, "Frame Rate"), "auto");
  EXPECT_EQ(Text(instance, "Time Unit"), "auto");
  EXPECT_NEAR(Number(instance, "Shine"), 0.5, 1e-7);
  EXPECT_EQ(Number(instance, "Night Mode"), 1.0);

  // Out-of-range indexes and null pointers are ignored.
  double ignored = 0.0;
  f0r_set_param_value(instance, &ignored, 24);
  f0r_set_param_value(instance, nullptr, 1);
  f0r_get_param_value(instance, &ignored, -1);
  f0r_destruct(instance);
  EXPECT_EQ(f0r_construct(0, kH), nullptr);
}

TEST_F(Frei0rModule, RefusesWhatNoParameterCanTakeInOneLineAndKeepsTheValue) {
  f0r_instance_t instance = f0r_construct(kW, kH);
  ASSERT_NE(instance, nullptr);
  SetNumber(instance, "Night Mode", 1.0);
  const double before[] = {Number(instance, "Light"), Number(instance, "Night Mode")};
  struct Case {
    const char* name;
    double value;
    const char* line;  // what the one line says
  };
  const Case numbers[] = {
      {"Light", 1e38, "Light cannot be 1e+38; the value is ignored"},  // a float, but 0..10 maps it beyond one
      {"Light", -1e300, "Light cannot be -1e+300"},
      {"Light", -HUGE_VAL, "Light cannot be -inf"},
      {"Smoke Quality", std::nan(""), "Smoke Quality cannot be nan (a switch: 0 for off, 1 for on)"},
      {"Night Mode", HUGE_VAL, "Night Mode cannot be inf"},
      {"Night Mode", 2.0, "Night Mode cannot be 2 (a switch"},
      {"Night Mode", -0.5, "Night Mode cannot be -0.5 (a switch"},
  };
  for (const Case& c : numbers) {
    testing::internal::CaptureStderr();
    SetNumber(instance, c.name, c.value);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind(std::string("swirlmoss (frei0r): ") + c.line, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  EXPECT_EQ(Number(instance, "Light"), before[0]);
  EXPECT_EQ(Number(instance, "Night Mode"), before[1]);

  // Every text parameter: an empty text is one line, a null one is no value at all.
  const std::pair<const char*, const char*> texts[] = {
      {"Mode", "\"\" is not an option of Mode"},
      {"Seed", "\"\" is not an option of Seed"},
      {"Frame Rate", "Frame Rate \"\" is not auto or a rate"},
      {"Time Unit", "Time Unit \"\" is not one of"}};
  for (const auto& [name, line] : texts) {
    const std::string kept = Text(instance, name);
    testing::internal::CaptureStderr();
    SetText(instance, name, "");
    SetText(instance, name, nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind(std::string("swirlmoss (frei0r): ") + line, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(Text(instance, name), kept);
  }
  f0r_destruct(instance);
}

TEST(FrameClock, NamesTheNearestFrameOfTheHostsTime) {
  EXPECT_EQ(FrameAt(0.0, TimeUnit::Auto, false, 30.0), 0);
  EXPECT_EQ(FrameAt(2.0 / 30.0, TimeUnit::Auto, false, 30.0), 2);
  EXPECT_EQ(FrameAt(66.66, TimeUnit::Auto, true, 30.0), 2) << "ffmpeg sends milliseconds";
  EXPECT_EQ(FrameAt(66.66, TimeUnit::Seconds, true, 30.0), 2000) << "the unit overrides the host";
  EXPECT_EQ(FrameAt(0.0667, TimeUnit::Milliseconds, false, 30.0), 0);
  EXPECT_EQ(FrameAt(1001.0 / 30000.0 * 7, TimeUnit::Seconds, false, 30000.0 / 1001.0), 7);
  // Nonsense names no frame: Debian's ffmpeg 5.1 sends about -9.2e20 at some widths.
  EXPECT_EQ(FrameAt(-9.2e20, TimeUnit::Auto, true, 30.0), kUnknownFrame);
  EXPECT_EQ(FrameAt(std::nan(""), TimeUnit::Auto, false, 30.0), kUnknownFrame);
  EXPECT_EQ(FrameAt(HUGE_VAL, TimeUnit::Auto, false, 30.0), kUnknownFrame);
  EXPECT_EQ(FrameAt(1e12, TimeUnit::Seconds, false, 30.0), kUnknownFrame);

  double rate = 0.0;
  std::string error;
  EXPECT_TRUE(swirlfrei0r::ParseFrameRate("30000/1001", rate, error));
  EXPECT_DOUBLE_EQ(rate, 30000.0 / 1001.0);
  EXPECT_TRUE(swirlfrei0r::ParseFrameRate("29.97", rate, error));
  EXPECT_TRUE(swirlfrei0r::ParseFrameRate("AUTO", rate, error));
  EXPECT_EQ(rate, 0.0) << "auto: from the host's times";
  for (const char* bad : {"", "0", "-30", "30/0", "1/", "thirty", "30 ", "5000", "nan"}) {
    EXPECT_FALSE(swirlfrei0r::ParseFrameRate(bad, rate, error)) << bad;
  }
}

TEST(FrameClock, FindsTheRateFromTheFirstStepsBetweenTheHostsTimes) {
  using State = swirlfrei0r::RateFinding::State;
  const double ntsc = 30000.0 / 1001.0;
  struct Case {
    const char* what;
    std::vector<double> times;  // as the host sends them
    bool milliseconds;
    State state;
    double rate;  // to use now
  };
  const Case cases[] = {
      {"one time: any rate", {0.0}, false, State::Waiting, 30.0},
      {"one step: its rate, until a second agrees", {0.0, 0.04}, false, State::Waiting, 25.0},
      {"25 fps", {0.0, 0.04, 0.08}, false, State::Found, 25.0},
      {"repeats and render threads' order", {0.0, 0.08, 0.0, 0.04, 0.12}, false, State::Found, 25.0},
      {"29.97 fps", {0.0, 1 / ntsc, 2 / ntsc}, false, State::Found, ntsc},
      {"12.5 fps", {0.0, 0.08, 0.16}, false, State::Found, 12.5},
      {"a seek first", {3.2, 0.0, 0.04, 0.08}, false, State::Found, 25.0},
      {"a seek first, then a provisional guess", {0.0, 5.0}, false, State::Waiting, 30.0},
      {"from mid-clip", {7.36, 7.4, 7.44}, false, State::Found, 25.0},
      {"milliseconds from ffmpeg", {0.0, 100.0, 200.0}, true, State::Found, 10.0},
      {"milliseconds rounded by the container", {0.0, 33.0, 67.0, 100.0}, true, State::Found, 30.0},
      {"a glitch every time: no usual rate", {0.0, 0.073, 0.146}, false, State::NoRate, 30.0},
      {"faster than 240 fps", {0.0, 0.001, 0.002}, false, State::NoRate, 30.0},
      {"nonsense only: frames are counted", {-7.2e17, -9.2e20, NAN, HUGE_VAL, -1.0}, true, State::Waiting, 30.0},
      {"scattered times: the smallest step decides", {0.0, 0.3, 1.1, 0.1, 2.6, 4.0}, false, State::Found, 10.0},
  };
  for (const Case& c : cases) {
    std::vector<double> seconds;
    for (double t : c.times) seconds.push_back(swirlfrei0r::HostSeconds(t, TimeUnit::Auto, c.milliseconds));
    const swirlfrei0r::RateFinding finding = swirlfrei0r::FindFrameRate(seconds.data(), seconds.size());
    EXPECT_EQ(finding.state, c.state) << c.what;
    EXPECT_NEAR(finding.rate, c.rate, 1e-9) << c.what;
  }

  // Shared by every instance: the call that settles the rate says so, and later times change nothing.
  swirlfrei0r::HostRate shared;
  bool decided = false;
  for (double t : {0.0, 0.04}) EXPECT_EQ(shared.Feed(t, decided).state, State::Waiting);
  EXPECT_EQ(shared.Feed(0.08, decided).rate, 25.0);
  EXPECT_TRUE(decided);
  EXPECT_EQ(shared.Feed(0.09, decided).rate, 25.0);
  EXPECT_FALSE(decided);
}

TEST_F(Frei0rModule, ATimesPictureIsTheSameInAnyOrder) {
  f0r_instance_t forward = MakeSmoke();
  f0r_instance_t jumping = MakeSmoke();
  f0r_instance_t counting = MakeSmoke();
  ASSERT_TRUE(forward && jumping && counting);
  const Frame input = TopWhite();
  std::vector<Frame> pass;
  for (int k = 0; k < 3; ++k) pass.push_back(Update(forward, k / 30.0, input));
  EXPECT_NE(pass[0], pass[1]) << "the smoke moves";
  EXPECT_NE(pass[0], input) << "the effect drew";

  // Forward over a frame, back one, and a repeat.
  EXPECT_EQ(Update(jumping, 0.0, input), pass[0]);
  EXPECT_EQ(Update(jumping, 2 / 30.0, input), pass[2]);
  EXPECT_EQ(Update(jumping, 1 / 30.0, input), pass[1]);
  EXPECT_EQ(Update(jumping, 1 / 30.0, input), pass[1]);

  // Times that name no frame count frames.
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Update(counting, std::nan(""), input), pass[k]) << k;

  // A rate given wins over the host's: at 15 fps, 2/30 s is frame 1.
  f0r_instance_t explicitRate = MakeSmoke();
  SetText(explicitRate, "Frame Rate", "15");
  EXPECT_EQ(Update(explicitRate, 2 / 30.0, input), pass[1]);
  f0r_destruct(explicitRate);

  // The same instance from other threads, and destroyed on yet another.
  Frame fromThread;
  std::thread([&] { fromThread = Update(jumping, 2 / 30.0, input); }).join();
  EXPECT_EQ(fromThread, pass[2]);
  std::thread([&] { f0r_destruct(jumping); }).join();
  f0r_destruct(forward);
  f0r_destruct(counting);
}

TEST_F(Frei0rModule, PaintDrawsTheSeedItShowsEvenWhenTheHostLeavesTheDefault) {
  const Frame input = TopWhite();
  auto paint = [&](const char* seed) {
    f0r_instance_t instance = f0r_construct(kW, kH);
    if (seed) SetText(instance, "Seed", seed);
    const Frame frame = Update(instance, 0.0, input);
    f0r_destruct(instance);
    return frame;
  };
  const Frame untouched = paint(nullptr);
  EXPECT_EQ(untouched, paint("Seed 1"));
  EXPECT_NE(untouched, paint("Seed 2")) << "the seed shows in the picture";
}

TEST_F(Frei0rModule, FramesInOrderWithValuesResentAllocateNothing) {
  f0r_instance_t instance = MakeSmoke();
  ASSERT_NE(instance, nullptr);
  const int mode = IndexOf("Mode"), speed = IndexOf("Time Speed");
  const Frame input = TopWhite();
  Frame output(input.size());
  // Like melt: every value again before every frame.
  const auto frame = [&](int k) {
    f0r_param_string smoke = const_cast<char*>("Smoke");
    double x = 0.8;
    f0r_set_param_value(instance, &smoke, mode);
    f0r_set_param_value(instance, &x, speed);
    f0r_update(instance, k / 30.0, input.data(), output.data());
  };
  for (int k = 0; k < 2; ++k) frame(k);  // the first frames make the GL objects and buffers
  const reliability::AllocCounts before = reliability::AllocSnapshot();
  for (int k = 2; k < 6; ++k) frame(k);
  frame(5);  // a repeat
  frame(8);  // a skip forward
  const reliability::AllocCounts delta = reliability::AllocDelta(before, reliability::AllocSnapshot());
  EXPECT_EQ(delta.news, 0u);
  EXPECT_EQ(delta.deletes, 0u);
  f0r_destruct(instance);
}

TEST_F(Frei0rModule, FramesRunTopRowFirstInAndOut) {
  f0r_instance_t instance = f0r_construct(kW, kH);
  ASSERT_NE(instance, nullptr);
  // With the mask, bright input keeps the effect opaque and black input cuts it away.
  SetNumber(instance, "Image Mask", 1.0);
  SetNumber(instance, "Mask Threshold", 0.5);
  Frame output = Update(instance, 0.0, TopWhite());
  const auto alpha = [&](unsigned x, unsigned y) { return output[y * kW + x] >> 24; };
  EXPECT_EQ(alpha(kW / 2, 2), 255u) << "top row first: the white half is the upper one";
  EXPECT_EQ(alpha(kW / 2, kH - 3), 0u);

  // The same time again with another picture is drawn again, not repeated.
  Frame bottomWhite = TopWhite();
  std::reverse(bottomWhite.begin(), bottomWhite.end());
  output = Update(instance, 0.0, bottomWhite);
  EXPECT_EQ(alpha(kW / 2, 2), 0u);
  EXPECT_EQ(alpha(kW / 2, kH - 3), 255u);
  f0r_destruct(instance);
}

TEST_F(Frei0rModule, NothingWaitsForAGlThreadThatIsExitingOrGone) {
  // Exiting: in a fresh process, so that the host's handler comes before the module's.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        exitingInstance = MakeSmoke();
        std::atexit(&HostExitHandler);
        Update(exitingInstance, 0.0, TopWhite());
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
  GTEST_FLAG_SET(death_test_style, "fast");

  // Gone: a child the host forks has no GL thread. Its frames pass through at once, and
  // destruction returns.
  f0r_instance_t instance = MakeSmoke();
  ASSERT_NE(instance, nullptr);
  const Frame input = TopWhite();
  ASSERT_NE(Update(instance, 0.0, input), input) << "the GL thread runs";
  EXPECT_EXIT(
      {
        const bool passedThrough = Update(instance, 1 / 30.0, input) == input;
        f0r_destruct(instance);
        _exit(passedThrough ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  f0r_destruct(instance);
}

}  // namespace
