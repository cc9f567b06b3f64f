#include "tools/preview/preview_session.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tools/hostkit/platform/interrupt.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/params/render_settings.h"
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace preview {
namespace {

constexpr double kMessageSeconds = 6.0;

const char* ScaleName(RenderScale scale) {
  switch (scale) {
    case RenderScale::Full: return "full";
    case RenderScale::Half: return "half";
    case RenderScale::Quarter: return "quarter";
  }
  return "full";
}

int Scaled(int side, RenderScale scale) { return std::max(1, side / static_cast<int>(scale)); }

}  // namespace

PreviewSession::PreviewSession(PreviewWindow& window, SessionSetup setupIn)
    : window(window), setup(std::move(setupIn)), panel(*setup.model) {
  std::snprintf(presetField, sizeof presetField, "%s",
                !setup.presetPath.empty() ? setup.presetPath.c_str()
                                          : !setup.savePreset.empty() ? setup.savePreset.c_str() : "swirlmoss-preset.json");
}

PreviewSession::~PreviewSession() {
  std::string ignored;
  if (recorder.Active()) recorder.Stop(ignored);
  panel.Attach(nullptr);
  driver.reset();
  view.Release();
}

bool PreviewSession::Start(std::string& error) {
  if (!view.Create(error) || !MakeInstance(error)) return false;
  // The look from the command line goes in as `render` applies it: "Mode" first, a primed
  // switch, then the rest, all before the first frame.
  panel.Apply(setup.initial);
  return true;
}

bool PreviewSession::MakeInstance(std::string& error) {
  panel.Attach(nullptr);
  driver.reset();
  driver = hostkit::InstanceDriver::Create(*setup.plugin, Scaled(setup.width, setup.scale),
                                           Scaled(setup.height, setup.scale), hostkit::PixelFormat::Rgba8,
                                           setup.input, error);
  if (!driver) return false;
  panel.Attach(driver.get());
  primesAtInstance = panel.Primes();
  instanceFrames = 0;
  return true;
}

PixelRect PreviewSession::PictureArea() const {
  int width = 0, height = 0;
  window.FramebufferSize(width, height);
  const ImVec2 scale = ImGui::GetIO().DisplayFramebufferScale;
  const int panel = static_cast<int>(kPanelWidth * scale.x);
  return FitPicture({panel, 0, std::max(0, width - panel), height}, setup.width, setup.height);
}

void PreviewSession::Say(const std::string& text) {
  message = text;
  messageUntil = glfwGetTime() + kMessageSeconds;
}

bool PreviewSession::Run(std::string& error) {
  const double period = 1.0 / setup.fps;
  nextDue = glfwGetTime();
  for (;;) {
    double now = glfwGetTime();
    const bool waiting = paused || now < nextDue;
    window.WaitEvents(waiting && !stepOnce ? (paused ? 0.25 : nextDue - now) : 0.0);
    // Ctrl-C in the terminal ends the preview as closing the window does.
    if (window.CloseRequested() || hostkit::InterruptRequested()) exiting = true;
    now = glfwGetTime();
    // The first frame waits while the driver compiles the effect's shader: the window shows
    // that it will before the wait begins.
    const bool announce = frames == 0 && !announced;
    if (announce) {
      announced = true;
      Say("compiling the effect's shader at the first frame (on a software renderer with a cold cache, some 20 s)");
    }
    if (driver && !exiting && !announce && ((!paused && now >= nextDue) || stepOnce)) {
      stepOnce = false;
      const double start = now;
      // The gap after the first frame holds the shader compile: no measure of the pace.
      if (lastFrameStart >= 0.0 && frames >= 2) {
        const double gap = start - lastFrameStart;
        interval = interval > 0.0 ? interval * 0.9 + gap * 0.1 : gap;
      }
      lastFrameStart = paused ? -1.0 : start;
      nextDue = std::max(nextDue + period, start);
      DrawEffectFrame();
      if (frameFailed && setup.exitAfter > 0) exiting = true;
      if (setup.exitAfter > 0 && frames >= setup.exitAfter) exiting = true;
    }
    window.BeginUiFrame();
    HandleKeys();
    DrawUi();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    int width = 0, height = 0;
    window.FramebufferSize(width, height);
    glViewport(0, 0, width, height);
    glClearColor(0.08f, 0.08f, 0.09f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A new instance's output holds nothing until its first frame.
    if (driver && instanceFrames > 0) view.Draw(driver->OutputTexture(), PictureArea(), height);
    window.DrawUi();
    if (exiting) {
      const bool written = WriteExitOutputs(error);
      if (frameFailed && written) error = message;
      return written && !frameFailed;
    }
    window.Swap();
  }
}

void PreviewSession::DrawEffectFrame() {
  while (nextStep < setup.script.size() && setup.script[nextStep].frame <= frames) {
    panel.Apply(setup.script[nextStep++].changes);
  }
  const double start = glfwGetTime();
  if (!UploadSourceFrame()) return;
  if (!driver->RenderFrame()) {
    frameFailed = true;
    paused = true;
    Say("the plugin failed to render frame " + std::to_string(frames) + " (code 17 answered failure)");
    return;
  }
  glFinish();  // so the frame time is the frame's own: GPU timer queries read near zero on llvmpipe
  frameMs = (glfwGetTime() - start) * 1000.0;
  // Labels and visibility follow the plugin's events, as a host's poll would take them; the
  // first frame is when labels exist at all.
  if (driver->DrainEvents() > 0 || frames == 0) panel.Refresh();
  if (frames == 0) messageUntil = 0.0;  // the compile note is done with
  ++frames;
  ++instanceFrames;
  if (recorder.Active()) {
    std::string error;
    if (!recorder.Add(*driver, error)) Say(error);
  }
}

bool PreviewSession::UploadSourceFrame() {
  // A still goes up once per instance; anything else brings a frame each time.
  if (!setup.source || (setup.source->Info().still && instanceFrames > 0)) return true;
  std::string error;
  if (setup.source->Next(sourceFrame, error) && driver->UploadInput(sourceFrame)) return true;
  frameFailed = true;
  paused = true;
  Say(error.empty() ? setup.source->Info().description + " delivered no frame " + std::to_string(frames) : error);
  return false;
}

void PreviewSession::HandleKeys() {
  if (ImGui::GetIO().WantTextInput) return;
  if (ImGui::IsKeyPressed(GLFW_KEY_ESCAPE, false)) exiting = true;
  if (ImGui::IsKeyPressed(GLFW_KEY_SPACE, false)) paused = !paused;
  if (ImGui::IsKeyPressed(GLFW_KEY_PERIOD) || ImGui::IsKeyPressed(GLFW_KEY_RIGHT)) {
    paused = true;
    stepOnce = true;
  }
  if (ImGui::IsKeyPressed(GLFW_KEY_S, false)) SaveStill();
  if (ImGui::IsKeyPressed(GLFW_KEY_R, false)) ToggleRecording();
  if (ImGui::IsKeyPressed(GLFW_KEY_F, false)) window.ToggleFullScreen();
}

void PreviewSession::DrawUi() {
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
  ImGui::SetNextWindowSize(ImVec2(static_cast<float>(kPanelWidth), display.y));
  ImGui::Begin("Swirlmoss", nullptr,
               ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                   ImGuiWindowFlags_NoTitleBar);
  DrawStatus();
  ImGui::Separator();
  DrawPresetRow();
  ImGui::Separator();
  panel.Draw();
  ImGui::End();
}

void PreviewSession::DrawStatus() {
  ImGui::TextWrapped("%s", window.RendererText().c_str());
  const double fps = interval > 0.0 ? 1.0 / interval : 0.0;
  ImGui::Text("frame %d   %.1f ms   %.1f fps", frames, frameMs, fps);
  if (!paused && interval > 0.0 && fps < setup.fps * 0.95) {
    ImGui::TextColored(ImVec4(1.0f, 0.6f, 0.2f, 1.0f), "slower than %g fps: this machine cannot keep up", setup.fps);
  }
  if (ImGui::Button(paused ? "Play" : "Pause")) paused = !paused;
  ImGui::SameLine();
  if (ImGui::Button("Step")) {
    paused = true;
    stepOnce = true;
  }
  ImGui::SameLine();
  ImGui::SetNextItemWidth(90.0f);
  if (ImGui::BeginCombo("scale", ScaleName(setup.scale))) {
    for (RenderScale option : {RenderScale::Full, RenderScale::Half, RenderScale::Quarter}) {
      if (ImGui::Selectable(ScaleName(option), option == setup.scale) && option != setup.scale) ChangeScale(option);
    }
    ImGui::EndCombo();
  }
  if (driver) {
    ImGui::SameLine();
    ImGui::TextDisabled("%dx%d", driver->Width(), driver->Height());
  }
  if (ImGui::Button("Save PNG (S)")) SaveStill();
  ImGui::SameLine();
  if (ImGui::Button(recorder.Active() ? "Stop recording (R)" : "Record MP4 (R)")) ToggleRecording();
  ImGui::SameLine();
  if (ImGui::Button("Full screen (F)")) window.ToggleFullScreen();
  if (recorder.Active()) ImGui::TextColored(ImVec4(1.0f, 0.3f, 0.3f, 1.0f), "recording %s: %d frames", recorder.Path().c_str(), recorder.Frames());
  if (glfwGetTime() < messageUntil) ImGui::TextWrapped("%s", message.c_str());
}

void PreviewSession::DrawPresetRow() {
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
  ImGui::InputText("##preset", presetField, sizeof presetField);
  if (ImGui::Button("Save preset")) SaveOrLoadPreset(true);
  ImGui::SameLine();
  if (ImGui::Button("Load preset")) SaveOrLoadPreset(false);
  ImGui::SameLine();
  if (ImGui::Button("Copy command")) CopyCommand();
}

void PreviewSession::ChangeScale(RenderScale next) {
  // The plugin renders into the viewport it was made with: another size is another instance,
  // which starts its clock again. The values carry over, applied as at the start.
  std::string error;
  if (recorder.Active()) {
    Say(recorder.Stop(error) ? "recording " + recorder.Path() + " stopped for the new scale" : error);
  }
  const std::vector<float> values = panel.Values();
  const RenderScale previous = setup.scale;
  setup.scale = next;
  if (!MakeInstance(error)) {
    setup.scale = previous;
    std::string again;
    if (!MakeInstance(again)) frameFailed = true;
    Say(error);
    return;
  }
  std::vector<ParameterChange> changes;
  for (const auto& info : setup.model->Parameters()) {
    if (!info.IsText() && info.index < values.size()) changes.push_back({info.index, values[info.index]});
  }
  panel.Apply(changes);  // "Mode" first, as at the start
  Say(std::string("scale ") + ScaleName(next) + ": a new instance, so the effect's clock starts again");
}

void PreviewSession::SaveStill() {
  if (!driver || frames == 0) return;
  const std::string path = StampedName("png");
  std::string error;
  Say(SaveFrame(*driver, path, error) ? "saved " + path : error);
}

void PreviewSession::ToggleRecording() {
  std::string error;
  if (recorder.Active()) {
    const std::string path = recorder.Path();
    const int count = recorder.Frames();
    Say(recorder.Stop(error) ? "recorded " + path + " (" + std::to_string(count) + " frames)" : error);
    return;
  }
  if (!driver) return;
  const std::string path = StampedName("mp4");
  Say(recorder.Start(path, driver->Width(), driver->Height(), setup.fps, error) ? "recording " + path : error);
}

void PreviewSession::SaveOrLoadPreset(bool save) {
  const std::string path = presetField;
  std::string error;
  if (save) {
    Say(hostkit::WritePreset(path, *setup.model, panel.Values(), error) ? "saved preset " + path : error);
    return;
  }
  std::vector<std::string> settings;
  hostkit::ParameterPlan plan;
  std::vector<std::string> warnings;
  std::vector<ParameterChange> changes;
  if (!hostkit::ReadPreset(path, *setup.model, settings, error) ||
      !hostkit::ParameterPlan::Parse(settings, *setup.model, plan, warnings, error) || !ConstantChanges(plan, changes)) {
    Say(error);
    return;
  }
  panel.Apply(changes);
  Say("loaded preset " + path);
}

void PreviewSession::CopyCommand() {
  // The look as a batch render: every value in the plugin's order, "Mode" among them (render
  // applies it first whatever the order). The frame count matches the clock of this instance
  // less the step that render's own mode switch takes, from an instance that starts in the
  // first mode.
  const std::vector<float>& values = panel.Values();
  const hostkit::ModeRule& mode = panel.Mode();
  const bool primed = mode.Present() && hostkit::ModeRule::Crosses(false, values[mode.Index()]);
  const int steps = instanceFrames + panel.Primes() - primesAtInstance;
  const int renderFrames = std::max(1, steps - (primed ? 1 : 0));
  hostkit::RenderSettings settings;
  settings.input = setup.inputSpec;
  settings.size = std::to_string(setup.width) + "x" + std::to_string(setup.height);
  settings.sizeGiven = true;
  for (const auto& info : setup.model->Parameters()) {
    if (info.IsText()) continue;
    std::string value = hostkit::FloatText(values[info.index]);
    for (const auto& element : info.elements) {
      if (element.value == values[info.index]) value = element.name;
    }
    settings.values.push_back(info.name + "=" + value);
  }
  std::vector<std::string> renderOptions;
  if (!setup.pluginPath.empty()) renderOptions = {"--plugin", setup.pluginPath};
  // The preview plays a video in a loop; so must the render, to reach the same frame.
  if (setup.source && !setup.source->Info().still) renderOptions.push_back("--loop");
  renderOptions.insert(renderOptions.end(), {"--frames", std::to_string(renderFrames), "-o", "swirlmoss.png"});
  const std::string command = hostkit::RenderCommandLine(settings, renderOptions);
  std::printf("%s\n", command.c_str());
  std::fflush(stdout);
  window.SetClipboard(command);
  Say("the render command is on standard output and the clipboard");
}

bool PreviewSession::WriteExitOutputs(std::string& error) {
  int width = 0, height = 0;
  window.FramebufferSize(width, height);
  if (setup.screenshot && !SaveWindow(*setup.screenshot, width, height, error)) return false;
  if (recorder.Active() && !recorder.Stop(error)) return false;
  if (!setup.savePreset.empty() && !hostkit::WritePreset(setup.savePreset, *setup.model, panel.Values(), error)) {
    return false;
  }
  if (setup.dumpControls.empty()) return true;
  const PixelRect picture = PictureArea();
  nlohmann::ordered_json dump;
  dump["window"] = {{"width", width}, {"height", height}};
  dump["picture"] = {{"x", picture.x}, {"y", picture.y}, {"width", picture.width}, {"height", picture.height}};
  dump["frames"] = frames;
  dump["scale"] = ScaleName(setup.scale);
  nlohmann::ordered_json controls = nlohmann::ordered_json::array();
  const auto& shown = panel.Presentation();
  for (const auto& info : setup.model->Parameters()) {
    nlohmann::ordered_json control;
    control["index"] = info.index;
    control["name"] = info.name;
    control["shownName"] = panel.ShownName(info.index);
    control["visible"] = shown[info.index].visible;
    control["value"] = panel.Values()[info.index];
    controls.push_back(std::move(control));
  }
  dump["controls"] = std::move(controls);
  return hostkit::WriteWholeFile(setup.dumpControls, dump.dump(2) + "\n", error);
}

}  // namespace preview
