#pragma once
// A headless OpenGL 4.1 core context: no window, no display server. It lives on an EGL device
// (a GPU, or Mesa's software rasteriser) or on Mesa's surfaceless platform, and is made
// current on the creating thread.

#include <memory>
#include <string>

namespace hostkit {

class EglContext {
 public:
  // The automatic choice: the first GPU (a device that is not Mesa's software one) through the
  // device platform, then Mesa's surfaceless platform, then the software device. Makes the
  // context current. On failure returns null and sets `error` to one line giving each
  // attempt's reason.
  static std::unique_ptr<EglContext> Create(std::string& error);
  // `device` < 0 is the automatic choice; otherwise the EGL device of that index (as
  // ListEglDevices numbers them) and no other. A missing index fails with a line saying how
  // many devices there are.
  static std::unique_ptr<EglContext> Create(int device, std::string& error);
  ~EglContext();
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  // "4.5 (Core Profile) Mesa 22.3.6" and the like, as the driver reports it.
  const std::string& VersionText() const { return versionText; }
  const std::string& RendererText() const { return rendererText; }
  const std::string& VendorText() const { return vendorText; }
  // Where the context lives: "EGL device 0 (software)", "the surfaceless platform", ...
  const std::string& SourceText() const { return sourceText; }
  // True on Mesa's software rasterisers, where GPU timer queries read near zero.
  bool IsSoftware() const;
  bool MakeCurrent();

 private:
  EglContext() = default;
  static std::unique_ptr<EglContext> CreateOnDisplay(void* display, const std::string& source, std::string& error);
  void* display = nullptr;
  void* context = nullptr;
  std::string versionText;
  std::string rendererText;
  std::string vendorText;
  std::string sourceText;
};

}  // namespace hostkit
