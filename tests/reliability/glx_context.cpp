#include "tests/reliability/glx_context.h"

#include <GL/glx.h>
#include <GL/glxext.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace reliability {
namespace {

// glXCreateContextAttribsARB reports a refused version as an X error; the default handler
// would end the process. This one records the error code instead.
int lastXError = 0;
int RecordXError(Display*, XErrorEvent* event) {
  lastXError = event->error_code;
  return 0;
}

}  // namespace

std::unique_ptr<GlxContext> GlxContext::Create(std::string& error) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    error = "no X display: XOpenDisplay failed (DISPLAY unset or the server is not running)";
    return nullptr;
  }
  std::unique_ptr<GlxContext> result(new GlxContext());
  result->display = dpy;

  int glxMajor = 0, glxMinor = 0;
  if (!glXQueryVersion(dpy, &glxMajor, &glxMinor) || glxMajor * 10 + glxMinor < 13) {
    error = "no GLX 1.3 on the display";
    return nullptr;
  }
  const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                                  GLX_X_RENDERABLE,  True,           GLX_RED_SIZE,    8,
                                  GLX_GREEN_SIZE,    8,              GLX_BLUE_SIZE,   8,
                                  None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), configAttributes, &count);
  if (!configs || count < 1) {
    if (configs) XFree(configs);
    error = "no GLX framebuffer configuration for an RGB8 window";
    return nullptr;
  }
  const GLXFBConfig config = configs[0];
  XFree(configs);

  auto createContext = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
  if (!createContext) {
    error = "no GLX_ARB_create_context: glXCreateContextAttribsARB is missing";
    return nullptr;
  }
  const int contextAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 4, GLX_CONTEXT_MINOR_VERSION_ARB, 1,
                                   GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB, None};
  lastXError = 0;
  XSync(dpy, False);
  int (*previousHandler)(Display*, XErrorEvent*) = XSetErrorHandler(RecordXError);
  GLXContext ctx = createContext(dpy, config, nullptr, True, contextAttributes);
  XSync(dpy, False);
  XSetErrorHandler(previousHandler);
  if (!ctx) {
    char text[120];
    std::snprintf(text, sizeof text, "no OpenGL 4.1 core context: glXCreateContextAttribsARB failed (X error %d)",
                  lastXError);
    error = text;
    return nullptr;
  }
  result->context = ctx;

  // The window is never mapped: it only gives the context a drawable of its own visual.
  XVisualInfo* visual = glXGetVisualFromFBConfig(dpy, config);
  if (!visual) {
    error = "no X visual for the GLX configuration";
    return nullptr;
  }
  const Window root = RootWindow(dpy, visual->screen);
  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(dpy, root, visual->visual, AllocNone);
  result->colormap = attributes.colormap;
  result->window = XCreateWindow(dpy, root, 0, 0, 16, 16, 0, visual->depth, InputOutput, visual->visual,
                                 CWColormap | CWBorderPixel, &attributes);
  XFree(visual);
  result->drawable = glXCreateWindow(dpy, config, result->window, nullptr);
  if (!result->window || !result->drawable) {
    error = "no GLX window: glXCreateWindow failed";
    return nullptr;
  }
  if (!result->MakeCurrent()) {
    error = "no OpenGL 4.1 core context: glXMakeContextCurrent failed";
    return nullptr;
  }
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  result->versionText = version ? version : "";
  int glMajor = 0, glMinor = 0;
  if (std::sscanf(result->versionText.c_str(), "%d.%d", &glMajor, &glMinor) != 2 || glMajor * 10 + glMinor < 41) {
    error = "requested 4.1 core, got " + result->versionText;
    return nullptr;
  }
  return result;
}

GlxContext::~GlxContext() {
  auto* dpy = static_cast<Display*>(display);
  if (!dpy) return;
  if (context && glXGetCurrentContext() == static_cast<GLXContext>(context)) ReleaseCurrent();
  if (context) glXDestroyContext(dpy, static_cast<GLXContext>(context));
  if (drawable) glXDestroyWindow(dpy, drawable);
  if (window) XDestroyWindow(dpy, window);
  if (colormap) XFreeColormap(dpy, colormap);
  XCloseDisplay(dpy);
}

bool GlxContext::MakeCurrent() {
  return glXMakeContextCurrent(static_cast<Display*>(display), drawable, drawable, static_cast<GLXContext>(context));
}

void GlxContext::ReleaseCurrent() { glXMakeContextCurrent(static_cast<Display*>(display), None, None, nullptr); }

}  // namespace reliability
