#include "tools/preview/preview_window.h"

#include <imgui.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include <algorithm>
#include <cstdlib>

#include "tools/hostkit/gl/gl_api.h"
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace preview {
namespace {

// GLFW reports failures through a callback; the last description is what the user reads.
std::string lastGlfwError;

void OnGlfwError(int, const char* description) { lastGlfwError = description ? description : "unknown error"; }

const char* const kUseRender = "; `swirlmoss render` renders without a display";

// GLFW 3.4 (Debian 13) also speaks Wayland, and tries it first: without a compositor, libwayland
// prints its own line about XDG_RUNTIME_DIR before GLFW goes on to X11. The preview takes X11
// (XWayland in a Wayland session, GLX as on GLFW 3.3) wherever there is one, and Wayland only
// where a compositor is named and no X display is.
void ChoosePlatform() {
#ifdef GLFW_PLATFORM
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool onlyWayland = (!x11 || !*x11) && wayland && *wayland;
  if (!onlyWayland && glfwPlatformSupported(GLFW_PLATFORM_X11)) glfwInitHint(GLFW_PLATFORM, GLFW_PLATFORM_X11);
#endif
}

}  // namespace

std::unique_ptr<PreviewWindow> PreviewWindow::Open(const std::string& title, int width, int height,
                                                   std::string& error) {
  glfwSetErrorCallback(OnGlfwError);
  ChoosePlatform();
  if (!glfwInit()) {
    error = "no display to open the preview window on (" + lastGlfwError + ")" + kUseRender;
    return nullptr;
  }
  std::unique_ptr<PreviewWindow> self(new PreviewWindow());
  height = std::max(height, kPanelHeight);
  int minimumWidth = std::min(width, kMinimumWidth), minimumHeight = kMinimumHeight;
  int areaWidth = 0, areaHeight = 0;
  if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
    int x = 0, y = 0;
    glfwGetMonitorWorkarea(monitor, &x, &y, &areaWidth, &areaHeight);
    if (areaWidth > 0 && areaHeight > 0) {
      width = std::min(width, areaWidth);
      height = std::min(height, areaHeight);
      minimumWidth = std::min(minimumWidth, width);
      minimumHeight = std::min(kMinimumHeight, height);
    }
  }
  glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
  glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
  lastGlfwError.clear();
  self->window = glfwCreateWindow(width, height, title.c_str(), nullptr, nullptr);
  if (!self->window) {
    glfwTerminate();
    error = "the display offers no OpenGL 4.1 core context (" + lastGlfwError + ")" + kUseRender;
    return nullptr;
  }
  // The window manager's frame counts against the work area too: a window as high as the screen
  // would have its bottom, the panel's status area, cut off.
  int left = 0, top = 0, right = 0, bottom = 0;
  glfwGetWindowFrameSize(self->window, &left, &top, &right, &bottom);
  if (areaWidth > 0 && areaHeight > 0 && (width + left + right > areaWidth || height + top + bottom > areaHeight)) {
    width = std::max(1, std::min(width, areaWidth - left - right));
    height = std::max(1, std::min(height, areaHeight - top - bottom));
    glfwSetWindowSize(self->window, width, height);
    minimumWidth = std::min(minimumWidth, width);
    minimumHeight = std::min(minimumHeight, height);
  }
  glfwSetWindowSizeLimits(self->window, minimumWidth, minimumHeight, GLFW_DONT_CARE, GLFW_DONT_CARE);
  glfwMakeContextCurrent(self->window);
  glfwSwapInterval(0);  // the preview paces itself; a vertical sync would only add waiting
  const auto text = [](GLenum name) {
    const GLubyte* value = glGetString(name);
    return std::string(value ? reinterpret_cast<const char*>(value) : "");
  };
  self->renderer = text(GL_RENDERER);
  self->version = text(GL_VERSION);

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;  // no imgui.ini left in the user's folder
  ImGui::StyleColorsDark();
  self->imguiWindow = ImGui_ImplGlfw_InitForOpenGL(self->window, true);
  self->imguiGl = self->imguiWindow && ImGui_ImplOpenGL3_Init("#version 410 core");
  if (!self->imguiGl) {
    error = "the user interface could not start on this GL (" + self->version + ")" + kUseRender;
    return nullptr;
  }
  return self;
}

PreviewWindow::~PreviewWindow() {
  if (imguiGl) ImGui_ImplOpenGL3_Shutdown();
  if (imguiWindow) ImGui_ImplGlfw_Shutdown();
  if (ImGui::GetCurrentContext()) ImGui::DestroyContext();
  if (window) glfwDestroyWindow(window);
  glfwTerminate();
}

bool PreviewWindow::CloseRequested() const { return glfwWindowShouldClose(window); }

void PreviewWindow::WaitEvents(double seconds) {
  if (seconds > 0.0) {
    glfwWaitEventsTimeout(seconds);
  } else {
    glfwPollEvents();
  }
}

void PreviewWindow::BeginUiFrame() {
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplGlfw_NewFrame();
  ImGui::NewFrame();
}

void PreviewWindow::DrawUi() {
  ImGui::Render();
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

void PreviewWindow::Swap() { glfwSwapBuffers(window); }

void PreviewWindow::FramebufferSize(int& width, int& height) const { glfwGetFramebufferSize(window, &width, &height); }

void PreviewWindow::ToggleFullScreen() {
  if (GLFWmonitor* current = glfwGetWindowMonitor(window)) {
    (void)current;
    glfwSetWindowMonitor(window, nullptr, windowedX, windowedY, windowedWidth, windowedHeight, GLFW_DONT_CARE);
    return;
  }
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  if (!monitor) return;
  const GLFWvidmode* mode = glfwGetVideoMode(monitor);
  if (!mode) return;
  glfwGetWindowPos(window, &windowedX, &windowedY);
  glfwGetWindowSize(window, &windowedWidth, &windowedHeight);
  glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

void PreviewWindow::SetClipboard(const std::string& text) { glfwSetClipboardString(window, text.c_str()); }

bool PreviewWindow::SoftwareRenderer() const {
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "SwiftShader"}) {
    if (renderer.find(name) != std::string::npos) return true;
  }
  return false;
}

}  // namespace preview
