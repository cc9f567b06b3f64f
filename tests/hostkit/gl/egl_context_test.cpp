// Context selection on this machine's EGL: device choices as users write them, the device
// list, a context on the named device and on the automatic choice, and a missing index.

#include <gtest/gtest.h>

#include <algorithm>

#include "tools/hostkit/gl/egl_context.h"
#include "tools/hostkit/gl/egl_devices.h"

namespace {

TEST(DeviceChoice, AutoOrAnIndexAndNothingElse) {
  int device = 5;
  std::string error;
  for (const char* automatic : {"", "auto"}) {
    ASSERT_TRUE(hostkit::ParseDeviceChoice(automatic, device, error)) << automatic;
    EXPECT_EQ(device, -1);
  }
  ASSERT_TRUE(hostkit::ParseDeviceChoice("2", device, error));
  EXPECT_EQ(device, 2);
  for (const char* bad : {"-1", "gpu", "1.5", " 1", "99999"}) {
    EXPECT_FALSE(hostkit::ParseDeviceChoice(bad, device, error)) << bad;
    EXPECT_NE(error.find("is not a device index"), std::string::npos) << error;
  }
}

TEST(DeviceChoice, ExtensionNamesMatchWholeWordsOnly) {
  EXPECT_TRUE(hostkit::HasEglExtension("EGL_A EGL_B_x EGL_B", "EGL_B"));
  EXPECT_FALSE(hostkit::HasEglExtension("EGL_A EGL_B_x", "EGL_B"));
  EXPECT_FALSE(hostkit::HasEglExtension(nullptr, "EGL_B"));
}

// Every device gives a context that says where it came from and whether it is Mesa's
// software rasteriser; a machine with no GPU falls to the surfaceless platform.
TEST(EglContextChoice, EachDeviceAndTheAutomaticChoiceGiveContexts) {
  std::vector<hostkit::EglDeviceInfo> devices;
  std::string error;
  ASSERT_TRUE(hostkit::ListEglDevices(devices, error)) << error;
  ASSERT_FALSE(devices.empty());
  for (size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(devices[i].index, static_cast<int>(i));
    auto onDevice = hostkit::EglContext::Create(devices[i].index, error);
    ASSERT_NE(onDevice, nullptr) << error;
    EXPECT_EQ(onDevice->SourceText(), "EGL device " + std::to_string(i) + (devices[i].software ? " (software)" : ""));
    EXPECT_EQ(onDevice->IsSoftware(), devices[i].software) << onDevice->RendererText();
    EXPECT_FALSE(onDevice->VendorText().empty());
  }

  auto automatic = hostkit::EglContext::Create(error);
  ASSERT_NE(automatic, nullptr) << error;
  if (std::all_of(devices.begin(), devices.end(), [](const auto& d) { return d.software; })) {
    EXPECT_EQ(automatic->SourceText(), "the surfaceless platform");
  }
}

TEST(EglContextChoice, AMissingIndexSaysHowManyDevicesThereAre) {
  std::vector<hostkit::EglDeviceInfo> devices;
  std::string error;
  ASSERT_TRUE(hostkit::ListEglDevices(devices, error)) << error;
  const int missing = static_cast<int>(devices.size());
  EXPECT_EQ(hostkit::EglContext::Create(missing, error), nullptr);
  EXPECT_EQ(error.rfind("EGL device " + std::to_string(missing) + " does not exist: this machine has " +
                           std::to_string(devices.size()) + " EGL device",
                       0),
            0u)
      << error;
}

}  // namespace
