#pragma once
// The base of every plugin instance: the registry plus what the host pushes into an
// instance, and the 18 virtual operations through which plugMain reaches it.

#include <cstdint>
#include <string>

#include "host/ffgl_types.h"
#include "host/param_registry.h"

class CFFGLPlugin : public CFFGLPluginManager {
 public:
  explicit CFFGLPlugin(bool supportTopLeft);
  // Slot 0. Releases the host texts and the registry.
  ~CFFGLPlugin() override;

  // Slot 1. GL context current. Stores the viewport; FF_SUCCESS.
  virtual uint32_t SetupGL(const FFGLViewportStruct* viewport);
  // Slot 2. GL context current. FF_SUCCESS; may be repeated and follow a failed SetupGL.
  virtual uint32_t TeardownGL();
  // Slot 3. The value as "%f" in the shared 16-character display buffer, the text of text
  // and file parameters, or null without a record. Valid until the next display query.
  virtual const char* ParamDisplayText(uint32_t index);
  // Slot 4. Answers FF_FAIL in the base.
  virtual uint32_t SetParamValue(uint32_t index, float value);
  // Slot 5. Answers FF_FAIL in the base.
  virtual uint32_t SetParamText(uint32_t index, const char* text);
  // Slot 6. Answers 0.0 in the base.
  virtual float ParamValue(uint32_t index);
  // Slot 7. Answers the pointer-sized failure word in the base.
  virtual const char* ParamText(uint32_t index);
  // Slot 8. GL context current. Answers FF_FAIL in the base.
  virtual uint32_t RenderFrame(const ProcessOpenGLStruct& frame);
  // Slot 9. Stores the host time; FF_SUCCESS.
  virtual uint32_t SetHostTime(double seconds);
  // Slot 10.
  virtual void SetBeatInfo(float tempo, float phase);
  // Slot 11. Copies both texts (null reads as empty).
  virtual void SetHostInfo(const char* name, const char* version);
  // Slot 12.
  virtual void SetSampleRate(uint32_t rate);
  // Slot 13. 1 when the index is below maxInputs, else FF_FAIL.
  virtual uint32_t InputStatus(uint32_t inputIndex);
  // Slot 14. No short name: null.
  virtual const char* ShortName();
  // Slot 15. FF_SUCCESS.
  virtual uint32_t Connect();
  // Slot 16. FF_SUCCESS.
  virtual uint32_t Disconnect();
  // Slot 17. GL context current. Stores the viewport; FF_SUCCESS.
  virtual uint32_t ResizeViewport(const FFGLViewportStruct* viewport);

  bool connected = false;
  CFFGLPluginManager* ownerRegistry = nullptr;
  FFGLViewportStruct viewport{};
  float bpm = 120.0f;
  float barPhase = 0.0f;
  std::string hostName;
  std::string hostVersion;
  double hostTime = 0.0;
  uint32_t sampleRate = 0;
};

// The pointer-sized failure word that ParamText answers in the base.
const char* const kParamTextFailure = reinterpret_cast<const char*>(static_cast<uintptr_t>(FF_FAIL));

// The process-wide display buffer: 16 text bytes and a trailing byte that stays NUL.
constexpr size_t kDisplayTextBytes = 16;
