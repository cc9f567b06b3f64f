#include "tools/frei0r/module_state.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "tools/frei0r/frei0r_api.h"
#include "tools/hostkit/params/seed.h"
#include "tools/hostkit/platform/shared_library.h"
#include "tools/hostkit/plugin/plugin_search.h"

namespace swirlfrei0r {
namespace {

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

ModuleParameter Describe(const hostkit::ParameterInfo& info) {
  ModuleParameter parameter;
  parameter.name = info.name;
  parameter.info = &info;
  if (info.IsOption()) {
    parameter.kind = ModuleParameter::Kind::Option;
    parameter.explanation = "one of " + info.ElementList() + ", or its number";
  } else if (info.IsBoolean()) {
    parameter.kind = ModuleParameter::Kind::Boolean;
    parameter.explanation = "on or off";
  } else {
    parameter.kind = ModuleParameter::Kind::Number;
    // The plugin's own range, which 0..1 spans; values outside 0..1 pass unchanged.
    parameter.explanation = "0..1 maps to " + Number(info.minimum) + ".." + Number(info.maximum) + "; default " +
                            Number(info.defaultValue);
  }
  return parameter;
}

}  // namespace

int ModuleParameter::Frei0rType() const {
  switch (kind) {
    case Kind::Number:
      return F0R_PARAM_DOUBLE;
    case Kind::Boolean:
      return F0R_PARAM_BOOL;
    default:
      return F0R_PARAM_STRING;
  }
}

ModuleState& ModuleState::Get() {
  // Never destroyed: instances and the GL thread may still use it while the process exits.
  static ModuleState* state = new ModuleState();
  return *state;
}

ModuleState::ModuleState() {
  // libavfilter in the process means the host is ffmpeg (or another libavfilter user, which
  // sends time the same way).
  hostSendsMilliseconds = hostkit::ProcessExports("avfilter_version");
  std::string path;
  if (hostkit::FindPlugin("", hostkit::PluginSeeker::Module, path, loadError)) {
    library = hostkit::PluginLibrary::Load(path, loadError);
    if (library && !hostkit::ParameterModel::Query(*library, model, loadError)) library.reset();
  }
  if (library) {
    std::vector<hostkit::ParameterInfo> fixed = model.Parameters();
    const hostkit::ParameterInfo* seed = hostkit::FindSeed(model);
    const hostkit::ParameterElement* fixedSeed = seed ? seed->FindElement(hostkit::kFixedSeed) : nullptr;
    const bool seedFixed = fixedSeed != nullptr;
    const uint32_t seedIndex = seedFixed ? seed->index : 0;
    if (seedFixed) fixed[seedIndex].defaultValue = fixedSeed->value;
    model = hostkit::ParameterModel::FromParameters(std::move(fixed));
    for (const auto& info : model.Parameters()) {
      if (info.host) continue;
      parameters.push_back(Describe(info));
      parameters.back().alwaysSent = seedFixed && info.index == seedIndex;
    }
    modeRule = hostkit::ModeRule(model);
  }
  ModuleParameter rate;
  rate.kind = ModuleParameter::Kind::FrameRate;
  rate.name = "Frame Rate";
  rate.explanation =
      "frames per second of the host's timeline, such as 30 or 30000/1001, or auto: found from the steps between "
      "the host's first frame times";
  parameters.push_back(rate);
  ModuleParameter unit;
  unit.kind = ModuleParameter::Kind::TimeUnit;
  unit.name = "Time Unit";
  unit.explanation = "unit of the host's time: auto (milliseconds in ffmpeg, else seconds), s or ms";
  parameters.push_back(unit);
  // The compositing values come last, so that a positional string written before they
  // existed keeps its meaning.
  for (const auto& info : model.Parameters()) {
    if (info.host) parameters.push_back(Describe(info));
  }
}

void Report(const std::string& text) {
  // Never destroyed, like the module state: instances may report while the process exits.
  static std::mutex* lock = new std::mutex();
  static std::set<std::string>* said = new std::set<std::string>();
  constexpr size_t kRemembered = 100;  // beyond this many distinct lines, repeats are printed
  std::lock_guard<std::mutex> guard(*lock);
  if (said->count(text)) return;
  if (said->size() < kRemembered) said->insert(text);
  std::fprintf(stderr, "swirlmoss (frei0r): %s\n", text.c_str());
}

}  // namespace swirlfrei0r
