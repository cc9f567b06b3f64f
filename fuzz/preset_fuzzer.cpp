// Presets: the input is a preset file's text. What reads back is a list of NAME=VALUE settings
// that --set parses without complaint, one per parameter named.

#include <string>
#include <vector>

#include "fuzz/fuzz_contract.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const hostkit::ParameterModel model = fuzzcheck::EveryKindModel();
  const std::string input = fuzzcheck::Text(data, size);
  std::vector<std::string> settings;
  std::string error;
  const bool ok = hostkit::ReadPresetText(input, "look.json", model, settings, error);
  // JSON spells a line break "\n" inside a name or value.
  fuzzcheck::CheckRefusal(ok, error, input.find('\\') == std::string::npos ? input : input + "\n", "ReadPresetText");
  if (!ok) {
    fuzzcheck::Check(error.rfind("preset look.json: ", 0) == 0, "a preset error that does not name the file: " + error);
    fuzzcheck::Check(error.find("--set") == std::string::npos || input.find("--set") != std::string::npos,
                     "a preset error told as if from --set: " + error);
    return 0;
  }
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;
  fuzzcheck::Check(hostkit::ParameterPlan::Parse(settings, model, plan, warnings, error),
                   "a preset read back into settings that do not parse: " + error);
  return 0;
}
