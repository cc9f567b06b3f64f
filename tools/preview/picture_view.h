#pragma once
// Draws the effect's output into a rectangle of the window: scaled to fit with its aspect
// kept, filtered linearly, over a grey checkerboard where it is transparent.

#include <string>

#include "tools/hostkit/gl/gl_api.h"

namespace preview {

// A rectangle in framebuffer pixels, measured from the window's upper-left corner.
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// The largest rectangle of the picture's aspect that fits `area`, centred across it and at its
// top, level with the panel's first rows (a small picture in a window kept tall enough for
// the panel). A picture that fits exactly is drawn at one texel per pixel.
PixelRect FitPicture(const PixelRect& area, int pictureWidth, int pictureHeight);

class PictureView {
 public:
  PictureView() = default;
  ~PictureView() = default;  // GL names are freed by Release, with the context current
  PictureView(const PictureView&) = delete;
  PictureView& operator=(const PictureView&) = delete;

  // GL context current. False with a one-line `error` when the program does not build.
  bool Create(std::string& error);
  // GL context current. Draws `texture` (rows bottom to top, as GL keeps them) upright into
  // `rect` of the default framebuffer, whose height is `framebufferHeight`.
  void Draw(GLuint texture, const PixelRect& rect, int framebufferHeight) const;
  // GL context current. Deletes the GL objects; may be repeated.
  void Release();

 private:
  GLuint program = 0;
  GLuint vertexArray = 0;
  GLuint sampler = 0;
};

}  // namespace preview
