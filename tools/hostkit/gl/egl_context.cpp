#include "tools/hostkit/gl/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "tools/hostkit/gl/egl_devices.h"

namespace hostkit {
namespace {

std::string EglErrorText(const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
  return text;
}

PFNEGLGETPLATFORMDISPLAYEXTPROC PlatformDisplayEntry() {
  return reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
}

// Mesa's surfaceless platform: no device named, the driver picks (llvmpipe where Mesa has no
// GPU of its own).
EGLDisplay SurfacelessDisplay(std::string& error) {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasEglExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    error = "no EGL display: the EGL library offers no surfaceless platform (is Mesa's EGL installed?)";
    return EGL_NO_DISPLAY;
  }
  auto getPlatformDisplay = PlatformDisplayEntry();
  if (!getPlatformDisplay) {
    error = "no EGL display: eglGetPlatformDisplayEXT is missing";
    return EGL_NO_DISPLAY;
  }
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) error = "no EGL display: " + EglErrorText("eglGetPlatformDisplayEXT");
  return display;
}

EGLDisplay DeviceDisplay(const EglDeviceInfo& device, const std::string& source, std::string& error) {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay = PlatformDisplayEntry();
  if (!HasEglExtension(clientExtensions, "EGL_EXT_platform_device") || !getPlatformDisplay) {
    error = "no EGL display on " + source + ": the EGL library offers no device platform";
    return EGL_NO_DISPLAY;
  }
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device.handle, nullptr);
  if (display == EGL_NO_DISPLAY) error = "no EGL display on " + source + ": " + EglErrorText("eglGetPlatformDisplayEXT");
  return display;
}

std::string DeviceSource(const EglDeviceInfo& device) {
  return "EGL device " + std::to_string(device.index) + (device.software ? " (software)" : "");
}

std::string CountText(size_t count) {
  if (count == 0) return "this machine has no EGL devices";
  return "this machine has " + std::to_string(count) + " EGL device" + (count == 1 ? "" : "s") + " (0" +
         (count == 1 ? std::string() : " to " + std::to_string(count - 1)) + ")";
}

}  // namespace

std::unique_ptr<EglContext> EglContext::Create(std::string& error) { return Create(-1, error); }

std::unique_ptr<EglContext> EglContext::Create(int device, std::string& error) {
  std::vector<EglDeviceInfo> devices;
  std::string listError;
  const bool listed = ListEglDevices(devices, listError);
  if (device >= 0) {
    if (!listed) {
      error = "cannot use EGL device " + std::to_string(device) + ": " + listError;
      return nullptr;
    }
    if (static_cast<size_t>(device) >= devices.size()) {
      error = "EGL device " + std::to_string(device) + " does not exist: " + CountText(devices.size());
      return nullptr;
    }
    const EglDeviceInfo& chosen = devices[static_cast<size_t>(device)];
    const std::string source = DeviceSource(chosen);
    EGLDisplay display = DeviceDisplay(chosen, source, error);
    return display == EGL_NO_DISPLAY ? nullptr : CreateOnDisplay(display, source, error);
  }

  // Automatic: a GPU first, because Mesa's surfaceless platform may sit beside a vendor
  // driver and render on the CPU; then the surfaceless platform; the software device last.
  std::string reasons;
  auto attempt = [&](EGLDisplay display, const std::string& source, std::string attemptError) {
    std::unique_ptr<EglContext> made;
    if (display != EGL_NO_DISPLAY) made = CreateOnDisplay(display, source, attemptError);
    if (!made) reasons += (reasons.empty() ? "" : "; ") + attemptError;
    return made;
  };
  for (const EglDeviceInfo& candidate : devices) {
    if (candidate.software) continue;
    std::string attemptError;
    const std::string source = DeviceSource(candidate);
    EGLDisplay display = DeviceDisplay(candidate, source, attemptError);
    if (auto made = attempt(display, source, attemptError)) return made;
  }
  {
    std::string attemptError;
    EGLDisplay display = SurfacelessDisplay(attemptError);
    if (auto made = attempt(display, "the surfaceless platform", attemptError)) return made;
  }
  for (const EglDeviceInfo& candidate : devices) {
    if (!candidate.software) continue;
    std::string attemptError;
    const std::string source = DeviceSource(candidate);
    EGLDisplay display = DeviceDisplay(candidate, source, attemptError);
    if (auto made = attempt(display, source, attemptError)) return made;
  }
  error = reasons;
  return nullptr;
}

std::unique_ptr<EglContext> EglContext::CreateOnDisplay(void* eglDisplay, const std::string& source,
                                                        std::string& error) {
  EGLDisplay display = static_cast<EGLDisplay>(eglDisplay);
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    error = "no EGL display on " + source + ": " + EglErrorText("eglInitialize");
    return nullptr;
  }
  std::unique_ptr<EglContext> result(new EglContext());
  result->display = display;
  result->sourceText = source;
  const std::string noContext = "no OpenGL 4.1 core context on " + source + ": ";
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = noContext + EglErrorText("eglBindAPI");
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
    config = nullptr;  // contexts without surfaces work without a config where EGL_KHR_no_config_context exists
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 1,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    error = noContext + EglErrorText("eglCreateContext");
    return nullptr;
  }
  result->context = context;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    error = noContext + EglErrorText("eglMakeCurrent");
    return nullptr;
  }
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
  result->versionText = version ? version : "";
  result->rendererText = renderer ? renderer : "";
  result->vendorText = vendor ? vendor : "";
  int glMajor = 0, glMinor = 0;
  if (std::sscanf(result->versionText.c_str(), "%d.%d", &glMajor, &glMinor) != 2 ||
      glMajor * 10 + glMinor < 41) {
    error = noContext + "requested 4.1 core, got " +
            (result->versionText.empty() ? std::string("nothing") : result->versionText);
    return nullptr;
  }
  return result;
}

bool EglContext::IsSoftware() const {
  return rendererText.find("llvmpipe") != std::string::npos || rendererText.find("softpipe") != std::string::npos;
}

bool EglContext::MakeCurrent() {
  return eglMakeCurrent(static_cast<EGLDisplay>(display), EGL_NO_SURFACE, EGL_NO_SURFACE,
                        static_cast<EGLContext>(context)) == EGL_TRUE;
}

EglContext::~EglContext() {
  if (!display) return;
  eglMakeCurrent(static_cast<EGLDisplay>(display), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context) eglDestroyContext(static_cast<EGLDisplay>(display), static_cast<EGLContext>(context));
  // The display is not terminated: EGL hands every caller in the process the same display
  // for a platform and device, so terminating it here would pull it from under any other
  // live context; the driver stays loaded until the process ends.
}

}  // namespace hostkit
