#include "tools/obs/module_state.h"

#include <obs-module.h>

#include "tools/hostkit/params/seed.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/hostkit/plugin/plugin_search.h"
#include "tools/obs/gl_state.h"

namespace swirlobs {
namespace {

// Leaves OBS's graphics context on every path out of a scope that entered it.
struct GraphicsScope {
  GraphicsScope() { obs_enter_graphics(); }
  ~GraphicsScope() { obs_leave_graphics(); }
  GraphicsScope(const GraphicsScope&) = delete;
  GraphicsScope& operator=(const GraphicsScope&) = delete;
};

// Empty when OBS's context can run the effect; else why not.
std::string RendererProblem() {
  if (gs_get_device_type() != GS_DEVICE_OPENGL) return "OBS renders with Direct3D or Metal, not OpenGL";
  GLint major = 0, minor = 0, profile = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  const bool core = (profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
  if (major > 4 || (major == 4 && minor >= 1)) {
    if (core) return {};
  }
  return "OBS's OpenGL context is " + std::to_string(major) + "." + std::to_string(minor) +
         (core ? " core" : " compatibility") + ", the effect needs 4.1 core";
}

}  // namespace

void LogLine(int level, const std::string& text) { blog(level, "[swirlmoss-obs] %s", text.c_str()); }

ModuleState& ModuleState::Get() {
  static ModuleState* state = new ModuleState();
  return *state;
}

bool ModuleState::Ready() {
  // The graphics thread asks at every frame; it never waits for the lock, which the first
  // caller holds while it waits for the graphics context.
  if (tried.load(std::memory_order_acquire)) return ready;
  std::lock_guard<std::mutex> guard(lock);
  if (tried.load(std::memory_order_relaxed)) return ready;
  std::string problem;
  ready = Prepare(problem);
  if (!ready) LogLine(LOG_WARNING, problem + "; the Swirlmoss filter passes its input through");
  tried.store(true, std::memory_order_release);
  return ready;
}

bool ModuleState::Prepare(std::string& problem) {
  std::string path;
  if (!hostkit::FindPlugin("", hostkit::PluginSeeker::ObsModule, path, problem)) return false;
  library = hostkit::PluginLibrary::Load(path, problem);
  if (!library || !hostkit::ParameterModel::Query(*library, model, problem)) return false;
  modeRule = hostkit::ModeRule(model);
  controls = BuildControls(model);

  GraphicsScope graphics;
  problem = RendererProblem();
  if (!problem.empty()) return false;
  {
    SavedGlState saved;
    std::unique_ptr<hostkit::InstanceDriver> scratch = hostkit::InstanceDriver::CreateOnHostTextures(*library, problem);
    if (!scratch) return false;
    views = hostkit::ReadModeViews(*scratch, model);
    scratch.reset();
  }
  const hostkit::ModeView& first = views.front();
  for (const auto& info : model.Parameters()) defaults.push_back(first.parameters[info.index].value);
  if (modeRule.Present()) defaults[modeRule.Index()] = model.Parameters()[modeRule.Index()].defaultValue;
  if (const hostkit::ParameterInfo* seed = hostkit::FindSeed(model); seed && !seed->elements.empty()) {
    seedIndex = static_cast<int>(seed->index);
    defaults[seed->index] = seed->elements.front().value;
  }
  LogLine(LOG_INFO, "plugin " + path + " loaded");
  return true;
}

}  // namespace swirlobs
