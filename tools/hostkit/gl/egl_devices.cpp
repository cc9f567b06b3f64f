#include "tools/hostkit/gl/egl_devices.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

namespace hostkit {
namespace {

std::string DeviceString(PFNEGLQUERYDEVICESTRINGEXTPROC query, EGLDeviceEXT device, EGLint name) {
  const char* text = query(device, name);
  eglGetError();  // an attribute the device lacks sets EGL_BAD_PARAMETER; that is an answer, not a fault
  return text ? text : "";
}

}  // namespace

bool HasEglExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
    const bool starts = at == list || at[-1] == ' ';
    const bool ends = at[length] == '\0' || at[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

bool ListEglDevices(std::vector<EglDeviceInfo>& devices, std::string& error) {
  devices.clear();
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
  if (!HasEglExtension(clientExtensions, "EGL_EXT_device_enumeration") || !queryDevices || !queryString) {
    error = "the EGL library cannot list devices (no EGL_EXT_device_enumeration)";
    return false;
  }
  EGLint count = 0;
  if (!queryDevices(0, nullptr, &count) || count < 0) {
    error = "eglQueryDevicesEXT failed (EGL error " + std::to_string(eglGetError()) + ")";
    return false;
  }
  std::vector<EGLDeviceEXT> handles(static_cast<size_t>(count));
  if (count > 0 && !queryDevices(count, handles.data(), &count)) {
    error = "eglQueryDevicesEXT failed (EGL error " + std::to_string(eglGetError()) + ")";
    return false;
  }
  handles.resize(static_cast<size_t>(count));
  for (size_t i = 0; i < handles.size(); ++i) {
    EglDeviceInfo info;
    info.index = static_cast<int>(i);
    info.handle = handles[i];
    info.extensions = DeviceString(queryString, handles[i], EGL_EXTENSIONS);
    if (HasEglExtension(info.extensions.c_str(), "EGL_EXT_device_drm")) {
      info.drmNode = DeviceString(queryString, handles[i], EGL_DRM_DEVICE_FILE_EXT);
    }
    if (HasEglExtension(info.extensions.c_str(), "EGL_EXT_device_drm_render_node")) {
      info.renderNode = DeviceString(queryString, handles[i], EGL_DRM_RENDER_NODE_FILE_EXT);
    }
    info.software = HasEglExtension(info.extensions.c_str(), "EGL_MESA_device_software");
    devices.push_back(std::move(info));
  }
  return true;
}

bool ParseDeviceChoice(const std::string& text, int& device, std::string& error) {
  if (text.empty() || text == "auto") {
    device = -1;
    return true;
  }
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) {
    error = "device \"" + text + "\" is not a device index (0, 1, ...) or auto";
    return false;
  }
  device = std::stoi(text);
  return true;
}

}  // namespace hostkit
