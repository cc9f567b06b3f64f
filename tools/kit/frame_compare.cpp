// swirlmoss-compare A1.png B1.png [A2.png B2.png ...]: the greatest difference in each channel
// between each pair of pictures of one size, over all pairs, and how many pixels differ at all.
// Two GL drivers may round the last bit of a channel differently, so a GPU's render and
// llvmpipe's are compared by how far apart they are, not for equality.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/hostkit/image/png_io.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: swirlmoss-compare A1.png B1.png [A2.png B2.png ...]\n");
    return 2;
  }
  int greatest[4] = {0, 0, 0, 0};
  long differing = 0, pixels = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    hostkit::Image a, b;
    std::string error;
    if (!hostkit::ReadPng(argv[i], a, error) || !hostkit::ReadPng(argv[i + 1], b, error)) {
      std::fprintf(stderr, "swirlmoss-compare: %s\n", error.c_str());
      return 1;
    }
    if (a.width != b.width || a.height != b.height) {
      std::fprintf(stderr, "swirlmoss-compare: %s is %dx%d, %s is %dx%d\n", argv[i], a.width, a.height, argv[i + 1],
                   b.width, b.height);
      return 1;
    }
    for (size_t p = 0; p < a.rgba.size(); p += 4) {
      bool any = false;
      for (int c = 0; c < 4; ++c) {
        const int d = std::abs(static_cast<int>(a.rgba[p + c]) - static_cast<int>(b.rgba[p + c]));
        greatest[c] = std::max(greatest[c], d);
        any = any || d != 0;
      }
      differing += any;
      ++pixels;
    }
  }
  std::printf("greatest difference R %d G %d B %d A %d; %ld of %ld pixels differ\n", greatest[0], greatest[1],
              greatest[2], greatest[3], differing, pixels);
  return 0;
}
