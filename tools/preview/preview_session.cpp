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

// The keys the preview answers. Dear ImGui 1.87 gave every key a name of its own (ImGuiKey_S,
// and since 1.89 only those are accepted); before it, a key was the backend's code, GLFW's here.
#if IMGUI_VERSION_NUM >= 18700
using Key = ImGuiKey;
constexpr Key kKeyEscape = ImGuiKey_Escape, kKeySpace = ImGuiKey_Space, kKeyPeriod = ImGuiKey_Period,
              kKeyRight = ImGuiKey_RightArrow, kKeyS = ImGuiKey_S, kKeyR = ImGuiKey_R, kKeyF = ImGuiKey_F;
#else
using Key = int;
constexpr Key kKeyEscape = GLFW_KEY_ESCAPE, kKeySpace = GLFW_KEY_SPACE, kKeyPeriod = GLFW_KEY_PERIOD,
              kKeyRight = GLFW_KEY_RIGHT, kKeyS = GLFW_KEY_S, kKeyR = GLFW_KEY_R, kKeyF = GLFW_KEY_F;
#endif

const char* ScaleName(RenderScale scale) {
  switch (scale) {
    case RenderScale::Full: return "full";
    case RenderScale::Half: return "half";
    case RenderScale::Quarter: return "quarter";
  }
  return "full";
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// The lines the status area holds at most: changing lines live there, below the controls, so
// that none of them moves a control.
constexpr int kStatusLines = 5;

bool EndsWithJson(const std::string& path) {
  return path.size() > 5 && hostkit::SameName(std::string_view(path).substr(path.size() - 5), ".json");
}

// The file "Save preset" writes for the preset in use: a file as it is named, a look's name with
// ".json", so that a saved preset never takes a look's name (`--preset NAME` means the look).
std::string PresetFileFor(const std::string& nameOrPath) {
  return EndsWithJson(nameOrPath) ? nameOrPath : nameOrPath + ".json";
}

}  // namespace

PreviewSession::PreviewSession(PreviewWindow& window, SessionSetup setupIn)
    : window(window), setup(std::move(setupIn)), looks(hostkit::ListLooks()), panel(*setup.model),
      live(*setup.model, setup.live),
      sound(*setup.model, setup.sound),
      applyPreset([this](const std::string& name, const std::vector<ParameterChange>& changes) {
        ApplyPreset(name, changes);
      }) {
  std::snprintf(presetField, sizeof presetField, "%s",
                !setup.presetPath.empty() ? PresetFileFor(setup.presetPath).c_str()
                                          : !setup.savePreset.empty() ? setup.savePreset.c_str() : "swirlmoss-preset.json");
}

PreviewSession::~PreviewSession() {
  std::string ignored;
  if (recorder.Active()) recorder.Stop(ignored);
  camera.Release();
  panel.Attach(nullptr);
  driver.reset();
  view.Release();
}

bool PreviewSession::Start(std::string& error) {
  std::string notes;
  if (!view.Create(error) || !ReadModeStarts(error) || !MakeInstance(error) || !live.Start(notes, error)) return false;
  sound.Start(notes);
  std::fputs(notes.c_str(), stderr);
  camera.Use(std::move(setup.camera));
  // The look from the command line goes in as `render` applies it: "Mode" first, a primed
  // switch, then the rest, all before the first frame.
  panel.Apply(setup.initial);
  std::vector<ParameterChange> preset;
  std::string ignored;  // the command line has read it once already
  std::vector<hostkit::ParameterTrack> follow;  // in the setup already, with --set's
  if (!setup.presetPath.empty() && ReadPresetChanges(setup.presetPath, *setup.model, preset, ignored, &follow)) {
    panel.UsePreset(setup.presetPath, preset);
  }
  return true;
}

bool PreviewSession::ReadModeStarts(std::string& error) {
  // A small instance of its own: the one on screen keeps its clock and banks untouched.
  auto probe = hostkit::InstanceDriver::Create(*setup.plugin, 16, 16, hostkit::PixelFormat::Rgba8, setup.input, error);
  if (!probe) return false;
  panel.SetModeStarts(hostkit::ReadModeViews(*probe, *setup.model));
  return true;
}

std::unique_ptr<hostkit::InstanceDriver> PreviewSession::FullSizeCopy(std::string& error) const {
  // A fresh instance at full size, given the values by the mode rule and brought to the step of
  // the clock the shown frame was drawn at: one step was its mode switch, if any, and the last
  // is the frame drawn here. The clock's pace follows the values now, so after changes to the
  // speed along the way the copy's motion is close, not the same.
  auto copy = hostkit::InstanceDriver::Create(*setup.plugin, setup.width, setup.height, hostkit::PixelFormat::Rgba8,
                                              setup.input, error);
  if (!copy) return nullptr;
  if (setup.source && !sourceFrame.rgba.empty()) copy->UploadInput(sourceFrame);
  const std::vector<float>& values = panel.Values();
  const hostkit::ModeRule& mode = panel.Mode();
  const float modeValue = mode.Present() ? values[mode.Index()] : 0.0f;
  const bool crossed = mode.ApplyModeFirst(*copy, mode.Present() ? &modeValue : nullptr, [&](bool) {
    for (const auto& info : setup.model->Parameters()) {
      if (!info.IsText() && !mode.IsMode(info.index)) copy->SetValue(info.index, values[info.index]);
    }
  });
  const int steps = instanceFrames + panel.Primes() - primesAtInstance;
  for (int step = (crossed ? 1 : 0) + 1; step < steps; ++step) copy->StepWithoutDrawing();
  if (!copy->RenderFrame()) {
    error = "the plugin failed to render the full-size frame (code 17 answered failure)";
    return nullptr;
  }
  return copy;
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
    // What controllers sent since the last pass goes in as the panel's changes do.
    live.Apply(panel, frames, applyPreset);
    bool drew = false;
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
      live.FrameStarted(hostkit::LiveClock());
      DrawEffectFrame();
      drew = true;
      if (frameFailed && setup.exitAfter > 0) exiting = true;
      if (setup.exitAfter > 0 && frames >= setup.exitAfter) exiting = true;
    }
    camera.Poll();
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
      if (setup.live.stats) {
        live.PrintStats(stdout, setup.fps);
        sound.PrintStats(stdout);
      }
      return written && !frameFailed;
    }
    window.Swap();
    if (drew) {
      live.FrameShown(hostkit::LiveClock());
      sound.FrameShown(hostkit::LiveClock());
    }
  }
}

void PreviewSession::DrawEffectFrame() {
  while (nextStep < setup.script.size() && setup.script[nextStep].frame <= frames) {
    const ScriptStep& step = setup.script[nextStep++];
    if (!step.preset.empty()) ApplyPreset(step.preset, step.presetChanges);
    if (!step.changes.empty()) panel.Apply(step.changes);
    if (step.learn >= 0) live.Learn(static_cast<uint32_t>(step.learn));
  }
  const double start = glfwGetTime();
  if (!UploadSourceFrame()) return;
  sound.BeforeFrame(panel, *driver, instanceFrames == 0, std::max<int64_t>(0, inputFrames - 1));
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
  camera.FrameDrawn(*driver, frames);
  if (recorder.Active()) {
    std::string error;
    if (!recorder.Add(*driver, error)) Say(error);
  }
}

bool PreviewSession::UploadSourceFrame() {
  // A still goes up once per instance; anything else brings a frame each time.
  if (!setup.source || (setup.source->Info().still && instanceFrames > 0)) return true;
  std::string error;
  if (setup.source->Next(sourceFrame, error) && driver->UploadInput(sourceFrame)) {
    ++inputFrames;
    return true;
  }
  frameFailed = true;
  paused = true;
  Say(error.empty() ? setup.source->Info().description + " delivered no frame " + std::to_string(frames) : error);
  return false;
}

void PreviewSession::HandleKeys() {
  if (ImGui::GetIO().WantTextInput) return;
  if (ImGui::IsKeyPressed(kKeyEscape, false)) exiting = true;
  if (ImGui::IsKeyPressed(kKeySpace, false)) paused = !paused;
  if (ImGui::IsKeyPressed(kKeyPeriod) || ImGui::IsKeyPressed(kKeyRight)) {
    paused = true;
    stepOnce = true;
  }
  const bool shift = ImGui::GetIO().KeyShift;
  if (ImGui::IsKeyPressed(kKeyS, false)) SaveStill(shift);
  if (ImGui::IsKeyPressed(kKeyR, false)) ToggleRecording(shift);
  if (ImGui::IsKeyPressed(kKeyF, false)) window.ToggleFullScreen();
}

void PreviewSession::DrawUi() {
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
  ImGui::SetNextWindowSize(ImVec2(static_cast<float>(kPanelWidth), display.y));
  ImGui::Begin("Swirlmoss", nullptr,
               ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                   ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
  DrawHeader();
  ImGui::Separator();
  DrawPresetRow();
  ImGui::Separator();
  // The controls scroll in what is left above the status area, whose height is reserved.
  const ImGuiStyle& style = ImGui::GetStyle();
  const float statusHeight = ImGui::GetTextLineHeightWithSpacing() * kStatusLines + style.ItemSpacing.y;
  ImGui::BeginChild("controls", ImVec2(0.0f, -(statusHeight + style.ItemSpacing.y)));
  live.Draw(panel);  // above the controls, so that what arrives and is refused stays in view
  sound.Draw(panel);
  panel.Draw();
  const int learn = panel.TakeRightClick();
  if (learn >= 0 && setup.live.midi) live.Learn(static_cast<uint32_t>(learn));
  ImGui::EndChild();
  ImGui::Separator();
  ImGui::BeginChild("status", ImVec2(0.0f, 0.0f), false, ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
  DrawStatus();
  ImGui::EndChild();
  ImGui::End();
}

void PreviewSession::DrawHeader() {
  ImGui::TextWrapped("%s", window.RendererText().c_str());
  const double fps = interval > 0.0 ? 1.0 / interval : 0.0;
  ImGui::Text("frame %d   %.1f ms   %.1f fps", frames, frameMs, fps);
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
  if (ImGui::Button("Save PNG (S)")) SaveStill(false);
  ImGui::SameLine();
  if (ImGui::Button(recorder.Active() ? "Stop recording (R)" : "Record MP4 (R)")) ToggleRecording(false);
  ImGui::SameLine();
  if (ImGui::Button("Full screen (F)")) window.ToggleFullScreen();
  ImGui::AlignTextToFramePadding();
  ImGui::Text("Full size:");
  ImGui::SameLine();
  if (ImGui::Button("PNG (Shift+S)")) SaveStill(true);
  ImGui::SameLine();
  if (ImGui::Button("MP4 (Shift+R)")) ToggleRecording(true);
  const std::string scaled = SizeText(Scaled(setup.width, setup.scale), Scaled(setup.height, setup.scale));
  ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
  ImGui::TextWrapped("S, R: PNG, MP4 at the render scale, %s (%s). Shift+S, Shift+R: at full size, %s%s", scaled.c_str(),
                     ScaleName(setup.scale), SizeText(setup.width, setup.height).c_str(),
                     window.SoftwareRenderer() ? "; slow to record on this software renderer." : ".");
  ImGui::PopStyleColor();
}

void PreviewSession::DrawStatus() {
  const double fps = interval > 0.0 ? 1.0 / interval : 0.0;
  if (!paused && interval > 0.0 && fps < setup.fps * 0.95) {
    ImGui::TextColored(ImVec4(1.0f, 0.6f, 0.2f, 1.0f), "slower than %g fps: this machine cannot keep up", setup.fps);
  }
  if (recorder.Active()) {
    ImGui::TextColored(ImVec4(1.0f, 0.3f, 0.3f, 1.0f), "recording %s (%dx%d): %d frames", recorder.Path().c_str(),
                       driver ? driver->Width() : 0, driver ? driver->Height() : 0, recorder.Frames());
  }
  if (camera.Present()) {
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped("%s", camera.StatusLine().c_str());
    ImGui::PopStyleColor();
  }
  if (glfwGetTime() < messageUntil) ImGui::TextWrapped("%s", message.c_str());
}

void PreviewSession::DrawPresetRow() {
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x * 0.55f);
  const std::string& current = panel.PresetName();
  if (ImGui::BeginCombo("look", current.empty() ? "(choose a look)" : current.c_str())) {
    for (const auto& look : looks) {
      if (ImGui::Selectable(look.name.c_str(), hostkit::SameName(look.name, current))) {
        std::vector<ParameterChange> changes;
        std::vector<hostkit::ParameterTrack> follow;
        std::string error;
        if (ReadPresetChanges(look.path, *setup.model, changes, error, &follow)) {
          ApplyPreset(look.name, changes);
          sound.UseFollow(std::move(follow));
        } else {
          Say(error);
        }
      }
      if (ImGui::IsItemHovered() && !look.description.empty()) ImGui::SetTooltip("%s", look.description.c_str());
    }
    if (looks.empty()) ImGui::TextDisabled("no looks are installed beside this program");
    ImGui::EndCombo();
  }
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

void PreviewSession::SaveStill(bool fullSize) {
  if (!driver || frames == 0) return;
  const std::string path = StampedName("png");
  std::string error;
  std::unique_ptr<hostkit::InstanceDriver> copy;
  if (fullSize && setup.scale != RenderScale::Full && !(copy = FullSizeCopy(error))) {
    Say(error);
    return;
  }
  const hostkit::InstanceDriver& source = copy ? *copy : *driver;
  Say(SaveFrame(source, path, error) ? "saved " + path + " (" + SizeText(source.Width(), source.Height()) + ")" : error);
}

void PreviewSession::ToggleRecording(bool fullSize) {
  std::string error;
  if (recorder.Active()) {
    const std::string path = recorder.Path();
    const int count = recorder.Frames();
    Say(recorder.Stop(error) ? "recorded " + path + " (" + std::to_string(count) + " frames)" : error);
    return;
  }
  // Full size is recorded from the preview at full scale: a new instance, whose clock starts again.
  std::string note;
  if (fullSize && setup.scale != RenderScale::Full) {
    ChangeScale(RenderScale::Full);
    note = "; the preview now plays at full scale, its clock started again";
  }
  if (!driver) return;
  if (fullSize && window.SoftwareRenderer()) note += "; a software renderer draws full size slowly, yet every frame is kept";
  const std::string path = StampedName("mp4");
  Say(recorder.Start(path, driver->Width(), driver->Height(), setup.fps, error)
          ? "recording " + path + " (" + SizeText(driver->Width(), driver->Height()) + ")" + note
          : error);
}

void PreviewSession::SaveOrLoadPreset(bool save) {
  std::string path = presetField;
  std::string error;
  if (save) {
    path = PresetFileFor(path);
    std::snprintf(presetField, sizeof presetField, "%s", path.c_str());
    Say(WritePanelPreset(path, error) ? "saved preset " + path : error);
    return;
  }
  std::vector<ParameterChange> changes;
  std::vector<hostkit::ParameterTrack> follow;
  if (!ReadPresetChanges(path, *setup.model, changes, error, &follow)) {
    Say(error);
    return;
  }
  ApplyPreset(path, changes);
  sound.UseFollow(std::move(follow));
}

void PreviewSession::ApplyPreset(const std::string& nameOrPath, const std::vector<ParameterChange>& changes) {
  panel.ApplyPreset(nameOrPath, changes);
  // The field follows: saving next writes this look's values under this look's file name.
  std::snprintf(presetField, sizeof presetField, "%s", PresetFileFor(nameOrPath).c_str());
  Say("applied " + nameOrPath + " as `render --preset " + nameOrPath + "` would");
}

std::string PreviewSession::CommandLine() const {
  // The look as a batch render: the preset in use and the values that differ from it, or every
  // value a preset would need, "Mode" among them (render applies it first whatever the order).
  // The frame count matches the clock of this instance less the step that render's own mode
  // switch takes, from an instance that starts in the first mode.
  const std::vector<float>& values = panel.Values();
  const hostkit::ModeRule& mode = panel.Mode();
  const bool primed = mode.Present() && hostkit::ModeRule::Crosses(false, values[mode.Index()]);
  const int steps = instanceFrames + panel.Primes() - primesAtInstance;
  const int renderFrames = std::max(1, steps - (primed ? 1 : 0));
  hostkit::RenderSettings settings;
  settings.input = setup.inputSpec;
  settings.size = hostkit::FrameSize{setup.width, setup.height};
  settings.preset = panel.PresetName();
  // Blend and Mix as their own options, as a person writes them; a value that follows the
  // sound as its mapping.
  std::vector<std::string> shownValues = panel.CommandSettings();
  for (const std::string& follows : sound.Settings()) {
    const std::string name = follows.substr(0, follows.find('=') + 1);
    shownValues.erase(std::remove_if(shownValues.begin(), shownValues.end(),
                                [&name](const std::string& value) { return value.rfind(name, 0) == 0; }),
                 shownValues.end());
    shownValues.push_back(follows);
  }
  for (const std::string& value : shownValues) {
    hostkit::BlendMode blend;
    if (value.rfind("Blend=", 0) == 0 && hostkit::ParseBlendMode(value.substr(6), blend)) {
      settings.blend = blend;
    } else if (value.rfind("Mix=", 0) == 0) {
      settings.mix = value.substr(4);
    } else {
      settings.values.push_back(value);
    }
  }
  std::vector<std::string> renderOptions;
  if (!setup.pluginPath.empty()) renderOptions = {"--plugin", setup.pluginPath};
  // The preview plays a video in a loop; so must the render, to reach the same frame.
  if (setup.source && !setup.source->Info().still) renderOptions.push_back("--loop");
  renderOptions.insert(renderOptions.end(), {"--frames", std::to_string(renderFrames), "-o", "swirlmoss.png"});
  return hostkit::RenderCommandLine(settings, renderOptions);
}

void PreviewSession::CopyCommand() {
  const std::string command = CommandLine();
  std::printf("%s\n", command.c_str());
  std::fflush(stdout);
  window.SetClipboard(command);
  Say("the render command is on standard output and the clipboard");
}

bool PreviewSession::WriteExitOutputs(std::string& error) {
  // Each output is tried whatever became of the others: a failed screenshot keeps no map from
  // being written. The failures are one line.
  int width = 0, height = 0;
  window.FramebufferSize(width, height);
  std::string failed;
  const auto note = [&failed](bool written, const std::string& why) {
    if (!written) failed += (failed.empty() ? "" : "; ") + why;
  };
  std::string why;
  if (setup.screenshot) note(SaveWindow(*setup.screenshot, width, height, why), why);
  if (recorder.Active()) note(recorder.Stop(why), why);
  note(live.WriteExitOutputs(why), why);
  if (!setup.savePreset.empty()) {
    note(WritePanelPreset(setup.savePreset, why), why);
  }
  if (!setup.dumpControls.empty()) note(WriteControlDump(why), why);
  if (failed.empty()) return true;
  error = failed;
  return false;
}

bool PreviewSession::WritePanelPreset(const std::string& path, std::string& error) const {
  nlohmann::ordered_json preset =
      nlohmann::ordered_json::parse(hostkit::PresetText(*setup.model, panel.Values(), panel.NeededValues()));
  for (const std::string& follows : sound.Settings()) {
    const size_t equals = follows.find('=');
    preset["parameters"][follows.substr(0, equals)] = follows.substr(equals + 1);
  }
  return hostkit::WriteWholeFile(path, preset.dump(2) + "\n", error);
}

bool PreviewSession::WriteControlDump(std::string& error) {
  int width = 0, height = 0;
  window.FramebufferSize(width, height);
  const PixelRect picture = PictureArea();
  nlohmann::ordered_json dump;
  dump["window"] = {{"width", width}, {"height", height}};
  dump["picture"] = {{"x", picture.x}, {"y", picture.y}, {"width", picture.width}, {"height", picture.height}};
  dump["frames"] = frames;
  dump["scale"] = ScaleName(setup.scale);
  dump["status"] = glfwGetTime() < messageUntil ? message : "";
  dump["preset"] = panel.PresetName();
  dump["presetFile"] = presetField;
  dump["command"] = CommandLine();
  if (const hostkit::PipeWireCamera* published = camera.Camera()) {
    const hostkit::CameraState state = published->State();
    dump["camera"] = {{"node", state.node}, {"format", hostkit::CameraLayoutName(state.layout)},
                      {"readBack", camera.FramesReadBack()}, {"sent", state.sent}, {"dropped", state.dropped}};
  }
  nlohmann::ordered_json lookNames = nlohmann::ordered_json::array();
  for (const auto& look : looks) lookNames.push_back(look.name);
  dump["looks"] = std::move(lookNames);
  nlohmann::ordered_json controls = nlohmann::ordered_json::array();
  const auto& shown = panel.Presentation();
  for (const auto& info : setup.model->Parameters()) {
    nlohmann::ordered_json control;
    control["index"] = info.index;
    control["name"] = info.name;
    control["shownName"] = panel.ShownName(info.index);
    control["visible"] = shown[info.index].visible;
    control["value"] = panel.Values()[info.index];
    const ControlRect& rect = panel.Rects()[info.index];
    if (rect.width > 0.0f) control["rect"] = {rect.x, rect.y, rect.width, rect.height};
    controls.push_back(std::move(control));
  }
  dump["controls"] = std::move(controls);
  if (live.Active()) live.Dump(dump, *setup.model);
  sound.Dump(dump);
  return hostkit::WriteWholeFile(setup.dumpControls, dump.dump(2) + "\n", error);
}

}  // namespace preview
