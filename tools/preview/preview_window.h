#pragma once
// The preview's window: a GLFW window with an OpenGL 4.1 core context, current on the thread
// that made it, and Dear ImGui set up on it. One per process.

#include <memory>
#include <string>

struct GLFWwindow;

namespace preview {

// The least height the window opens with and can be resized to: the panel's buttons, presets,
// a few controls (the rest scroll) and its status area.
constexpr int kMinimumHeight = 480;
// The least width it can be resized to, unless it opened narrower.
constexpr int kMinimumWidth = 480;
// The height it opens with where the screen has it, for a picture less high: the room the
// panel needs to show its header, the looks and presets, every control of a mode and its status
// area without scrolling.
constexpr int kPanelHeight = 760;

class PreviewWindow {
 public:
  // Opens a window of width x height screen pixels, at least kPanelHeight high, shrunk with its
  // frame to fit the screen's work area (yet never below kMinimumHeight where the screen has
  // that), and makes its context current. Null with a one-line `error` when there is no display,
  // the display has no GLX, or its GL falls short of 4.1 core.
  static std::unique_ptr<PreviewWindow> Open(const std::string& title, int width, int height, std::string& error);
  // Shuts ImGui down and destroys the window; the context must be current.
  ~PreviewWindow();
  PreviewWindow(const PreviewWindow&) = delete;
  PreviewWindow& operator=(const PreviewWindow&) = delete;

  GLFWwindow* Handle() const { return window; }
  bool CloseRequested() const;
  // Waits for input events at most `seconds` (0: only takes what is queued).
  void WaitEvents(double seconds);
  // Starts an ImGui frame; DrawUi draws it into the back buffer and Swap shows that.
  void BeginUiFrame();
  void DrawUi();
  void Swap();
  // The framebuffer's size in pixels.
  void FramebufferSize(int& width, int& height) const;
  void ToggleFullScreen();
  // The clipboard, for commands a person copies.
  void SetClipboard(const std::string& text);

  const std::string& RendererText() const { return renderer; }
  const std::string& VersionText() const { return version; }
  // A software rasteriser (llvmpipe and the like), where full-size frames are too slow to play.
  bool SoftwareRenderer() const;

 private:
  PreviewWindow() = default;
  GLFWwindow* window = nullptr;
  bool imguiWindow = false;
  bool imguiGl = false;
  std::string renderer;
  std::string version;
  int windowedX = 0, windowedY = 0, windowedWidth = 0, windowedHeight = 0;
};

}  // namespace preview
