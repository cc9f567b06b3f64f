#include "host/plugin_base.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
// Shared by every instance: the text answered by the last display query.
char displayBuffer[kDisplayTextBytes + 1] = {};
}  // namespace

CFFGLPlugin::CFFGLPlugin(bool supportTopLeft) {
  topLeftSupported = supportTopLeft;
  timeSupported = true;
  topLeftEnabled = 0;
  minInputs = 0;
  maxInputs = 0;
}

CFFGLPlugin::~CFFGLPlugin() = default;

uint32_t CFFGLPlugin::SetupGL(const FFGLViewportStruct* newViewport) {
  if (newViewport) viewport = *newViewport;
  return FF_SUCCESS;
}

uint32_t CFFGLPlugin::TeardownGL() { return FF_SUCCESS; }

const char* CFFGLPlugin::ParamDisplayText(uint32_t index) {
  // The owner is the instance itself once the host has created it; an instance that was
  // never handed an owner (the prototype, a unit under test) speaks for itself.
  CFFGLPluginManager* registry = ownerRegistry ? ownerRegistry : this;
  CFFGLPlugin* owner = static_cast<CFFGLPlugin*>(registry);
  const ParamRecord* record = registry->FindParam(index);
  if (!record) return nullptr;
  if (record->type == FF_TYPE_TEXT || record->type == FF_TYPE_FILE) return owner->ParamText(index);

  // "%f" of a large value runs to 40-odd characters; format into room for the longest
  // double and keep the first 16 characters.
  char formatted[400];
  const int length = std::snprintf(formatted, sizeof formatted, "%f", static_cast<double>(owner->ParamValue(index)));
  const size_t copied = length < 0 ? 0 : std::min(static_cast<size_t>(length), kDisplayTextBytes);
  std::memset(displayBuffer, 0, sizeof displayBuffer);
  std::memcpy(displayBuffer, formatted, copied);
  return displayBuffer;
}

uint32_t CFFGLPlugin::SetParamValue(uint32_t, float) { return FF_FAIL; }

uint32_t CFFGLPlugin::SetParamText(uint32_t, const char*) { return FF_FAIL; }

float CFFGLPlugin::ParamValue(uint32_t) { return 0.0f; }

const char* CFFGLPlugin::ParamText(uint32_t) { return kParamTextFailure; }

uint32_t CFFGLPlugin::RenderFrame(const ProcessOpenGLStruct&) { return FF_FAIL; }

uint32_t CFFGLPlugin::SetHostTime(double seconds) {
  hostTime = seconds;
  return FF_SUCCESS;
}

void CFFGLPlugin::SetBeatInfo(float tempo, float phase) {
  bpm = tempo;
  barPhase = phase;
}

void CFFGLPlugin::SetHostInfo(const char* name, const char* version) {
  hostName = name ? name : "";
  hostVersion = version ? version : "";
}

void CFFGLPlugin::SetSampleRate(uint32_t rate) { sampleRate = rate; }

uint32_t CFFGLPlugin::InputStatus(uint32_t inputIndex) {
  // A negative maximum admits no input.
  return maxInputs > 0 && inputIndex < static_cast<uint32_t>(maxInputs) ? 1u : FF_FAIL;
}

const char* CFFGLPlugin::ShortName() { return nullptr; }

uint32_t CFFGLPlugin::Connect() { return FF_SUCCESS; }

uint32_t CFFGLPlugin::Disconnect() { return FF_SUCCESS; }

uint32_t CFFGLPlugin::ResizeViewport(const FFGLViewportStruct* newViewport) {
  if (newViewport) viewport = *newViewport;
  return FF_SUCCESS;
}
