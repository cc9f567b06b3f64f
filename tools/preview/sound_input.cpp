#include "tools/preview/sound_input.h"

#include <imgui.h>

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/media/live_sound.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace preview {
namespace {

using hostkit::SoundFeature;

constexpr double kLearnSeconds = 3.0;
// A row's lowest and highest value before any is applied.
constexpr std::pair<float, float> kNoRange = {std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};

// The features learning may pick: the bar's phase moves steadily whatever the music does.
bool Learnable(SoundFeature feature) { return feature != SoundFeature::Bar; }

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

}  // namespace

SoundInput::SoundInput(const hostkit::ParameterModel& model, SoundSetup setupIn)
    : model(model), setup(std::move(setupIn)) {
  now.frames.resize(1);
  batch.reserve(model.Parameters().size());
  ranges.resize(setup.follow.size(), kNoRange);
}

SoundInput::~SoundInput() { capture.reset(); }  // its thread calls into the analyser

void SoundInput::Start(std::string& notes) {
  if (!setup.clip.frames.empty()) status = "sound: the input's own, analysed whole";
  if (!setup.playPath.empty()) {
    std::string where;
    const double loop = setup.clipFps > 0.0 ? static_cast<double>(setup.clipFrames) / setup.clipFps : 0.0;
    playback = ClipPlayback::Open(setup.playPath, loop, where);
    notes += playback ? "sound: the input's sound plays on " + where + "\n"
                      : "sound: the input's sound is not played (" + where + "); the preview plays on silently\n";
    if (playback) status += ", played aloud";
  }
  if (!setup.enabled) {
    if (!setup.follow.empty() && setup.clip.frames.empty()) {
      notes += "sound: " + setup.follow.front().name +
               " follows a feature of the sound, which the preview hears with --audio; without it, it holds its value "
               "for silence\n";
    }
    return;
  }
  capture = AudioCapture::Open(setup.capture, status);
  if (!capture) {
    status = "sound: " + status + "; playing without sound";
    notes += status + "\n";
    return;
  }
  analyser = std::make_unique<hostkit::LiveSoundAnalyser>(capture->SampleRate());
  std::string error;
  if (!capture->Start([this](const float* mono, size_t count, double captured) { Receive(mono, count, captured); },
                      error)) {
    capture.reset();
    status = "sound: " + error + "; playing without sound";
  } else {
    status = "sound: listening to " + status;
  }
  notes += status + "\n";
}

void SoundInput::Receive(const float* mono, size_t count, double captured) {
  analyser->Feed(mono, count);
  const hostkit::SoundFrame frame = analyser->Now();
  std::lock_guard<std::mutex> guard(lock);
  if (!pending) latest.oldest = captured;
  latest.frame = frame;
  ++latest.blocks;
  pending = true;
}

void SoundInput::BeforeFrame(ControlPanel& panel, hostkit::InstanceDriver& driver, bool newInstance,
                             int64_t inputFrame) {
  bool fresh = false;
  if (!capture && !setup.clip.frames.empty()) {
    const int64_t length = setup.clipFrames > 0 ? setup.clipFrames : static_cast<int64_t>(setup.clip.frames.size());
    now.frames[0] = setup.clip.At(static_cast<int>(inputFrame % length));
    drawnFrame = inputFrame % length;
    fresh = true;
    ++blocksTaken;
  } else {
    std::lock_guard<std::mutex> guard(lock);
    if (pending) {
      fresh = true;
      pending = false;
      now.frames[0] = latest.frame;
      blocksTaken = latest.blocks;
      shownOldest = latest.oldest;
    }
  }
  const hostkit::SoundFrame& heard = now.frames[0];
  if (fresh && learning.row >= 0) Learn(heard, hostkit::LiveClock());
  if ((fresh || dirty || newInstance) && !setup.follow.empty()) {
    dirty = false;
    batch.clear();
    for (size_t row = 0; row < setup.follow.size(); ++row) {
      const float value = setup.follow[row].At(0, 1, &now);
      auto& [low, high] = ranges[row];
      low = std::min(low, value);
      high = std::max(high, value);
      batch.push_back({setup.follow[row].index, value});
    }
    panel.Apply(batch);  // "Mode" first, by the mode rule
  }
  if (!Hears()) return;
  const int rate = capture ? capture->SampleRate() : setup.clip.sampleRate;
  if (newInstance) driver.SetSampleRate(static_cast<uint32_t>(rate));
  if (heard.tempo > 0.0f) driver.SetBeatInfo(heard.tempo, heard.Value(SoundFeature::Bar));  // from the first beat
}

void SoundInput::FrameShown(double seconds) {
  if (playback && drawnFrame >= 0) playback->Shown(static_cast<double>(drawnFrame) / setup.clipFps, seconds);
  drawnFrame = -1;
  if (shownOldest < 0.0) return;
  latency.Add((seconds - shownOldest) * 1000.0);
  shownOldest = -1.0;
}

void SoundInput::Learn(const hostkit::SoundFrame& frame, double clock) {
  if (learning.until == 0.0) {
    learning.until = clock + kLearnSeconds;
    learning.low = learning.high = frame.values;
  }
  for (size_t i = 0; i < frame.values.size(); ++i) {
    learning.low[i] = std::min(learning.low[i], frame.values[i]);
    learning.high[i] = std::max(learning.high[i], frame.values[i]);
  }
  if (clock < learning.until) return;
  int best = -1;
  for (int i = 0; i < hostkit::kSoundFeatureCount; ++i) {
    const auto feature = static_cast<SoundFeature>(i);
    const float moved = learning.high[i] - learning.low[i];
    if (Learnable(feature) && (best < 0 || moved > learning.high[best] - learning.low[best])) best = i;
  }
  if (learning.row < static_cast<int>(setup.follow.size())) {
    setup.follow[learning.row].feature = static_cast<SoundFeature>(best);
    dirty = true;
  }
  learning = Learning();
}

void SoundInput::UseFollow(std::vector<hostkit::ParameterTrack> rows) {
  setup.follow = std::move(rows);
  ranges.assign(setup.follow.size(), kNoRange);
  learning = Learning();
  dirty = true;
}

void SoundInput::Follow(uint32_t index) {
  const auto same = [index](const hostkit::ParameterTrack& track) { return track.index == index; };
  if (std::any_of(setup.follow.begin(), setup.follow.end(), same)) return;
  const hostkit::ParameterInfo& info = model.Parameters()[index];
  hostkit::ParameterTrack track;
  track.index = index;
  track.name = info.name;
  track.kind = hostkit::ParameterTrack::Kind::Sound;
  track.isSwitch = info.IsBoolean();
  track.from = info.minimum;
  track.to = info.maximum;
  setup.follow.push_back(std::move(track));
  ranges.push_back(kNoRange);
  dirty = true;
}

void SoundInput::Draw(const ControlPanel& panel) {
  if (!setup.enabled && setup.follow.empty()) return;
  if (!ImGui::CollapsingHeader("Sound", ImGuiTreeNodeFlags_DefaultOpen)) return;
  ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
  ImGui::TextWrapped("%s", status.empty() ? "sound: not listening (--audio listens)" : status.c_str());
  ImGui::PopStyleColor();
  if (capture && blocksTaken == 0) {
    // A source that is not there leaves the stream unlinked: say so rather than show still meters.
    ImGui::TextColored(ImVec4(1.0f, 0.6f, 0.2f, 1.0f), "nothing heard yet: is the source there? (pw-cli ls Node)");
  }
  // Two meters a line, each with its feature's name and value.
  const hostkit::SoundFrame& heard = now.frames[0];
  const float width = (ImGui::GetContentRegionAvail().x - ImGui::GetStyle().ItemSpacing.x) * 0.5f;
  for (int i = 0; i < hostkit::kSoundFeatureCount; ++i) {
    const auto feature = static_cast<SoundFeature>(i);
    char label[48];
    std::snprintf(label, sizeof label, "%s %.2f", hostkit::SoundFeatureName(feature),
                  static_cast<double>(heard.Value(feature)));
    if (i % 2 == 1) ImGui::SameLine();
    ImGui::ProgressBar(std::clamp(heard.Value(feature), 0.0f, 1.0f), ImVec2(width, ImGui::GetTextLineHeight()), label);
  }
  ImGui::SameLine();
  ImGui::Text("%.1f BPM", static_cast<double>(heard.tempo));
  DrawFollow(panel);
  ImGui::Separator();
}

void SoundInput::DrawFollow(const ControlPanel& panel) {
  for (size_t row = 0; row < setup.follow.size(); ++row) {
    hostkit::ParameterTrack& track = setup.follow[row];
    ImGui::PushID(static_cast<int>(row));
    if (ImGui::SmallButton("x")) {
      // The control keeps the value it has.
      setup.follow.erase(setup.follow.begin() + static_cast<std::ptrdiff_t>(row));
      ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(row));
      if (learning.row == static_cast<int>(row)) learning = Learning();
      ImGui::PopID();
      break;
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Stop following the sound");
    ImGui::SameLine();
    ImGui::TextUnformatted(panel.ShownName(track.index).c_str());
    ImGui::SameLine();
    ImGui::SetNextItemWidth(64.0f);
    if (ImGui::BeginCombo("##feature", hostkit::SoundFeatureName(track.feature))) {
      for (int i = 0; i < hostkit::kSoundFeatureCount; ++i) {
        const auto feature = static_cast<SoundFeature>(i);
        if (ImGui::Selectable(hostkit::SoundFeatureName(feature), feature == track.feature)) {
          track.feature = feature;
          dirty = true;
        }
      }
      ImGui::EndCombo();
    }
    ImGui::SameLine();
    ImGui::SetNextItemWidth(100.0f);
    const hostkit::ParameterInfo& info = model.Parameters()[track.index];
    float range[2] = {track.from, track.to};
    if (ImGui::DragFloat2("##range", range, (info.maximum - info.minimum) / 200.0f, info.minimum, info.maximum, "%.2f")) {
      track.from = range[0];
      track.to = range[1];
      dirty = true;
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("The value at the feature's 0 and at its 1");
    ImGui::SameLine();
    const bool learningThis = learning.row == static_cast<int>(row);
    if (ImGui::SmallButton(learningThis ? "..." : "learn")) learning = learningThis ? Learning() : Learning{static_cast<int>(row)};
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Follow the feature that moves most in the next 3 seconds");
    ImGui::PopID();
  }
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
  if (ImGui::BeginCombo("##follow", "make a control follow the sound...")) {
    for (const auto& info : model.Parameters()) {
      if (!info.IsText() && ImGui::Selectable(panel.ShownName(info.index).c_str())) Follow(info.index);
    }
    ImGui::EndCombo();
  }
}

void SoundInput::Dump(nlohmann::ordered_json& dump) const {
  nlohmann::ordered_json sound;
  sound["listening"] = capture != nullptr;
  sound["status"] = status;
  sound["blocks"] = blocksTaken;
  const hostkit::SoundFrame& heard = now.frames[0];
  nlohmann::ordered_json features;
  for (int i = 0; i < hostkit::kSoundFeatureCount; ++i) {
    const auto feature = static_cast<SoundFeature>(i);
    features[hostkit::SoundFeatureName(feature)] = heard.Value(feature);
  }
  sound["features"] = std::move(features);
  sound["tempo"] = heard.tempo;
  nlohmann::ordered_json follow = nlohmann::ordered_json::array();
  for (size_t index = 0; index < setup.follow.size(); ++index) {
    const hostkit::ParameterTrack& track = setup.follow[index];
    nlohmann::ordered_json row{{"parameter", track.name},
                               {"feature", hostkit::SoundFeatureName(track.feature)},
                               {"from", track.from},
                               {"to", track.to}};
    const auto [low, high] = ranges[index];
    if (low <= high) {
      row["lowest"] = low;
      row["highest"] = high;
    }
    follow.push_back(std::move(row));
  }
  sound["follow"] = std::move(follow);
  dump["sound"] = std::move(sound);
}

void SoundInput::PrintStats(std::FILE* out) const {
  if (!setup.enabled) return;
  std::fprintf(out, "stats: %llu blocks of sound; from capture to the first frame shown with it: %s (%llu frames)\n",
               static_cast<unsigned long long>(blocksTaken), latency.Summary().c_str(),
               static_cast<unsigned long long>(latency.Count()));
}

std::vector<std::string> SoundInput::Settings() const {
  std::vector<std::string> settings;
  for (const auto& track : setup.follow) {
    settings.push_back(track.name + "=" + hostkit::SoundFeatureName(track.feature) + ":" + Number(track.from) + ".." +
                       Number(track.to));
  }
  return settings;
}

}  // namespace preview
