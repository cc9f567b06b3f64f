// The frei0r entry points. Each checks what the host hands it and forwards to the module
// state or the instance; nothing thrown crosses into the host, which is C.

#include <string>

#include "tools/frei0r/filter_instance.h"
#include "tools/frei0r/frei0r_api.h"
#include "tools/frei0r/module_state.h"
#include "tools/frei0r/step_trace.h"

using swirlfrei0r::FilterInstance;
using swirlfrei0r::ModuleState;

namespace {

// Larger frames are refused at construction: no GL renders them, and a pitch of width x 4
// must fit comfortably in the host's arithmetic.
constexpr unsigned kLargestSide = 16384;

bool ValidIndex(int index) {
  return index >= 0 && static_cast<size_t>(index) < ModuleState::Get().Parameters().size();
}

}  // namespace

// Loads the plugin, which makes no GL call. Answers 1 even without the plugin: its absence is
// reported when the host constructs an instance, which fails.
extern "C" int f0r_init() {
  swirlfrei0r::Trace("f0r_init");
  try {
    ModuleState::Get();
  } catch (...) {
  }
  swirlfrei0r::Trace("f0r_init: done");
  return 1;
}

// Keeps everything: ffmpeg calls this once per filter and may init again, and the plugin
// cannot be unloaded while the GL thread holds its objects.
extern "C" void f0r_deinit() { swirlfrei0r::Trace("f0r_deinit"); }

extern "C" void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (!info) return;
  try {
    info->name = "swirlmoss";
    info->author = "Swirlmoss project";
    info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 1;
    info->minor_version = 0;
    info->num_params = static_cast<int>(ModuleState::Get().Parameters().size());
    info->explanation = "Animated paint or smoke over the picture, drawn by the Swirlmoss plugin on the GPU";
  } catch (...) {
    info->num_params = 0;
  }
}

extern "C" void f0r_get_param_info(f0r_param_info_t* info, int index) {
  if (!info) return;
  try {
    if (!ValidIndex(index)) return;
    const auto& parameter = ModuleState::Get().Parameters()[static_cast<size_t>(index)];
    info->name = parameter.name.c_str();
    info->type = parameter.Frei0rType();
    info->explanation = parameter.explanation.c_str();
  } catch (...) {
  }
}

// Makes no GL call: hosts construct instances they never run. Answers null, with one line on
// standard error, when the plugin is missing or the size is 0 or too large.
extern "C" f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    const ModuleState& state = ModuleState::Get();
    if (!state.Loaded()) {
      swirlfrei0r::Report(state.LoadError() + "; no instance made");
      return nullptr;
    }
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
      swirlfrei0r::Report("frame size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is not supported: each side must be 1 to " + std::to_string(kLargestSide));
      return nullptr;
    }
    if (state.HostSendsMilliseconds() && width % 16 != 0) {
      // Debian's ffmpeg 5.1 shears such frames and sends nonsense times with them.
      const std::string w = std::to_string(width);
      swirlfrei0r::Report("ffmpeg mishandles frames " + w +
                          " pixels wide (not a multiple of 16): pad before the filter and crop after it, "
                          "-vf \"pad=ceil(iw/16)*16:ih,frei0r=...,crop=" + w + ":ih:0:0\"");
    }
    FilterInstance* instance = new FilterInstance(state, width, height);
    swirlfrei0r::Trace("f0r_construct %ux%u: instance %p", width, height, static_cast<void*>(instance));
    return instance;
  } catch (...) {
    return nullptr;
  }
}

extern "C" void f0r_destruct(f0r_instance_t instance) {
  swirlfrei0r::Trace("f0r_destruct %p", instance);
  try {
    delete static_cast<FilterInstance*>(instance);
  } catch (...) {
  }
  swirlfrei0r::Trace("f0r_destruct %p: done", instance);
}

extern "C" void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance || !param || !ValidIndex(index)) return;
  try {
    static_cast<FilterInstance*>(instance)->SetParameter(index, param);
  } catch (...) {
  }
}

extern "C" void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance || !param || !ValidIndex(index)) return;
  try {
    static_cast<FilterInstance*>(instance)->GetParameter(index, param);
  } catch (...) {
  }
}

extern "C" void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe) {
  if (!instance || !inframe || !outframe) return;
  swirlfrei0r::Trace("f0r_update %p at %.6g", instance, time);
  try {
    static_cast<FilterInstance*>(instance)->Update(time, inframe, outframe);
  } catch (...) {
  }
  swirlfrei0r::Trace("f0r_update %p: done", instance);
}
