#pragma once
// Fitting a picture into a frame of another size: scaled to fit with its aspect kept,
// centred, the rest transparent black. For stills read without ffmpeg (PNG); everything
// ffmpeg decodes is fitted by its scale filter instead.

#include "tools/hostkit/image/pixel_format.h"

namespace hostkit {

// The size `width` x `height` of a picture scaled to fit inside `frameWidth` x `frameHeight`
// with its aspect kept (each side at least 1).
void FittedSize(int width, int height, int frameWidth, int frameHeight, int& fittedWidth, int& fittedHeight);

// `source` fitted into a new frameWidth x frameHeight picture. Rows bottom to top in both.
Image FitPicture(const Image& source, int frameWidth, int frameHeight);

}  // namespace hostkit
