#include "tools/hostkit/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>

namespace hostkit {
namespace {

std::string EglErrorText(const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
  return text;
}

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const std::string all = std::string(" ") + list + " ";
  return all.find(std::string(" ") + name + " ") != std::string::npos;
}

}  // namespace

std::unique_ptr<EglContext> EglContext::Create(std::string& error) {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    error = "no EGL display: the EGL library offers no surfaceless platform (is Mesa's EGL installed?)";
    return nullptr;
  }
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) {
    error = "no EGL display: eglGetPlatformDisplayEXT is missing";
    return nullptr;
  }
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) {
    error = "no EGL display: " + EglErrorText("eglGetPlatformDisplayEXT");
    return nullptr;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    error = "no EGL display: " + EglErrorText("eglInitialize");
    return nullptr;
  }
  std::unique_ptr<EglContext> result(new EglContext());
  result->display = display;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "no OpenGL on EGL: " + EglErrorText("eglBindAPI");
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
    config = nullptr;  // surfaceless contexts work without a config where EGL_KHR_no_config_context exists
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 1,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    error = "no OpenGL 4.1 core context: " + EglErrorText("eglCreateContext");
    return nullptr;
  }
  result->context = context;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    error = "no OpenGL 4.1 core context: " + EglErrorText("eglMakeCurrent");
    return nullptr;
  }
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  result->versionText = version ? version : "";
  result->rendererText = renderer ? renderer : "";
  int glMajor = 0, glMinor = 0;
  if (std::sscanf(result->versionText.c_str(), "%d.%d", &glMajor, &glMinor) != 2 ||
      glMajor * 10 + glMinor < 41) {
    error = "no OpenGL 4.1 core context: requested 4.1 core, got " +
            (result->versionText.empty() ? std::string("nothing") : result->versionText);
    return nullptr;
  }
  return result;
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
  // for the surfaceless platform, so terminating it here would pull it from under any other
  // live context; the driver stays loaded until the process ends.
}

}  // namespace hostkit
