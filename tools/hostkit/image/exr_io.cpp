#include "tools/hostkit/image/exr_io.h"

#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfRgbaFile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

namespace hostkit {
namespace {

// OpenEXR writes through a seekable stream (it comes back to fill in the line offset table);
// this one grows a byte vector.
class MemoryStream final : public Imf::OStream {
 public:
  explicit MemoryStream(std::vector<uint8_t>& bytes) : Imf::OStream("memory"), bytes(bytes) { bytes.clear(); }
  void write(const char data[], int count) override {
    const size_t end = position + static_cast<size_t>(count);
    if (end > bytes.size()) bytes.resize(end);
    std::memcpy(bytes.data() + position, data, static_cast<size_t>(count));
    position = end;
  }
  uint64_t tellp() override { return position; }
  void seekp(uint64_t to) override { position = static_cast<size_t>(to); }

 private:
  std::vector<uint8_t>& bytes;
  size_t position = 0;
};

}  // namespace

bool EncodeExr(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& upright,
               std::vector<uint8_t>& encoded, std::string& error) {
  try {
    // GL's rows run bottom to top, the file's top to bottom.
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(Imf::Rgba);
    upright.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      std::memcpy(&upright[rowBytes * static_cast<size_t>(y)], pixels + rowBytes * static_cast<size_t>(height - 1 - y),
                  rowBytes);
    }
    MemoryStream stream(encoded);
    Imf::RgbaOutputFile file(stream, Imf::Header(width, height), Imf::WRITE_RGBA);
    file.setFrameBuffer(reinterpret_cast<const Imf::Rgba*>(upright.data()), 1, static_cast<size_t>(width));
    file.writePixels(height);
    return true;
  } catch (const std::exception& e) {
    error = std::string("OpenEXR could not encode a frame: ") + e.what();
    return false;
  }
}

bool WriteExr(const std::string& path, const uint8_t* pixels, int width, int height, std::string& error) {
  std::vector<uint8_t> upright, encoded;
  if (!EncodeExr(pixels, width, height, upright, encoded, error)) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
  const int writeErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    error = "writing " + path + " failed: " + std::strerror(written ? errno : writeErrno);
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace hostkit
