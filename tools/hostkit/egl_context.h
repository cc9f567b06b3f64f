#pragma once
// A headless OpenGL 4.1 core context on EGL's surfaceless platform: no window, no display
// server. Made current on the creating thread.

#include <memory>
#include <string>

namespace hostkit {

class EglContext {
 public:
  // Creates the display and context and makes the context current. On failure returns
  // null and sets `error` to a one-line reason naming the EGL error.
  static std::unique_ptr<EglContext> Create(std::string& error);
  ~EglContext();
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  // "4.5 (Core Profile) Mesa 22.3.6" and the like, as the driver reports it.
  const std::string& VersionText() const { return versionText; }
  const std::string& RendererText() const { return rendererText; }
  bool MakeCurrent();

 private:
  EglContext() = default;
  void* display = nullptr;
  void* context = nullptr;
  std::string versionText;
  std::string rendererText;
};

}  // namespace hostkit
