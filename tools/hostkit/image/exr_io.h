#pragma once
// OpenEXR output: half-float RGBA that keeps values above 1.

#include <cstdint>
#include <string>
#include <vector>

namespace hostkit {

// Encodes width x height half-float RGBA pixels (rows bottom to top, 8 bytes a pixel) as the
// bytes of an upright OpenEXR file into `encoded`. `upright` is scratch space for the flipped
// rows; both keep their capacity between calls. False with a one-line `error` on failure.
bool EncodeExr(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& upright,
               std::vector<uint8_t>& encoded, std::string& error);

// The same written to a file at `path`.
bool WriteExr(const std::string& path, const uint8_t* pixels, int width, int height, std::string& error);

}  // namespace hostkit
