#pragma once
// The EGL devices of this machine, in the order eglQueryDevicesEXT gives them: the indices
// that --device and SWIRLMOSS_DEVICE name. Mesa lists its software rasteriser as a device
// too; GPUs come with their DRM nodes (headless NVIDIA devices have none).

#include <string>
#include <vector>

namespace hostkit {

struct EglDeviceInfo {
  int index = 0;
  void* handle = nullptr;  // the EGLDeviceEXT, valid for the life of the process
  std::string extensions;  // the device's own extension list
  std::string drmNode;     // "/dev/dri/card0" and the like; empty when the device has none
  std::string renderNode;  // "/dev/dri/renderD128" and the like; empty when the device has none
  bool software = false;   // Mesa's CPU rasteriser rather than a GPU
};

// Lists the devices. False with a one-line `error` when the EGL library cannot enumerate
// devices at all (no EGL_EXT_device_enumeration); an empty list is not an error.
bool ListEglDevices(std::vector<EglDeviceInfo>& devices, std::string& error);

// Reads a device choice as users write it: "" or "auto" for the automatic choice (-1), else a
// device index ("0", "1", ...). False with a one-line `error` for anything else. Whether the
// index exists is checked when the context is made.
bool ParseDeviceChoice(const std::string& text, int& device, std::string& error);

// True when the space-separated extension `list` holds `name`.
bool HasEglExtension(const char* list, const char* name);

}  // namespace hostkit
