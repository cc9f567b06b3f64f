#include "tests/obs/obs_session.h"

#include <X11/Xlib.h>
#include <obs-nix-platform.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace obstest {
namespace {

// Ends the process at once: exit handlers would shut down an OBS that never finished starting,
// which crashes in libobs.
[[noreturn]] void Fail(const std::string& step) {
  std::fprintf(stderr, "obs session: %s\n", step.c_str());
  std::fflush(stderr);
  std::_Exit(1);
}

void OpenModule(const std::string& binary, const std::string& data) {
  obs_module_t* module = nullptr;
  const int opened = obs_open_module(&module, binary.c_str(), data.c_str());
  if (opened != MODULE_SUCCESS) Fail("cannot open " + binary + " (code " + std::to_string(opened) + ")");
  if (!obs_init_module(module)) Fail("cannot initialise " + binary);
}

int ResetVideo(int width, int height) {
  obs_video_info video{};
  // The renderer by its soname, which libobs0 installs on every release (the file behind it is
  // named for OBS's version: libobs-opengl.so.29, .30).
  video.graphics_module = "libobs-opengl.so.1";
  video.fps_num = 30;
  video.fps_den = 1;
  video.base_width = video.output_width = static_cast<uint32_t>(width);
  video.base_height = video.output_height = static_cast<uint32_t>(height);
  video.output_format = VIDEO_FORMAT_BGRA;
  video.adapter = 0;
  video.gpu_conversion = true;
  video.colorspace = VIDEO_CS_SRGB;
  video.range = VIDEO_RANGE_FULL;
  video.scale_type = OBS_SCALE_BICUBIC;
  return obs_reset_video(&video);
}

}  // namespace

bool Frame::Blank() const {
  for (uint8_t byte : bgra) {
    if (byte) return false;
  }
  return true;
}

ObsSession& ObsSession::Start(int width, int height) {
  static ObsSession* session = nullptr;
  if (session) {
    if (session->width != width || session->height != height) session->Resize(width, height);
    return *session;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) Fail("no X display (run under tests/support/with_xvfb.sh)");
  session = new ObsSession();
  base_set_log_handler(Logged, session);
  obs_set_nix_platform(OBS_NIX_PLATFORM_X11_EGL);
  obs_set_nix_platform_display(display);
  if (!obs_startup("en-US", nullptr, nullptr)) Fail("obs_startup failed");
  // OBS's graphics and video threads run until obs_shutdown joins them; a process that left
  // without it would unload libraries under a graphics thread still copying a frame.
  std::atexit([] {
    obs_remove_raw_video_callback(Captured, session);
    obs_set_output_source(0, nullptr);
    obs_shutdown();
  });
  session->width = width;
  session->height = height;
  if (ResetVideo(width, height) != OBS_VIDEO_SUCCESS) Fail("obs_reset_video failed");
  OpenModule(OBS_MODULE_DIR "/image-source.so", OBS_DATA_DIR "/image-source");
  OpenModule(SWIRLMOSS_OBS_MODULE, SWIRLMOSS_OBS_DATA);
  obs_post_load_modules();
  obs_add_raw_video_callback(nullptr, Captured, session);
  return *session;
}

void ObsSession::Resize(int newWidth, int newHeight) {
  obs_remove_raw_video_callback(Captured, this);
  if (ResetVideo(newWidth, newHeight) != OBS_VIDEO_SUCCESS) Fail("obs_reset_video to a new size failed");
  width = newWidth;
  height = newHeight;
  obs_add_raw_video_callback(nullptr, Captured, this);
}

void ObsSession::Captured(void* self, video_data* frame) {
  auto* session = static_cast<ObsSession*>(self);
  std::lock_guard<std::mutex> guard(session->lock);
  if (!session->recording) return;
  Frame copy;
  copy.width = session->width;
  copy.height = session->height;
  const size_t row = static_cast<size_t>(copy.width) * 4;
  copy.bgra.resize(row * static_cast<size_t>(copy.height));
  for (int y = 0; y < copy.height; ++y) {
    std::memcpy(&copy.bgra[row * static_cast<size_t>(y)], frame->data[0] + static_cast<size_t>(frame->linesize[0]) * y, row);
  }
  session->frames.push_back(std::move(copy));
}

void ObsSession::Logged(int level, const char* format, va_list args, void* self) {
  char line[4096];
  std::vsnprintf(line, sizeof line, format, args);
  std::printf("%s: %s\n", level <= LOG_WARNING ? "warning" : "info", line);
  auto* session = static_cast<ObsSession*>(self);
  std::lock_guard<std::mutex> guard(session->logLock);
  if (level <= LOG_WARNING) session->warnings.push_back(line);
  if (std::strncmp(line, "[swirlmoss-obs]", 15) == 0) session->moduleLog.push_back(line);
}

std::vector<std::string> ObsSession::Warnings() {
  std::lock_guard<std::mutex> guard(logLock);
  return warnings;
}

std::vector<std::string> ObsSession::ModuleLog() {
  std::lock_guard<std::mutex> guard(logLock);
  return moduleLog;
}

void ObsSession::Record(bool on) {
  std::lock_guard<std::mutex> guard(lock);
  recording = on;
  if (on) frames.clear();
}

std::vector<Frame> ObsSession::Take() {
  std::lock_guard<std::mutex> guard(lock);
  std::vector<Frame> taken;
  taken.swap(frames);
  return taken;
}

std::vector<Frame> ObsSession::Distinct(size_t count, double seconds) {
  std::vector<Frame> distinct;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (distinct.size() < count && std::chrono::steady_clock::now() < end) {
    for (Frame& frame : Take()) {
      if (frame.Blank() || (!distinct.empty() && distinct.back() == frame)) continue;
      if (distinct.size() < count) distinct.push_back(std::move(frame));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return distinct;
}

OutputScene::OutputScene(obs_source_t* source) : scene(obs_scene_create_private("test scene")) {
  item = obs_scene_add(scene, source);
  obs_set_output_source(0, obs_scene_get_source(scene));
}

OutputScene::~OutputScene() {
  obs_set_output_source(0, nullptr);
  obs_scene_release(scene);
}

obs_data_t* Settings(const std::string& json) { return obs_data_create_from_json(json.c_str()); }

}  // namespace obstest
