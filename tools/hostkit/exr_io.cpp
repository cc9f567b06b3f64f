#include "tools/hostkit/exr_io.h"

#include <ImfRgbaFile.h>

#include <cstring>
#include <exception>
#include <vector>

namespace hostkit {

bool WriteExr(const std::string& path, const uint8_t* pixels, int width, int height, std::string& error) {
  try {
    // GL's rows run bottom to top, the file's top to bottom.
    const size_t rowLength = static_cast<size_t>(width);
    std::vector<Imf::Rgba> upright(rowLength * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      std::memcpy(&upright[rowLength * static_cast<size_t>(y)],
                  pixels + rowLength * sizeof(Imf::Rgba) * static_cast<size_t>(height - 1 - y),
                  rowLength * sizeof(Imf::Rgba));
    }
    Imf::RgbaOutputFile file(path.c_str(), width, height, Imf::WRITE_RGBA);
    file.setFrameBuffer(upright.data(), 1, rowLength);
    file.writePixels(height);
    return true;
  } catch (const std::exception& e) {
    error = std::string("OpenEXR could not write ") + path + ": " + e.what();
    return false;
  }
}

}  // namespace hostkit
