#include "tests/windows/wgl_context.h"

#include <GL/glew.h>
#include <GL/wglew.h>

#include <cstdio>

namespace wintest {
namespace {

constexpr const char* kWindowClass = "SwirlmossHostTestWindow";

bool RegisterWindowClass() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::string LastErrorText(const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (Windows error %lu)", what, GetLastError());
  return text;
}

}  // namespace

bool WglContext::Create(std::string& error) {
  if (!RegisterWindowClass()) {
    error = LastErrorText("RegisterClassA");
    return false;
  }
  // Never shown: the host renders into its own framebuffer object.
  window = CreateWindowExA(0, kWindowClass, "Swirlmoss host test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    error = LastErrorText("CreateWindowExA");
    return false;
  }
  deviceContext = GetDC(window);
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 32;
  format.cAlphaBits = 8;
  format.cDepthBits = 24;
  format.iLayerType = PFD_MAIN_PLANE;
  const int formatIndex = ChoosePixelFormat(deviceContext, &format);
  if (formatIndex == 0 || !SetPixelFormat(deviceContext, formatIndex, &format)) {
    error = LastErrorText("choosing an OpenGL pixel format");
    Destroy();
    return false;
  }

  // wglCreateContextAttribsARB is reached only through a current legacy context.
  HGLRC legacy = wglCreateContext(deviceContext);
  if (legacy == nullptr || !wglMakeCurrent(deviceContext, legacy)) {
    error = LastErrorText("creating a legacy WGL context");
    if (legacy != nullptr) wglDeleteContext(legacy);
    Destroy();
    return false;
  }
  auto createContextAttribs = reinterpret_cast<PFNWGLCREATECONTEXTATTRIBSARBPROC>(
      reinterpret_cast<void*>(wglGetProcAddress("wglCreateContextAttribsARB")));
  const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 4, WGL_CONTEXT_MINOR_VERSION_ARB, 1,
                            WGL_CONTEXT_PROFILE_MASK_ARB, WGL_CONTEXT_CORE_PROFILE_BIT_ARB, 0};
  if (createContextAttribs != nullptr) {
    glContext = createContextAttribs(deviceContext, nullptr, attributes);
  }
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(legacy);
  if (glContext == nullptr) {
    error = createContextAttribs == nullptr ? "wglCreateContextAttribsARB is not offered"
                                            : LastErrorText("creating an OpenGL 4.1 core context");
    Destroy();
    return false;
  }
  if (!wglMakeCurrent(deviceContext, glContext)) {
    error = LastErrorText("wglMakeCurrent");
    Destroy();
    return false;
  }

  const char* versionText = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  version = versionText ? versionText : "";
  int major = 0;
  int minor = 0;
  // The driver may hand out any newer version that is compatible with the one asked for.
  if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) != 2 || major * 10 + minor < 41) {
    error = "requested 4.1 core, got " + (version.empty() ? std::string("no version") : version);
    Destroy();
    return false;
  }
  const GLenum glewAnswer = glewInit();
  if (glewAnswer != GLEW_OK) {
    error = std::string("glewInit: ") + reinterpret_cast<const char*>(glewGetErrorString(glewAnswer));
    Destroy();
    return false;
  }
  return true;
}

void WglContext::Destroy() {
  if (glContext != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(glContext);
    glContext = nullptr;
  }
  if (deviceContext != nullptr) {
    ReleaseDC(window, deviceContext);
    deviceContext = nullptr;
  }
  if (window != nullptr) {
    DestroyWindow(window);
    window = nullptr;
  }
}

}  // namespace wintest
