#include "tools/hostkit/image/png_io.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>

namespace hostkit {
namespace {

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bytes->insert(bytes->end(), data, data + length);
}

void NoFlush(png_structp) {}

// `attach` points libpng's output somewhere; the rest is shared by files and memory.
template <typename Attach>
bool WritePngVia(Attach&& attach, const uint8_t* pixels, int width, int height, std::vector<const uint8_t*>& rows,
                 std::string& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (!png) {
    error = "cannot start the PNG encoder";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  rows.resize(static_cast<size_t>(height));
  const size_t stride = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = pixels + stride * static_cast<size_t>(height - 1 - y);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (error.empty()) error = "PNG encoding failed";
    return false;
  }
  attach(png);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);  // cheaper than full matching; still packs flat and cut-out areas
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, Image& image, std::string& error) {
  FILE* stream = std::fopen(path.c_str(), "rb");
  if (!stream) {
    error = "input picture not found or unreadable: " + path;
    return false;
  }
  png_image header{};
  header.version = PNG_IMAGE_VERSION;
  bool ok = png_image_begin_read_from_stdio(&header, stream) != 0;
  if (ok) {
    header.format = PNG_FORMAT_RGBA;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.rgba.assign(PNG_IMAGE_SIZE(header), 0);
    // A negative row stride stores the rows bottom to top, as GL wants them.
    const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(header));
    ok = png_image_finish_read(&header, nullptr, image.rgba.data(), stride, nullptr) != 0;
  }
  std::fclose(stream);
  if (!ok) {
    error = "input picture is not a readable PNG: " + path + " (" + header.message + ")";
    png_image_free(&header);
    image = Image{};
    return false;
  }
  return true;
}

bool WritePng(FILE* stream, const uint8_t* pixels, int width, int height, std::vector<const uint8_t*>& rows,
              std::string& error) {
  return WritePngVia([stream](png_structp png) { png_init_io(png, stream); }, pixels, width, height, rows, error);
}

bool EncodePng(const uint8_t* pixels, int width, int height, std::vector<const uint8_t*>& rows,
               std::vector<uint8_t>& encoded, std::string& error) {
  encoded.clear();
  auto attach = [&encoded](png_structp png) { png_set_write_fn(png, &encoded, AppendToVector, NoFlush); };
  return WritePngVia(attach, pixels, width, height, rows, error);
}

}  // namespace hostkit
