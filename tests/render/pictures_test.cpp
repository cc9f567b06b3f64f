// Writes both looks, by day and by night, with and without the image mask, as upright PNG
// files for people to look at (into $SWIRLMOSS_PICTURE_DIR, else ./pictures).

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/render/plugin_host.h"

namespace testrender {
namespace {

using testgl::Rgba;

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 192;

uint8_t ToByte(float value) {
  if (!(value > 0.0f)) return 0;  // NaN too
  return static_cast<uint8_t>(std::lround(std::min(value, 1.0f) * 255.0f));
}

// Writes 8-bit RGBA, clamped, top row first (GL reads bottom row first). Cheap filter and
// low zlib level: encoding should not cost as much as rendering.
bool WritePng(const std::string& path, int width, int height, const std::vector<Rgba>& pixels) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgba& p = pixels[static_cast<size_t>(y) * width + x];
      uint8_t* out = &row[static_cast<size_t>(x) * 4];
      out[0] = ToByte(p.r);
      out[1] = ToByte(p.g);
      out[2] = ToByte(p.b);
      out[3] = ToByte(p.a);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The test input as a picture: a bright soft disc on a dark ramp, opaque.
class PicturesTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    std::vector<uint8_t> rgba(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const float u = (x + 0.5f) / kWidth - 0.5f, v = (y + 0.5f) / kHeight - 0.5f;
        const float disc = std::clamp(1.4f - 4.0f * std::sqrt(u * u + v * v), 0.0f, 1.0f);
        const float value = std::max(disc, 0.25f * (x + 0.5f) / kWidth);
        uint8_t* texel = &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
        texel[0] = texel[1] = texel[2] = static_cast<uint8_t>(value * 255.0f);
        texel[3] = 255;
      }
    }
    glDeleteTextures(1, &input);
    input = testgl::MakeInputTexture(kWidth, kHeight, rgba);
  }
};

TEST_F(PicturesTest, WritesBothLooksByDayAndNightWithAndWithoutMask) {
  const char* dir = std::getenv("SWIRLMOSS_PICTURE_DIR");
  const std::filesystem::path outDir = dir && *dir ? dir : "pictures";
  std::filesystem::create_directories(outDir);
  testgl::FloatTarget picture(kPictureWidth, kPictureHeight);

  for (const char* look : {"paint", "smoke"}) {
    for (bool night : {false, true}) {
      for (bool mask : {false, true}) {
        HostInstance host;
        host.Set(PARAM_MODE, look[0] == 's' ? 1.0f : 0.0f);
        ASSERT_EQ(host.FrameWithoutInput(), FF_FAIL);  // the bank swap happens at a frame
        host.Set(PARAM_SEED, 3.0f);
        host.Set(PARAM_NIGHT_MODE, night ? 1.0f : 0.0f);
        host.Set(PARAM_IMAGE_MASK, mask ? 1.0f : 0.0f);
        for (int i = 0; i < 20; ++i) host.FrameWithoutInput();  // let the clock move a little

        picture.Clear({0.0f, 0.0f, 0.0f, 0.0f});
        ASSERT_EQ(host.Frame(input, kWidth, kHeight), FF_SUCCESS);
        const auto pixels = picture.Read();
        const std::string name =
            std::string(look) + (night ? "_night" : "_day") + (mask ? "_mask" : "") + ".png";
        EXPECT_TRUE(WritePng((outDir / name).string(), kPictureWidth, kPictureHeight, pixels))
            << "cannot write " << (outDir / name).string();
      }
    }
  }
  std::printf("pictures written to %s\n", std::filesystem::absolute(outDir).string().c_str());
}

}  // namespace
}  // namespace testrender
