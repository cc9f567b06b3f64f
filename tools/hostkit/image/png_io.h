#pragma once
// PNG reading (any PNG, converted to RGBA8) and fast PNG writing.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/hostkit/image/pixel_format.h"

namespace hostkit {

// Reads the PNG at `path` into `image` (rows bottom to top). False with a one-line `error`
// for a missing, unreadable or corrupt file.
bool ReadPng(const std::string& path, Image& image, std::string& error);

// Writes width x height RGBA8 pixels whose rows run bottom to top as an upright PNG to
// `stream`. Chosen for speed: one cheap row filter and a low zlib level, since the encoder
// shares the CPU with a software rasteriser. `rows` is scratch space the caller may reuse
// between calls so the writer allocates nothing per frame. False with `error` on failure.
bool WritePng(FILE* stream, const uint8_t* pixels, int width, int height, std::vector<const uint8_t*>& rows,
              std::string& error);
// The same into memory: `encoded` is replaced by the file's bytes (its capacity is kept, so a
// reused vector stops allocating once it has held the largest frame).
bool EncodePng(const uint8_t* pixels, int width, int height, std::vector<const uint8_t*>& rows,
               std::vector<uint8_t>& encoded, std::string& error);

}  // namespace hostkit
