#pragma once
// An OpenGL 4.1 core context on an X display through GLX, the way a desktop host on Linux
// makes one: glXCreateContextAttribsARB, current on a small unmapped window (pictures are
// drawn into framebuffer objects, never into the window). Tests run it under Xvfb.

#include <memory>
#include <string>

namespace reliability {

class GlxContext {
 public:
  // Opens the display named by DISPLAY, creates the context and makes it current. On
  // failure null, with a one-line reason in `error`; nothing is left open.
  static std::unique_ptr<GlxContext> Create(std::string& error);
  // Releases the context from the thread if current, then destroys it and closes the display.
  ~GlxContext();
  GlxContext(const GlxContext&) = delete;
  GlxContext& operator=(const GlxContext&) = delete;

  bool MakeCurrent();
  // Leaves the thread without a current GLX context, so that another API can make its own
  // current (the GL dispatch allows one current context per thread).
  void ReleaseCurrent();
  const std::string& VersionText() const { return versionText; }

 private:
  GlxContext() = default;
  void* display = nullptr;    // Display*
  void* context = nullptr;    // GLXContext
  unsigned long colormap = 0;  // Colormap
  unsigned long window = 0;    // Window
  unsigned long drawable = 0;  // GLXWindow
  std::string versionText;
};

}  // namespace reliability
