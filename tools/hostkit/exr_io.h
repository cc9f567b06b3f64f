#pragma once
// OpenEXR output: half-float RGBA that keeps values above 1.

#include <cstdint>
#include <string>

namespace hostkit {

// Writes width x height half-float RGBA pixels (rows bottom to top, 8 bytes a pixel) as an
// upright OpenEXR file at `path`. False with a one-line `error` on failure.
bool WriteExr(const std::string& path, const uint8_t* pixels, int width, int height, std::string& error);

}  // namespace hostkit
