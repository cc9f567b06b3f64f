#pragma once
// The host side's OpenGL context on Windows: a hidden window with an OpenGL 4.1 (or newer)
// core-profile context made current through wglCreateContextAttribsARB, with the host's
// own GL entry points loaded.

#include <windows.h>

#include <string>

namespace wintest {

class WglContext {
 public:
  WglContext() = default;
  WglContext(const WglContext&) = delete;
  WglContext& operator=(const WglContext&) = delete;
  ~WglContext() { Destroy(); }

  // No context current on this thread. Answers false with a one-line reason in error, having
  // released whatever it made; on success the context is current and GLEW answered GLEW_OK.
  bool Create(std::string& error);
  // Releases the context and the window; harmless to repeat.
  void Destroy();
  // The GL_VERSION text of the context obtained.
  const std::string& Version() const { return version; }

 private:
  HWND window = nullptr;
  HDC deviceContext = nullptr;
  HGLRC glContext = nullptr;
  std::string version;
};

}  // namespace wintest
