// swirlmoss devices: the EGL devices this machine offers, in the order --device numbers them,
// what a context made on each reports, and what the automatic choice takes.

#include <EGL/egl.h>

#include <cstdio>
#include <vector>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/hostkit/gl/egl_devices.h"

namespace swirlcli {
namespace {

std::string OrNone(const std::string& text) { return text.empty() ? "none" : text; }

int RunDevices(const GlOptions& options) {
  if (options.verbose) {
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    std::printf("EGL client extensions: %s\n\n", client ? client : "(none)");
  }
  std::vector<hostkit::EglDeviceInfo> devices;
  std::string error;
  if (!hostkit::ListEglDevices(devices, error)) {
    std::printf("EGL devices: cannot be listed here (%s)\n", error.c_str());
  } else {
    std::printf("EGL devices: %zu (--device N picks one)\n", devices.size());
  }
  for (const auto& device : devices) {
    std::printf("\n%d  %s\n", device.index, device.software ? "software rasteriser (Mesa)" : "GPU");
    std::printf("   DRM node: %s; render node: %s\n", OrNone(device.drmNode).c_str(),
                OrNone(device.renderNode).c_str());
    std::printf("   extensions: %s\n", OrNone(device.extensions).c_str());
    std::string contextError;
    auto context = hostkit::EglContext::Create(device.index, contextError);
    if (context) {
      std::printf("   context: vendor %s; renderer %s; OpenGL %s\n", context->VendorText().c_str(),
                  context->RendererText().c_str(), context->VersionText().c_str());
    } else {
      std::printf("   context: none (%s)\n", contextError.c_str());
    }
  }
  std::string automaticError;
  auto automatic = hostkit::EglContext::Create(-1, automaticError);
  std::printf("\nAutomatic choice (--device auto): %s\n",
              automatic ? DescribeRenderer(*automatic).c_str() : ("none: " + automaticError).c_str());
  return kExitOk;
}

}  // namespace

void AddDevicesCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<GlOptions>();
  CLI::App* command =
      app.add_subcommand("devices", "List the EGL devices, the renderer each one gives, and the automatic choice");
  command->add_flag("-v,--verbose", options->verbose, "Also list the EGL library's client extensions");
  command->callback([options, &exitCode] { exitCode = RunDevices(*options); });
}

}  // namespace swirlcli
