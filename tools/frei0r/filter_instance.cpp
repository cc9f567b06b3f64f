#include "tools/frei0r/filter_instance.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "tools/frei0r/frei0r_api.h"
#include "tools/frei0r/gl_thread.h"
#include "tools/frei0r/module_state.h"
#include "tools/frei0r/step_trace.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/switch_value.h"
#include "tools/hostkit/render/wait_notice.h"

namespace swirlfrei0r {
namespace {

using Kind = ModuleParameter::Kind;

std::string DefaultText(const hostkit::ParameterInfo& info) {
  for (const auto& element : info.elements) {
    if (element.value == info.defaultValue) return element.name;
  }
  return std::to_string(info.defaultValue);
}

HostRate& ProcessRate() {
  static HostRate* rate = new HostRate();  // never destroyed: instances may outlive exit
  return *rate;
}

// Whether the process's first frame has been announced; read and written on the GL thread.
bool firstFrameAnnounced = false;

}  // namespace

FilterInstance::FilterInstance(const ModuleState& moduleState, unsigned frameWidth, unsigned frameHeight)
    : state(moduleState), width(static_cast<int>(frameWidth)), height(static_cast<int>(frameHeight)) {
  const auto& parameters = state.Parameters();
  values.resize(parameters.size());
  hostSet.resize(parameters.size());
  texts.resize(parameters.size());
  lastSeen.resize(parameters.size());
  for (size_t i = 0; i < parameters.size(); ++i) {
    const ModuleParameter& parameter = parameters[i];
    if (parameter.info) values[i] = parameter.info->defaultValue;
    hostSet[i] = parameter.alwaysSent;
    if (parameter.kind == Kind::Option) texts[i] = DefaultText(*parameter.info);
    if (parameter.kind == Kind::FrameRate) texts[i] = "auto";
    if (parameter.kind == Kind::TimeUnit) texts[i] = "auto";
  }
  lastSeen = texts;  // so that a first empty string is read, and refused, too
}

FilterInstance::~FilterInstance() {
  // When the GL thread takes no more jobs (the process is exiting), the plugin instance is
  // left as it is: its GL objects may be deleted only on that thread.
  if (driver && !GlThread::Get().Run(&FilterInstance::ReleaseJob, this, "release")) static_cast<void>(driver.release());
}

void FilterInstance::ReleaseJob(void* self) { static_cast<FilterInstance*>(self)->driver.reset(); }

void FilterInstance::SetParameter(int index, const void* value) {
  const ModuleParameter& parameter = state.Parameters()[static_cast<size_t>(index)];
  const size_t i = static_cast<size_t>(index);
  float next = 0.0f;
  switch (parameter.kind) {
    case Kind::Boolean: {
      // frei0r's convention: 0 to below one half is off, one half to 1 on (melt may send a
      // keyframed switch between the two); anything else is refused.
      const double x = *static_cast<const double*>(value);
      if (!hostkit::SwitchFromFraction(x, next)) {
        char line[200];
        std::snprintf(line, sizeof line, "%s cannot be %g (a switch: 0 for off, 1 for on); the value is ignored",
                      parameter.name.c_str(), x);
        Report(line);
        return;
      }
      break;
    }
    case Kind::Number: {
      const double x = *static_cast<const double*>(value);
      // Computed in double, then rounded once; outside 0..1 it goes on unchanged, as the plugin
      // does not clamp, unless it is beyond what a float holds (converting it is undefined).
      const double low = parameter.info->minimum, high = parameter.info->maximum;
      const double scaled = low + x * (high - low);
      if (!std::isfinite(x) || std::fabs(scaled) > std::numeric_limits<float>::max()) {
        char line[200];
        std::snprintf(line, sizeof line, "%s cannot be %g; the value is ignored", parameter.name.c_str(), x);
        Report(line);
        return;
      }
      next = static_cast<float>(scaled);
      break;
    }
    case Kind::Option:
    case Kind::FrameRate:
    case Kind::TimeUnit: {
      const char* text = *static_cast<const char* const*>(value);
      if (!text || lastSeen[i] == text) return;  // melt sends every value before every frame
      lastSeen[i] = text;
      std::string error;
      bool ok = false;
      if (parameter.kind == Kind::Option) {
        ok = hostkit::ParseParameterValue(*parameter.info, lastSeen[i], next, error);
      } else if (parameter.kind == Kind::FrameRate) {
        double parsed = 0.0;
        ok = ParseFrameRate(lastSeen[i], parsed, error);
        if (ok) rateFromHost = parsed == 0.0;
        if (ok && !rateFromHost) rate = parsed;
      } else {
        ok = ParseTimeUnit(lastSeen[i], unit, error);
      }
      if (!ok) {
        Report(error + "; the value is ignored");
        return;
      }
      texts[i] = lastSeen[i];
      if (!parameter.info) return;
      break;
    }
  }
  values[i] = next;
  // A default written out in decimals (0.333333 for Shadows' 0.5 over 0..1.5, as ffmpeg users
  // must when they give later values by position) still counts as the default.
  const double slack = parameter.kind == Kind::Number ? 1e-5 * (parameter.info->maximum - parameter.info->minimum) : 0.0;
  if (std::fabs(static_cast<double>(next) - parameter.info->defaultValue) > slack) hostSet[i] = 1;
}

void FilterInstance::GetParameter(int index, void* value) {
  const ModuleParameter& parameter = state.Parameters()[static_cast<size_t>(index)];
  const size_t i = static_cast<size_t>(index);
  switch (parameter.kind) {
    case Kind::Number: {
      const double low = parameter.info->minimum, high = parameter.info->maximum;
      *static_cast<double*>(value) = high == low ? values[i] : (values[i] - low) / (high - low);
      break;
    }
    case Kind::Boolean:
      *static_cast<double*>(value) = values[i];
      break;
    default:
      *static_cast<f0r_param_string*>(value) = texts[i].data();
      break;
  }
}

void FilterInstance::Update(double time, const uint32_t* in, uint32_t* out) {
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  const double seconds = HostSeconds(time, unit, state.HostSendsMilliseconds());
  double frameRate = rate;
  if (rateFromHost) {
    bool decided = false;
    const RateFinding finding = ProcessRate().Feed(seconds, decided);
    frameRate = finding.rate;
    if (decided && finding.state == RateFinding::State::NoRate) {
      char line[200];
      std::snprintf(line, sizeof line,
                    "the host's frames are %.6g s apart, which names no usual frame rate; the effect runs at %g fps "
                    "(set Frame Rate to the project's rate, such as 25 or 30000/1001)",
                    finding.step, kFallbackFrameRate);
      Report(line);
    }
  }
  const int64_t frame = FrameAt(seconds, frameRate);
  // A time that names no frame counts frames instead: the next one after the last.
  targetFrame = frame == kUnknownFrame ? nextFrame : frame;
  if (RepeatsLastFrame(in)) {
    std::memcpy(out, lastOutput.data(), bytes);
    return;
  }
  input = in;
  output = out;
  rendered = false;
  GlThread::Get().Run(&FilterInstance::UpdateJob, this, "frame");
  if (rendered) {
    KeepLastFrame();
  } else if (out != in) {
    std::memcpy(out, in, bytes);
  }
}

bool FilterInstance::RepeatsLastFrame(const uint32_t* in) const {
  return !lastOutput.empty() && targetFrame + 1 == nextFrame && values == lastValues && hostSet == lastHostSet &&
         std::memcmp(in, lastInput.data(), lastInput.size()) == 0;
}

void FilterInstance::KeepLastFrame() {
  if (input == output) {  // drawn in place: the input is gone
    lastOutput.clear();
    return;
  }
  // Same sizes every frame: after the first, these copies allocate nothing.
  const auto* in = reinterpret_cast<const uint8_t*>(input);
  const auto* out = reinterpret_cast<const uint8_t*>(output);
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  lastInput.assign(in, in + bytes);
  lastOutput.assign(out, out + bytes);
  lastValues = values;
  lastHostSet = hostSet;
}

void FilterInstance::UpdateJob(void* self) { static_cast<FilterInstance*>(self)->Render(); }

void FilterInstance::Render() {
  if (!GlThread::Get().HasContext() || unusable) return;
  if (driver && targetFrame < nextFrame) driver.reset();  // backward: start again from frame 0
  // The process's first frame waits while the driver compiles the effect's shader: in hosts
  // that show no progress of their own a long wait looks like a hang, so it is said, once. A
  // warm shader cache makes the wait short, and then nothing is said.
  std::optional<hostkit::WaitNotice> firstFrameWait;
  const auto start = std::chrono::steady_clock::now();
  if (!driver && !firstFrameAnnounced) {
    firstFrameAnnounced = true;
    firstFrameWait.emplace(hostkit::kFirstFrameNoticeAfter, [] {
      Report("first frame: the GPU driver is compiling the effect's shader (up to about 20 s on a software "
             "renderer before its shader cache is warm)");
    });
  }
  if (!driver) {
    Trace("GL thread: making a %dx%d plugin instance (its shader compiles)", width, height);
    const bool made = MakeDriver();
    Trace("GL thread: plugin instance %s", made ? "ready" : "failed");
    if (!made) return;
  }
  if (targetFrame > nextFrame) {
    Trace("GL thread: stepping from frame %lld to %lld", static_cast<long long>(nextFrame),
          static_cast<long long>(targetFrame));
    // Every skipped frame has the same values, so they are applied once.
    ApplyValues();
    for (int64_t frame = nextFrame; frame < targetFrame; ++frame) driver->StepWithoutDrawing();
  }
  ApplyValues();
  transfer->Upload(input, driver->InputTexture());
  if (!driver->RenderFrame()) {
    Report("the plugin could not draw a frame; this instance passes frames through unchanged");
    unusable = true;
    driver.reset();
    return;
  }
  transfer->Readback(driver->Framebuffer(), output);
  nextFrame = targetFrame + 1;
  rendered = true;
  if (firstFrameWait && firstFrameWait->Finish()) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    char line[80];
    std::snprintf(line, sizeof line, "shader compiled, first frame ready after %.1f s", took.count());
    Report(line);
  }
}

bool FilterInstance::MakeDriver() {
  // The input texture is filled at every update; it starts blank.
  hostkit::Image blank;
  blank.width = width;
  blank.height = height;
  blank.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  std::string error;
  driver = hostkit::InstanceDriver::Create(state.Plugin(), width, height, hostkit::PixelFormat::Rgba8, blank, error);
  if (!driver) {
    Report(error + "; this instance passes frames through unchanged");
    unusable = true;
    return false;
  }
  if (!transfer) transfer = std::make_unique<FrameTransfer>(width, height);
  nextFrame = 0;
  // Later instances of this one get the first's start values: seeking back repeats the picture.
  state.Mode().RepeatStartValues(*driver, static_cast<uint32_t>(state.Model().Parameters().size()), startValues);
  return true;
}

void FilterInstance::ApplyValues() {
  // By the mode rule: "Mode" first, so that a crossing loads the other mode's bank before the
  // host's other values go in.
  const hostkit::ModeRule& mode = state.Mode();
  const bool modeSet = mode.Present() && hostSet[mode.Index()];
  mode.ApplyModeFirst(*driver, modeSet ? &values[mode.Index()] : nullptr, [&](bool) {
    const auto& parameters = state.Parameters();
    for (size_t i = 0; i < parameters.size(); ++i) {
      const hostkit::ParameterInfo* info = parameters[i].info;
      if (info && hostSet[i] && !mode.IsMode(info->index)) driver->SetValue(info->index, values[i]);
    }
  });
}

}  // namespace swirlfrei0r
