// Properties of the picture that hold whatever the noise field looks like: the mask, the
// mode and mask switches at exactly 0.5, a black night Paint without shine, a still
// picture at a still clock, inert uniforms, the beams of night Smoke and its dark bottom.

#include <cmath>

#include "tests/render/plugin_host.h"

namespace testrender {
namespace {

using testgl::Rgba;

bool SamePicture(const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].r != b[i].r || a[i].g != b[i].g || a[i].b != b[i].b || a[i].a != b[i].a) return false;
  }
  return true;
}

class LooksTest : public RenderTest {
 protected:
  const Rgba& At(const std::vector<Rgba>& pixels, int x, int y) { return pixels[static_cast<size_t>(y) * kWidth + x]; }

  // Switches to the given mode with a frame that has no input (the bank swap happens at
  // a frame), then stops the clock and fixes the seed, so later settings stick.
  void EnterMode(HostInstance& host, float mode, float seed) {
    host.Set(PARAM_MODE, mode);
    EXPECT_EQ(host.FrameWithoutInput(), FF_FAIL);
    host.Set(PARAM_TIME_SPEED, 0.0f);
    host.Set(PARAM_SEED, seed);
  }

  // The mask value the stage forms from an opaque grey input pixel of column x.
  static float MaskValueOfColumn(int x, float maskPower) {
    const float grey = static_cast<float>(GreyOfColumn(x)) / 255.0f;
    const float brightness = grey * 0.299f + grey * 0.587f + grey * 0.114f;
    return std::pow(brightness, maskPower * 4.0f + 0.1f);
  }
};

TEST_F(LooksTest, MaskDropsPixelsBelowTheThresholdAndGivesTheOthersTheirMaskValueAsAlpha) {
  HostInstance host;
  EnterMode(host, 0.0f, 2.0f);
  const float maskPower = 0.225f;  // exponent 1: the mask value is the brightness
  host.Set(PARAM_IMAGE_MASK, 1.0f);
  host.Set(PARAM_MASK_POWER, maskPower);
  host.Set(PARAM_MASK_THRESHOLD, 0.5f);
  const Rgba sentinel{0.25f, -2.0f, 0.75f, 0.125f};
  const auto pixels = Render(host, sentinel);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgba& p = At(pixels, x, y);
      const bool transparent = y < kTransparentRows;
      const float mask = transparent ? 0.0f : MaskValueOfColumn(x, maskPower);
      if (mask < 0.5f - 1e-3f) {
        ASSERT_EQ(p.g, sentinel.g) << "pixel " << x << "," << y << " should keep what the target held";
        ASSERT_EQ(p.a, sentinel.a);
      } else if (mask > 0.5f + 1e-3f) {
        ASSERT_NE(p.g, sentinel.g) << "pixel " << x << "," << y << " should be drawn";
        ASSERT_NEAR(p.a, mask, 2e-3f) << "pixel " << x << "," << y;
      }
    }
  }

  // A mask value exactly at the threshold is drawn; one step above it is dropped.
  const int column = 70;
  host.Set(PARAM_MASK_THRESHOLD, 0.0f);
  const float exact = At(Render(host, sentinel), column, kHeight / 2).a;
  host.Set(PARAM_MASK_THRESHOLD, exact);
  EXPECT_EQ(At(Render(host, sentinel), column, kHeight / 2).a, exact);
  host.Set(PARAM_MASK_THRESHOLD, std::nextafter(exact, 1.0f));
  EXPECT_EQ(At(Render(host, sentinel), column, kHeight / 2).a, sentinel.a);
}

TEST_F(LooksTest, ImageMaskAtOneHalfIsOffAndAlphaIsOne) {
  HostInstance host;
  EnterMode(host, 0.0f, 2.0f);
  host.Set(PARAM_IMAGE_MASK, 0.5f);
  host.Set(PARAM_MASK_THRESHOLD, 1.0f);  // would drop nearly everything if the mask were on
  const Rgba sentinel{0.25f, -2.0f, 0.75f, 0.125f};
  for (const Rgba& p : Render(host, sentinel)) ASSERT_EQ(p.a, 1.0f);
}

TEST_F(LooksTest, ModeAtOneHalfIsSmokeWhoseBottomRowIsDark) {
  HostInstance host;
  EnterMode(host, 0.5f, 4.0f);
  host.Set(PARAM_PAINT_R, 1.0f);
  host.Set(PARAM_PAINT_G, 1.0f);
  host.Set(PARAM_PAINT_B, 1.0f);
  host.Set(PARAM_LIGHT, 1.0f);
  const auto atHalf = Render(host);
  // Density fades to nothing at the bottom edge: at most (Light + 0.25) x height there.
  for (int x = 0; x < kWidth; ++x) {
    const Rgba& p = At(atHalf, x, 0);
    ASSERT_LT(std::fabs(p.r) + std::fabs(p.g) + std::fabs(p.b), 3e-3f) << "column " << x;
  }
  host.Set(PARAM_MODE, 1.0f);
  EXPECT_TRUE(SamePicture(Render(host), atHalf)) << "Mode 0.5 and 1.0 are the same look";

  // Day Paint keeps at least a quarter of its colour everywhere, the bottom included.
  EnterMode(host, 0.0f, 4.0f);
  host.Set(PARAM_PAINT_R, 1.0f);
  host.Set(PARAM_NIGHT_MODE, 0.0f);
  const auto paint = Render(host);
  for (int x = 0; x < kWidth; ++x) ASSERT_GE(At(paint, x, 0).r, 0.25f) << "column " << x;
}

TEST_F(LooksTest, NightPaintWithoutShineIsBlack) {
  HostInstance host;
  EnterMode(host, 0.0f, 7.0f);
  host.Set(PARAM_NIGHT_MODE, 1.0f);
  host.Set(PARAM_SHINE, 0.0f);
  host.Set(PARAM_LIGHT, 10.0f);
  for (const Rgba& p : Render(host)) {
    ASSERT_EQ(p.r, 0.0f);
    ASSERT_EQ(p.g, 0.0f);
    ASSERT_EQ(p.b, 0.0f);
    ASSERT_EQ(p.a, 1.0f);
  }
}

TEST_F(LooksTest, StillClockGivesIdenticalFramesAndFanOrResolutionChangeNothing) {
  for (float mode : {0.0f, 1.0f}) {
    HostInstance host;
    EnterMode(host, mode, 8.0f);
    host.Set(PARAM_FAN, 0.0f);
    const auto first = Render(host);
    EXPECT_TRUE(SamePicture(Render(host), first)) << "mode " << mode;
    host.Set(PARAM_FAN, 1.0f);
    target->Clear({0.0f, 0.0f, 0.0f, 0.0f});
    ASSERT_EQ(host.Frame(input, 8192, 8192), FF_SUCCESS);
    EXPECT_TRUE(SamePicture(target->Read(), first)) << "mode " << mode;
  }
}

TEST_F(LooksTest, NightSmokeOutsideEveryBeamHoldsOnlyTheDarkSmokeColour) {
  const float seed = 3.0f;  // four beams
  HostInstance host;
  EnterMode(host, 1.0f, seed);
  host.Set(PARAM_NIGHT_MODE, 1.0f);
  const auto pixels = Render(host);

  const int beams = 2 + static_cast<int>(std::fmod(seed * 4.0f, 5.0f));
  ASSERT_EQ(beams, 4);
  int darkPixels = 0;
  float brightest = 0.0f;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / kWidth - 0.5f;
      const float v = (static_cast<float>(y) + 0.5f) / kHeight - 0.5f;
      const float length = std::sqrt(u * u + v * v);
      float alignment = -1.0f;
      for (int i = 0; i < beams; ++i) {
        const float angle = static_cast<float>(i) / static_cast<float>(beams) * 6.28318530718f + seed * 1.5f;
        alignment = std::fmax(alignment, (u * std::cos(angle) + v * std::sin(angle)) / length);
      }
      const Rgba& p = At(pixels, x, y);
      brightest = std::fmax(brightest, p.r);
      if (alignment > 0.87f) continue;  // inside a cone, or too close to its edge to call
      ++darkPixels;
      ASSERT_GE(p.r, 0.0f);
      ASSERT_LE(p.r, 0.01f) << x << "," << y;
      ASSERT_EQ(p.g, p.r) << x << "," << y;
      ASSERT_NEAR(p.b, p.r * 1.2f, 1e-6f) << x << "," << y;
    }
  }
  EXPECT_GT(darkPixels, kWidth * kHeight / 3);
  EXPECT_GT(brightest, 0.2f) << "the beams themselves are lit";
}

}  // namespace
}  // namespace testrender
