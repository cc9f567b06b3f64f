// Device choices as --device and SWIRLMOSS_DEVICE take them: auto or an index. A choice that
// reads is -1 or an index, and an index written back reads the same.

#include <string>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/gl/egl_devices.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = fuzzcheck::Text(data, size);
  int device = -2;
  std::string error;
  const bool ok = hostkit::ParseDeviceChoice(input, device, error);
  fuzzcheck::CheckRefusal(ok, error, input, "ParseDeviceChoice");
  if (!ok) return 0;
  fuzzcheck::Check(device >= -1, "a device below -1: " + input);
  if (device >= 0) {
    int again = -2;
    fuzzcheck::Check(hostkit::ParseDeviceChoice(std::to_string(device), again, error) && again == device,
                     "device " + input + " does not read back");
  }
  return 0;
}
