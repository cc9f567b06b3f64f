// Preview ui scripts: the input is a script file's text. Steps come back in frame order, each
// with constant changes, "Mode" first, a switch off or on.

#include <string>
#include <vector>

#include "fuzz/fuzz_contract.h"
#include "tools/preview/ui_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const hostkit::ParameterModel model = fuzzcheck::EveryKindModel();
  const std::string input = fuzzcheck::Text(data, size);
  std::vector<preview::ScriptStep> steps;
  std::string error;
  const bool ok = preview::ReadUiScriptText(input, "steps.json", model, steps, error);
  fuzzcheck::CheckRefusal(ok, error, input.find('\\') == std::string::npos ? input : input + "\n", "ReadUiScriptText");
  if (!ok) {
    fuzzcheck::Check(error.rfind("ui script steps.json", 0) == 0, "a ui script error that does not name the file: " + error);
    fuzzcheck::Check(error.find("--set") == std::string::npos || input.find("--set") != std::string::npos,
                     "a ui script error told as if from --set: " + error);
    return 0;
  }
  for (size_t i = 0; i < steps.size(); ++i) {
    fuzzcheck::Check(steps[i].frame >= 0 && (i == 0 || steps[i - 1].frame <= steps[i].frame), "steps out of order");
    for (size_t c = 0; c < steps[i].changes.size(); ++c) {
      fuzzcheck::Check(steps[i].changes[c].index < model.Parameters().size(), "a change of no parameter");
      fuzzcheck::Check(c == 0 || steps[i].changes[c].index != 0, "Mode is not the first change");
      const float value = steps[i].changes[c].value;
      fuzzcheck::Check(!model.Parameters()[steps[i].changes[c].index].IsBoolean() || value == 0.0f || value == 1.0f,
                       "a switch half on");
    }
  }
  return 0;
}
