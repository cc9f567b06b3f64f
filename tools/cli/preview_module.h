#pragma once
// `swirlmoss preview` in two halves. The program parses the options itself (so `preview --help`,
// the manual and the completion need nothing more), and the window runs in the preview module,
// swirlmoss-preview.so: the window, its live input and sound and the PipeWire camera, with GLFW, liblo,
// RtMidi (ALSA, JACK) and PipeWire, which nothing else of the program needs and which the
// swirlmoss-preview package brings. The module lies beside the program in the build folder and
// in PREFIX/lib/swirlmoss/ installed.

#include <string>

#include "tools/hostkit/params/render_settings.h"

namespace swirlcli {

struct PreviewOptions {
  std::string plugin;
  hostkit::RenderSettings settings;
  std::string scale;  // empty: half on a software renderer, full on a GPU
  std::string savePreset;
  int exitAfter = 0;
  std::string screenshot;
  std::string dumpControls;
  std::string uiScript;
  int oscPort = -1;
  std::string oscBind = "127.0.0.1";
  bool listOsc = false;
  bool midi = false;
  std::string midiPort;
  std::string midiApi = "auto";
  std::string midiMap;
  std::string presetDir;
  bool stats = false;
  bool camera = false;
  bool audio = false;
  std::string audioSource;  // implies audio
  std::string audioApi = "auto";
  bool mute = false;  // the input clip's sound is not played aloud
};

constexpr const char* kPreviewModuleFile = "swirlmoss-preview.so";
constexpr const char* kPreviewPackage = "swirlmoss-preview";

// The module's one entry: runs the preview and answers the process's exit code. It reads the
// options only when `programVersion` is its own (the same build made both halves); otherwise
// it says so in one line and answers a failure.
constexpr const char* kPreviewEntryName = "swirlmoss_preview_run";

}  // namespace swirlcli

extern "C" int swirlmoss_preview_run(const char* programVersion, const swirlcli::PreviewOptions* options);
