// One filter on one source. At each OBS video frame in which the filter is drawn, the parent
// is drawn into a texture of ours, the plugin draws from that texture's GL name into a
// framebuffer of ours attached to a second texture, and OBS draws that texture into its own
// target with its default effect: the picture never leaves the GPU. The effect's clock steps
// once per video frame drawn, however often OBS draws the filter in that frame (preview and
// program, projectors), and not at all while the source is hidden, so showing it again goes
// on from where it stopped. Before each step the plugin is sent the beat of the source's sound
// (source_sound.h).

#include "tools/obs/swirl_filter.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/plugin/instance_driver.h"
#include "tools/obs/gl_state.h"
#include "tools/obs/module_state.h"
#include "tools/obs/source_sound.h"

namespace swirlobs {
namespace {

// GL_EXT_texture_sRGB_decode, which Mesa and every desktop driver have.
constexpr GLenum kTextureSrgbDecode = 0x8A48;
constexpr GLenum kSkipDecode = 0x8A4A;

// OBS keeps textures with their top row first in memory, GL's own order upside down; the
// plugin, like every GL host, takes its input with the bottom row first and draws the same way.
// So the parent is drawn into our texture upside down and the plugin's picture drawn back
// flipped (the frames then equal the `swirlmoss` program's, which the tests check).

const char* Text(const char* key) { return obs_module_text(key); }

class Filter {
 public:
  explicit Filter(obs_source_t* source) : source(source) {}
  ~Filter();
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;

  void Update(obs_data_t* settings);
  void Render();
  void Restart() { restartWanted = true; }
  void RemovedFrom(obs_source_t* parent) { sound.Forget(parent); }
  obs_source_t* Source() const { return source; }

 private:
  bool Refused(uint32_t width, uint32_t height);
  void Refuse(uint32_t width, uint32_t height, const std::string& why);
  bool RenderParent(uint32_t width, uint32_t height);
  bool PrepareTargets(uint32_t width, uint32_t height);
  bool StepEffect(uint32_t width, uint32_t height);
  void DrawOutput(uint32_t width, uint32_t height);
  void ApplyValues();
  void ReleaseGraphics();

  obs_source_t* source;
  gs_texrender_t* input = nullptr;
  gs_texture_t* output = nullptr;
  uint32_t outputWidth = 0, outputHeight = 0;
  std::unique_ptr<hostkit::InstanceDriver> driver;
  bool broken = false;          // the instance could not be made: pass through
  uint64_t steppedAt = 0;       // the video frame time of the last step
  bool outputValid = false;
  // A source size our textures cannot be made at: said once, not tried again (OBS would log
  // its own warnings on every frame) until the source changes size.
  uint32_t refusedWidth = 0, refusedHeight = 0;
  GLint largestTexture = 0;

  std::mutex valuesLock;        // Update (UI thread) hands values to Render (graphics thread)
  std::vector<float> wanted;    // all values, by index
  std::vector<float> applying;  // the render thread's copy
  bool valuesChanged = false;
  std::atomic<bool> restartWanted{false};
  SourceSound sound;
};

Filter::~Filter() {
  obs_enter_graphics();
  ReleaseGraphics();
  obs_leave_graphics();
}

void Filter::ReleaseGraphics() {
  if (driver) {
    SavedGlState saved;
    driver.reset();
  }
  gs_texrender_destroy(input);
  gs_texture_destroy(output);
  input = nullptr;
  output = nullptr;
  outputWidth = outputHeight = 0;
}

// Every value from `settings`: what the user set, else the start of the mode chosen (so a
// value taken back to its default really goes back), "Seed" fixed unless set.
void Filter::Update(obs_data_t* settings) {
  ModuleState& state = ModuleState::Get();
  if (!state.Ready()) return;
  const hostkit::ParameterModel& model = state.Model();
  const hostkit::ModeRule& mode = state.Mode();
  std::vector<float> values = state.Defaults();
  if (mode.Present()) {
    const hostkit::ParameterInfo& info = model.Parameters()[mode.Index()];
    values[mode.Index()] = OptionValue(info, obs_data_get_string(settings, info.name.c_str()), info.defaultValue);
  }
  const hostkit::ModeView& view = state.ViewFor(mode.Present() ? values[mode.Index()] : 0.0f);
  for (const Control& control : state.Controls()) {
    const char* key = control.key.c_str();
    const uint32_t i = control.first;
    if (mode.IsMode(i)) continue;
    if (!obs_data_has_user_value(settings, key)) {
      for (uint32_t k = i; k < i + control.count; ++k) {
        if (static_cast<int>(k) != state.SeedIndex()) values[k] = view.parameters[k].value;
      }
      continue;
    }
    switch (control.kind) {
      case Control::Kind::Slider:
        values[i] = SliderValue(model.Parameters()[i], obs_data_get_double(settings, key), view.parameters[i].value);
        break;
      case Control::Kind::Checkbox:
        values[i] = obs_data_get_bool(settings, key) ? 1.0f : 0.0f;
        break;
      case Control::Kind::Colour:
        ColourValues(static_cast<uint32_t>(obs_data_get_int(settings, key)), values[i], values[i + 1], values[i + 2]);
        break;
      case Control::Kind::List:
        values[i] = OptionValue(model.Parameters()[i], obs_data_get_string(settings, key), values[i]);
        break;
    }
  }
  std::lock_guard<std::mutex> guard(valuesLock);
  wanted = std::move(values);
  valuesChanged = true;
}

void Filter::ApplyValues() {
  {
    std::lock_guard<std::mutex> guard(valuesLock);
    if (!valuesChanged && !applying.empty()) return;
    applying = wanted;  // same size after the first: no allocation per frame
    valuesChanged = false;
  }
  if (applying.empty()) return;
  const hostkit::ModeRule& mode = ModuleState::Get().Mode();
  mode.ApplyModeFirst(*driver, mode.Present() ? &applying[mode.Index()] : nullptr, [&](bool) {
    for (uint32_t i = 0; i < applying.size(); ++i) {
      if (!mode.IsMode(i)) driver->SetValue(i, applying[i]);
    }
  });
}

bool Filter::Refused(uint32_t width, uint32_t height) {
  if (width == refusedWidth && height == refusedHeight) return true;
  if (largestTexture == 0) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestTexture);
  const auto largest = static_cast<uint32_t>(largestTexture);
  if (largestTexture <= 0 || (width <= largest && height <= largest)) return false;
  Refuse(width, height,
         "is larger than OpenGL's largest texture here (" + std::to_string(largest) + "x" + std::to_string(largest) + ")");
  return true;
}

void Filter::Refuse(uint32_t width, uint32_t height, const std::string& why) {
  refusedWidth = width;
  refusedHeight = height;
  LogLine(LOG_WARNING, "the source's size " + std::to_string(width) + "x" + std::to_string(height) + " " + why +
                           "; this filter passes its input through until the size changes");
}

bool Filter::RenderParent(uint32_t width, uint32_t height) {
  obs_source_t* target = obs_filter_get_target(source);
  obs_source_t* parent = obs_filter_get_parent(source);
  gs_texrender_reset(input);
  if (!gs_texrender_begin(input, width, height)) return false;
  vec4 clear;
  vec4_zero(&clear);
  gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
  gs_ortho(0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, -100.0f, 100.0f);
  gs_blend_state_push();
  gs_blend_function(GS_BLEND_ONE, GS_BLEND_ZERO);
  const uint32_t flags = obs_source_get_output_flags(target);
  if (target == parent && !(flags & OBS_SOURCE_CUSTOM_DRAW) && !(flags & OBS_SOURCE_ASYNC)) {
    obs_source_default_render(target);
  } else {
    obs_source_video_render(target);
  }
  gs_blend_state_pop();
  gs_texrender_end(input);
  return true;
}

bool Filter::PrepareTargets(uint32_t width, uint32_t height) {
  // The parent's texture is sRGB-typed, as OBS's own, so that sources that write linear light
  // with sRGB encoding on store the same bytes as elsewhere; ours is plain RGBA8, as in every
  // other host of the plugin.
  if (!input) input = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
  if (output && (outputWidth != width || outputHeight != height)) {
    gs_texture_destroy(output);
    output = nullptr;
  }
  if (!output) {
    output = gs_texture_create(width, height, GS_RGBA_UNORM, 1, nullptr, GS_RENDER_TARGET);
    outputWidth = width;
    outputHeight = height;
    outputValid = false;
  }
  return input && output;
}

bool Filter::StepEffect(uint32_t width, uint32_t height) {
  ModuleState& state = ModuleState::Get();
  if (!RenderParent(width, height)) {
    Refuse(width, height, "could not be given a texture to draw the source into");
    return false;
  }
  const GLuint inputName = *static_cast<const GLuint*>(gs_texture_get_obj(gs_texrender_get_texture(input)));
  const GLuint outputName = *static_cast<const GLuint*>(gs_texture_get_obj(output));

  SavedGlState saved;
  if (!driver || restartWanted.exchange(false)) {
    driver.reset();
    std::string error;
    driver = hostkit::InstanceDriver::CreateOnHostTextures(state.Plugin(), error);
    if (!driver) {
      LogLine(LOG_WARNING, error + "; this filter passes its input through");
      broken = true;
      return false;
    }
    sound.NewInstance();
    std::lock_guard<std::mutex> guard(valuesLock);
    valuesChanged = true;
  }
  // Sampled as the plugin samples every host's input: linear, clamped, the stored bytes.
  glBindTexture(GL_TEXTURE_2D, inputName);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, kTextureSrgbDecode, kSkipDecode);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  std::string error;
  if (driver->Width() != w || driver->Height() != h || driver->OutputTexture() != outputName ||
      driver->InputTexture() != inputName) {
    if (!driver->UseHostTextures(inputName, w, h, outputName, w, h, error)) {
      LogLine(LOG_WARNING, error + "; this filter passes its input through");
      broken = true;
      return false;
    }
  }
  sound.Follow(obs_filter_get_parent(source));
  sound.Send(*driver);
  ApplyValues();
  driver->RenderFrame();
  driver->DrainEvents();
  return true;
}

void Filter::DrawOutput(uint32_t width, uint32_t height) {
  gs_effect_t* effect = obs_get_base_effect(OBS_EFFECT_DEFAULT);
  gs_effect_set_texture(gs_effect_get_param_by_name(effect, "image"), output);
  while (gs_effect_loop(effect, "Draw")) gs_draw_sprite(output, GS_FLIP_V, width, height);
}

void Filter::Render() {
  obs_source_t* target = obs_filter_get_target(source);
  const uint32_t width = target ? obs_source_get_base_width(target) : 0;
  const uint32_t height = target ? obs_source_get_base_height(target) : 0;
  if (broken || width == 0 || height == 0 || !ModuleState::Get().Ready() || Refused(width, height)) {
    obs_source_skip_video_filter(source);
    return;
  }
  if (!PrepareTargets(width, height)) {
    Refuse(width, height, "could not be given textures");
    obs_source_skip_video_filter(source);
    return;
  }
  const uint64_t frameTime = obs_get_video_frame_time();
  if (!outputValid || frameTime != steppedAt || restartWanted) {
    if (!StepEffect(width, height)) {
      obs_source_skip_video_filter(source);
      return;
    }
    steppedAt = frameTime;
    outputValid = true;
  }
  DrawOutput(width, height);
}

// The callbacks OBS calls.

const char* GetName(void*) { return Text("Swirlmoss"); }

void* Create(obs_data_t* settings, obs_source_t* source) {
  auto* filter = new Filter(source);
  filter->Update(settings);
  return filter;
}

void Destroy(void* data) { delete static_cast<Filter*>(data); }
void Update(void* data, obs_data_t* settings) { static_cast<Filter*>(data)->Update(settings); }
void Render(void* data, gs_effect_t*) { static_cast<Filter*>(data)->Render(); }
void FilterRemoved(void* data, obs_source_t* parent) { static_cast<Filter*>(data)->RemovedFrom(parent); }

void SetDefaultsFor(obs_data_t* settings, float modeValue) {
  ModuleState& state = ModuleState::Get();
  const hostkit::ParameterModel& model = state.Model();
  const hostkit::ModeView& view = state.ViewFor(modeValue);
  for (const Control& control : state.Controls()) {
    const char* key = control.key.c_str();
    const hostkit::ParameterInfo& info = model.Parameters()[control.first];
    const bool isMode = state.Mode().IsMode(control.first);
    const bool isSeed = static_cast<int>(control.first) == state.SeedIndex();
    const float value = isMode || isSeed ? state.Defaults()[control.first] : view.parameters[control.first].value;
    switch (control.kind) {
      case Control::Kind::Slider:
        obs_data_set_default_double(settings, key, value);
        break;
      case Control::Kind::Checkbox:
        obs_data_set_default_bool(settings, key, value >= 0.5f);
        break;
      case Control::Kind::Colour:
        obs_data_set_default_int(settings, key,
                                 ColourWord(view.parameters[control.first].value, view.parameters[control.first + 1].value,
                                            view.parameters[control.first + 2].value));
        break;
      case Control::Kind::List:
        obs_data_set_default_string(settings, key, OptionName(info, value).c_str());
        break;
    }
  }
}

float ModeValueIn(obs_data_t* settings) {
  ModuleState& state = ModuleState::Get();
  if (!state.Mode().Present()) return 0.0f;
  const hostkit::ParameterInfo& info = state.Model().Parameters()[state.Mode().Index()];
  return OptionValue(info, obs_data_get_string(settings, info.name.c_str()), info.defaultValue);
}

void GetDefaults(obs_data_t* settings) {
  if (!ModuleState::Get().Ready()) return;
  SetDefaultsFor(settings, ModeValueIn(settings));
}

// Names, visibility and the defaults shown follow the mode, as the plugin presents it.
void ShowMode(obs_properties_t* properties, obs_data_t* settings) {
  ModuleState& state = ModuleState::Get();
  const float modeValue = ModeValueIn(settings);
  const hostkit::ModeView& view = state.ViewFor(modeValue);
  for (const Control& control : state.Controls()) {
    obs_property_t* property = obs_properties_get(properties, control.key.c_str());
    if (!property) continue;
    obs_property_set_description(property, ControlLabel(control, state.Model(), view).c_str());
    obs_property_set_visible(property, ControlVisible(control, view));
  }
  SetDefaultsFor(settings, modeValue);
}

bool ModeModified(obs_properties_t* properties, obs_property_t*, obs_data_t* settings) {
  ShowMode(properties, settings);
  return true;
}

// The "Look" list: the curated looks, kept in the module's data folder. Choosing one lays its
// values into the settings as the controls would have, hidden parameters included; the list
// keeps the look's name, and the settings remember which look they last took, because OBS
// calls the list's callback again each time it shows the properties, which must not undo
// what was changed after the look was chosen.
constexpr char kLookKey[] = "look";
constexpr char kLookTakenKey[] = "look taken";

std::vector<hostkit::Look> ModuleLooks() {
  char* folder = obs_module_file("looks");
  std::vector<hostkit::Look> looks = folder ? hostkit::ListLooksIn(folder) : std::vector<hostkit::Look>{};
  bfree(folder);
  return looks;
}

// The values of the look at `path`, one per parameter, and which of them it names. False with a
// one-line `error` when the look cannot be read.
bool ReadLook(const std::string& path, std::vector<float>& values, std::vector<bool>& named, std::string& error) {
  ModuleState& state = ModuleState::Get();
  const hostkit::ParameterModel& model = state.Model();
  std::vector<std::string> lines;
  if (!hostkit::ReadPreset(path, model, lines, error)) return false;
  values = state.Defaults();
  named.assign(values.size(), false);
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    const hostkit::ParameterInfo* info = equals == std::string::npos ? nullptr : model.Find(line.substr(0, equals));
    if (!info) {
      error = path + ": cannot take \"" + line + "\"";
      return false;
    }
    if (!hostkit::ParseParameterValue(*info, line.substr(equals + 1), values[info->index], error, " in " + path)) {
      return false;
    }
    named[info->index] = true;
  }
  return true;
}

// Every control the look names gets the look's value as the user's; every other goes back to
// its default, the start of the look's mode.
bool TakeLook(obs_data_t* settings, const std::string& name) {
  ModuleState& state = ModuleState::Get();
  std::string path;
  for (const hostkit::Look& look : ModuleLooks()) {
    if (look.name == name) path = look.path;
  }
  std::vector<float> values;
  std::vector<bool> named;
  std::string error = "there is no look named " + name;
  if (path.empty() || !ReadLook(path, values, named, error)) {
    LogLine(LOG_WARNING, error + "; the settings are left as they were");
    return false;
  }
  const hostkit::ModeRule& mode = state.Mode();
  const hostkit::ModeView& view = state.ViewFor(mode.Present() ? values[mode.Index()] : 0.0f);
  for (const Control& control : state.Controls()) {
    const char* key = control.key.c_str();
    const uint32_t i = control.first;
    bool taken = false;
    for (uint32_t k = i; k < i + control.count; ++k) {
      taken = taken || named[k];
      if (!named[k] && static_cast<int>(k) != state.SeedIndex() && !mode.IsMode(k)) values[k] = view.parameters[k].value;
    }
    if (!taken) {
      obs_data_unset_user_value(settings, key);
      continue;
    }
    switch (control.kind) {
      case Control::Kind::Slider:
        obs_data_set_double(settings, key, values[i]);
        break;
      case Control::Kind::Checkbox:
        obs_data_set_bool(settings, key, values[i] >= 0.5f);
        break;
      case Control::Kind::Colour:
        obs_data_set_int(settings, key, ColourWord(values[i], values[i + 1], values[i + 2]));
        break;
      case Control::Kind::List:
        obs_data_set_string(settings, key, OptionName(state.Model().Parameters()[i], values[i]).c_str());
        break;
    }
  }
  return true;
}

bool LookModified(obs_properties_t* properties, obs_property_t*, obs_data_t* settings) {
  const std::string name = obs_data_get_string(settings, kLookKey);
  if (name == obs_data_get_string(settings, kLookTakenKey)) return false;
  obs_data_set_string(settings, kLookTakenKey, name.c_str());
  if (name.empty() || !TakeLook(settings, name)) return false;
  ShowMode(properties, settings);
  return true;
}

bool RestartClicked(obs_properties_t*, obs_property_t*, void* data) {
  static_cast<Filter*>(data)->Restart();
  return false;
}

obs_properties_t* GetProperties(void* data) {
  obs_properties_t* properties = obs_properties_create();
  ModuleState& state = ModuleState::Get();
  if (!state.Ready()) {
    obs_properties_add_text(properties, "unavailable", Text("Unavailable"), OBS_TEXT_INFO);
    return properties;
  }
  const hostkit::ParameterModel& model = state.Model();
  obs_property_t* looks =
      obs_properties_add_list(properties, kLookKey, Text("Look"), OBS_COMBO_TYPE_LIST, OBS_COMBO_FORMAT_STRING);
  obs_property_list_add_string(looks, Text("Custom"), "");
  for (const hostkit::Look& look : ModuleLooks()) obs_property_list_add_string(looks, look.name.c_str(), look.name.c_str());
  obs_property_set_modified_callback(looks, LookModified);
  for (const Control& control : state.Controls()) {
    const hostkit::ParameterInfo& info = model.Parameters()[control.first];
    const char* key = control.key.c_str();
    obs_property_t* property = nullptr;
    switch (control.kind) {
      case Control::Kind::Slider:
        property = obs_properties_add_float_slider(properties, key, key, info.minimum, info.maximum, 0.001);
        break;
      case Control::Kind::Checkbox:
        property = obs_properties_add_bool(properties, key, key);
        break;
      case Control::Kind::Colour:
        property = obs_properties_add_color(properties, key, key);
        break;
      case Control::Kind::List:
        property = obs_properties_add_list(properties, key, key, OBS_COMBO_TYPE_LIST, OBS_COMBO_FORMAT_STRING);
        for (const auto& element : info.elements) {
          obs_property_list_add_string(property, element.name.c_str(), element.name.c_str());
        }
        break;
    }
    if (state.Mode().IsMode(control.first)) obs_property_set_modified_callback(property, ModeModified);
  }
  obs_properties_add_button2(properties, "restart", Text("Restart"), RestartClicked, data);
  // The labels of the mode the settings hold now, before any change calls ModeModified.
  if (data) {
    obs_data_t* settings = obs_source_get_settings(static_cast<Filter*>(data)->Source());
    ShowMode(properties, settings);
    obs_data_release(settings);
  }
  return properties;
}

}  // namespace

const obs_source_info& FilterInfo() {
  static const obs_source_info info = [] {
    obs_source_info filter{};
    filter.id = "swirlmoss_filter";
    filter.type = OBS_SOURCE_TYPE_FILTER;
    filter.output_flags = OBS_SOURCE_VIDEO;
    filter.get_name = GetName;
    filter.create = Create;
    filter.destroy = Destroy;
    filter.update = Update;
    filter.get_defaults = GetDefaults;
    filter.get_properties = GetProperties;
    filter.video_render = Render;
    filter.filter_remove = FilterRemoved;
    return filter;
  }();
  return info;
}

}  // namespace swirlobs
