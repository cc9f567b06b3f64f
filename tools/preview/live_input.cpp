#include "tools/preview/live_input.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace preview {
namespace {

using hostkit::LiveEvent;
using hostkit::OscRefusal;

constexpr size_t kDatagramMax = 65536;
constexpr int kPollMs = 100;  // how soon the listening thread notices the end

}  // namespace

LiveInput::LiveInput(const hostkit::ParameterModel& model, LiveSetup setupIn)
    : model(model),
      setup(std::move(setupIn)),
      router(model),
      queue(model.Parameters().size()),
      presets(model, setup.presetDir),
      midiMap(model),
      latest(model.Parameters().size()),
      touched(model.Parameters().size()),
      waiting(queue.Capacity()) {
  taken.reserve(queue.Capacity());
  batch.reserve(model.Parameters().size());
  std::snprintf(mapField, sizeof mapField, "%s", setup.midiMap.empty() ? "swirlmoss-midi.json" : setup.midiMap.c_str());
}

LiveInput::~LiveInput() {
  midi.reset();  // its callbacks push into the queue
  stopping = true;
  if (oscThread.joinable()) oscThread.join();
}

bool LiveInput::Start(std::string& notes, std::string& error) {
  // Before the first message can ask for one.
  if ((setup.oscPort >= 0 || !setup.presetDir.empty()) &&
      !presets.Start(
          [this](uint32_t id) {
            LiveEvent event;
            event.kind = LiveEvent::Kind::Preset;
            event.index = id;
            event.arrival = hostkit::LiveClock();
            if (queue.Push(event)) return;
            presets.Release(id);
            Count(OscRefusal::QueueFull, "more changes than the preview takes between two frames; dropped");
          },
          [this](const std::string& why) { Count(OscRefusal::OutOfRange, why); }, error)) {
    return false;
  }
  if (setup.oscPort >= 0) {
    osc = std::make_unique<hostkit::UdpReceiver>();
    if (!osc->Bind(setup.oscBind, setup.oscPort, error)) {
      error = "--osc: " + error;
      osc.reset();
      return false;
    }
    notes += "OSC: listening on UDP " + setup.oscBind + " port " + std::to_string(osc->Port()) +
             " (swirlmoss preview --list-osc lists the addresses)\n";
    oscThread = std::thread([this] { ListenOsc(); });
  }
  if (setup.midi) {
    std::error_code missing;
    if (!setup.midiMap.empty() && std::filesystem::exists(setup.midiMap, missing) && !midiMap.Load(setup.midiMap, error)) {
      error = "--midi-map: " + error;
      return false;
    }
    midi = std::make_unique<MidiInput>();
    std::string note;
    if (!midi->Open(setup.midiApi, setup.midiPort,
                    [this](const LiveEvent& event) {
                      ++midiReceived;
                      if (!queue.Push(event)) ++refused[static_cast<size_t>(OscRefusal::QueueFull)];
                    },
                    note)) {
      midi.reset();
    }
    midiStatus = note;
    notes += note + "\n";
  }
  return true;
}

void LiveInput::Learn(uint32_t index) {
  uint32_t learning = 0;
  if (midiMap.Learning(learning) && learning == index) {
    midiMap.StopLearning();
  } else {
    midiMap.Learn(index);
  }
}

bool LiveInput::WriteExitOutputs(std::string& error) {
  if (setup.midiMap.empty() || !midiMap.Changed()) return true;
  if (midiMap.Save(setup.midiMap, error)) return true;
  error = "--midi-map: " + error;
  return false;
}

void LiveInput::KeepMap() {
  if (setup.midiMap.empty() || !midiMap.Changed() || mapWriteFailed) return;
  std::string error;
  if (midiMap.Save(setup.midiMap, error)) return;
  mapWriteFailed = true;
  midiStatus = "--midi-map: " + error;
}

void LiveInput::ListenOsc() {
  std::vector<uint8_t> buffer(kDatagramMax);
  while (!stopping) {
    bool truncated = false;
    const long size = osc->Receive(buffer.data(), buffer.size(), kPollMs, truncated);
    if (size < 0) {
      Refuse(OscRefusal::Malformed, "the OSC socket failed; nothing more is received");
      return;
    }
    if (size == 0) continue;
    const double arrival = hostkit::LiveClock();
    if (truncated) {
      Refuse(OscRefusal::Malformed, "a packet longer than 64 KiB");
      continue;
    }
    HandleOscPacket(buffer.data(), static_cast<size_t>(size), router, arrival, *this);
  }
}

void LiveInput::Accept(const LiveEvent& event) {
  ++received;
  LiveEvent taken = event;
  if (event.kind == LiveEvent::Kind::Preset) {
    // A look goes in by its index, read at the start; a file is read on the shelf's thread,
    // which queues it when it is ready.
    std::string why;
    if (!presets.Find(event.preset, taken.index, why)) return Count(OscRefusal::OutOfRange, "/swirlmoss/preset: " + why);
    if (taken.index >= PresetShelf::kFileId) return;
  }
  if (!queue.Push(taken)) Count(OscRefusal::QueueFull, "more changes than the preview takes between two frames; dropped");
}

void LiveInput::Refuse(OscRefusal refusal, const std::string& why) {
  ++received;
  Count(refusal, why);
}

void LiveInput::Count(OscRefusal refusal, const std::string& why) {
  ++refused[static_cast<size_t>(refusal)];
  std::lock_guard<std::mutex> guard(refusalLock);
  std::snprintf(lastRefusal, sizeof lastRefusal, "%s: %s", hostkit::RefusalName(refusal), why.c_str());
}

void LiveInput::Flush(ControlPanel& panel, int frame) {
  anyTouched = false;
  batch.clear();
  for (uint32_t index = 0; index < touched.size(); ++index) {
    if (!touched[index]) continue;
    touched[index] = 0;
    batch.push_back({index, latest[index]});
    if (latest[index] != panel.Values()[index]) applied[appliedCount++ % kAppliedKept] = {frame, index, latest[index]};
  }
  if (!batch.empty()) panel.Apply(batch);  // "Mode" first, by the mode rule
}

void LiveInput::Apply(ControlPanel& panel, int frame, const PresetApplier& applyPreset) {
  queue.TakeAll(taken);
  if (taken.empty()) return;
  for (const LiveEvent& event : taken) {
    if (event.kind == LiveEvent::Kind::Preset) {
      // A preset lays every value over its mode's start: what came before it goes in first.
      Flush(panel, frame);
      const PresetShelf::Preset& preset = presets.Get(event.index);
      applyPreset(preset.name, preset.changes);
      presets.Release(event.index);
    } else if (event.kind == LiveEvent::Kind::Set && event.index < latest.size()) {
      // Between two frames only the last value of each parameter can show.
      latest[event.index] = event.value;
      touched[event.index] = anyTouched = 1;
    } else if (event.kind == LiveEvent::Kind::Midi) {
      // A note toggles or steps from the value now: what came before it goes in first.
      if (anyTouched) Flush(panel, frame);
      uint32_t index = 0;
      float value = 0.0f;
      const bool handled = midiMap.Handle(event.midi.data(), event.midiSize, panel.Values(), index, value);
      KeepMap();  // a control learned is kept at once
      if (!handled) continue;
      latest[index] = value;
      touched[index] = anyTouched = 1;
    }
    if (waitingCount < waiting.size()) waiting[waitingCount++] = event.arrival;
  }
  Flush(panel, frame);
}

void LiveInput::FrameStarted(double seconds) {
  if (framesStarted == 1) firstFrame = seconds;
  // The gap after the first frame holds the shader's compile: no measure of the pace.
  if (framesStarted >= 2) gaps.Add((seconds - lastFrame) * 1000.0);
  lastFrame = seconds;
  ++framesStarted;
}

void LiveInput::FrameShown(double seconds) {
  for (size_t i = 0; i < waitingCount; ++i) latency.Add((seconds - waiting[i]) * 1000.0);
  waitingCount = 0;
}

void LiveInput::Draw(const ControlPanel& panel) {
  if (!Active()) return;
  if (!ImGui::CollapsingHeader("Live control", ImGuiTreeNodeFlags_DefaultOpen)) return;
  const auto quiet = [](const char* format, auto... values) {
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped(format, values...);
    ImGui::PopStyleColor();
  };
  uint64_t refusedAll = 0;
  for (const auto& count : refused) refusedAll += count;
  if (osc) {
    ImGui::TextWrapped("OSC on %s port %d: %llu messages, %llu refused", setup.oscBind.c_str(), osc->Port(),
                       static_cast<unsigned long long>(received.load()), static_cast<unsigned long long>(refusedAll));
  }
  const uint64_t superseded = queue.Superseded();
  if (superseded > 0) quiet("superseded before a frame took them: %llu", static_cast<unsigned long long>(superseded));
  if (refusedAll > 0) {
    quiet("unknown address %llu, wrong type %llu, out of range %llu, malformed %llu, dropped %llu",
          static_cast<unsigned long long>(refused[1].load()), static_cast<unsigned long long>(refused[2].load()),
          static_cast<unsigned long long>(refused[3].load()), static_cast<unsigned long long>(refused[4].load()),
          static_cast<unsigned long long>(refused[5].load()));
    {
      std::lock_guard<std::mutex> guard(refusalLock);
      std::memcpy(shownRefusal, lastRefusal, sizeof shownRefusal);
    }
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.6f, 0.2f, 1.0f));
    ImGui::TextWrapped("last refused: %s", shownRefusal);
    ImGui::PopStyleColor();
  }
  if (appliedCount > 0) {
    const Applied& last = applied[(appliedCount - 1) % kAppliedKept];
    quiet("last change: %s = %g at frame %d", panel.ShownName(last.index).c_str(), static_cast<double>(last.value),
          last.frame);
  }
  if (setup.stats && latency.Count() > 0) {
    quiet("arrival to screen: median %.1f ms, 95%% %.1f ms", latency.Percentile(0.5), latency.Percentile(0.95));
  }
  if (setup.midi) DrawMidi(panel);
  ImGui::Separator();
}

void LiveInput::DrawMidi(const ControlPanel& panel) {
  ImGui::TextWrapped("%s", midiStatus.c_str());
  uint32_t learning = 0;
  if (midiMap.Learning(learning)) {
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.4f, 0.8f, 1.0f, 1.0f));
    ImGui::TextWrapped("MIDI learn: move a control for %s", panel.ShownName(learning).c_str());
    ImGui::PopStyleColor();
    ImGui::SameLine();
    if (ImGui::SmallButton("Stop")) midiMap.StopLearning();
  } else {
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped("MIDI learn: right-click a control, then move a knob");
    ImGui::PopStyleColor();
  }
  const auto& bindings = midiMap.Bindings();
  for (size_t i = 0; i < bindings.size(); ++i) {
    ImGui::PushID(static_cast<int>(i));
    if (ImGui::SmallButton("x")) {
      midiMap.Remove(i);
      KeepMap();
      ImGui::PopID();
      break;
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Remove this binding");
    ImGui::SameLine();
    ImGui::Text("%s: %s", hostkit::ControlText(bindings[i].control).c_str(), panel.ShownName(bindings[i].index).c_str());
    ImGui::PopID();
  }
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
  ImGui::InputText("##midimap", mapField, sizeof mapField);
  std::string error;
  if (ImGui::Button("Save MIDI map")) midiStatus = midiMap.Save(mapField, error) ? std::string("saved ") + mapField : error;
  ImGui::SameLine();
  if (ImGui::Button("Load MIDI map")) midiStatus = midiMap.Load(mapField, error) ? std::string("loaded ") + mapField : error;
}

void LiveInput::Dump(nlohmann::ordered_json& dump, const hostkit::ParameterModel& parameters) const {
  nlohmann::ordered_json live;
  live["received"] = received.load();
  nlohmann::ordered_json counts;
  for (size_t kind = 1; kind < hostkit::kOscRefusalKinds; ++kind) {
    counts[hostkit::RefusalName(static_cast<OscRefusal>(kind))] = refused[kind].load();
  }
  live["refused"] = std::move(counts);
  live["superseded"] = queue.Superseded();
  {
    std::lock_guard<std::mutex> guard(refusalLock);
    live["lastRefused"] = lastRefusal;
  }
  nlohmann::ordered_json changes = nlohmann::ordered_json::array();
  const uint64_t first = appliedCount > kAppliedKept ? appliedCount - kAppliedKept : 0;
  for (uint64_t i = first; i < appliedCount; ++i) {
    const Applied& change = applied[i % kAppliedKept];
    changes.push_back({{"frame", change.frame}, {"parameter", parameters.Parameters()[change.index].name}, {"value", change.value}});
  }
  live["changes"] = std::move(changes);
  if (setup.midi) {
    nlohmann::ordered_json bindings = nlohmann::ordered_json::array();
    for (const auto& binding : midiMap.Bindings()) {
      bindings.push_back({{"control", hostkit::ControlText(binding.control)},
                          {"parameter", parameters.Parameters()[binding.index].name}});
    }
    uint32_t learning = 0;
    live["midi"] = {{"open", midi != nullptr},
                    {"received", midiReceived.load()},
                    {"learning", midiMap.Learning(learning) ? parameters.Parameters()[learning].name : ""},
                    {"bindings", std::move(bindings)}};
  }
  dump["live"] = std::move(live);
}

void LiveInput::PrintStats(std::FILE* out, double fps) const {
  const double seconds = lastFrame > firstFrame ? lastFrame - firstFrame : 0.0;
  // From the second frame on: the first holds the shader's compile.
  const double pace = framesStarted > 2 && seconds > 0.0 ? (framesStarted - 2) / seconds : 0.0;
  std::fprintf(out, "stats: %d frames at %.2f fps (--fps %g); time between frames: mean %.1f ms, %s\n", framesStarted,
               pace, fps, gaps.Mean(), gaps.Summary().c_str());
  uint64_t refusedAll = 0;
  for (const auto& count : refused) refusedAll += count;
  std::fprintf(out,
               "stats: %llu OSC messages, %llu refused, %llu MIDI messages; from arrival to the first frame shown with "
               "the value: %s (%llu changes; %llu superseded before a frame)\n",
               static_cast<unsigned long long>(received.load()), static_cast<unsigned long long>(refusedAll),
               static_cast<unsigned long long>(midiReceived.load()), latency.Summary().c_str(),
               static_cast<unsigned long long>(latency.Count()),
               static_cast<unsigned long long>(queue.Superseded()));
}

}  // namespace preview
