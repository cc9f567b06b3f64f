#pragma once
// The parameter registry every plugin instance carries: declared parameters with their
// names, types, defaults, ranges, option elements, visibility, display names and the
// events that are pending for the host. Current values live in the effect, not here.

#include <cstdint>
#include <string>
#include <vector>

#include "host/ffgl_types.h"

struct ParamElement {
  std::string name;
  float value = 0.0f;
};

struct ParamRecord {
  uint32_t index = 0;
  std::string name;
  std::string displayName;
  uint32_t type = FF_TYPE_STANDARD;
  std::vector<ParamElement> elements;
  std::vector<uint32_t> separators;
  uint32_t usage = 0;
  bool visible = true;
  float minValue = 0.0f;
  float maxValue = 1.0f;
  float defaultValue = 0.0f;
  std::string defaultText;
  std::vector<std::string> fileExtensions;
  uint64_t pendingEvents = 0;
  std::string group;
};

class CFFGLPluginManager {
 public:
  CFFGLPluginManager() = default;
  virtual ~CFFGLPluginManager() = default;
  CFFGLPluginManager(const CFFGLPluginManager&) = delete;
  CFFGLPluginManager& operator=(const CFFGLPluginManager&) = delete;

  // --- declaration and update (a lookup that finds no record does nothing) ---
  // Type 10 defaults are clamped to 0..1; other types keep the given default.
  void RegisterParam(uint32_t index, const char* name, uint32_t type, float defaultValue);
  void RegisterOptionParam(uint32_t index, const char* name, uint32_t elementCount, float defaultValue);
  // Ignored when the position is not below the element count.
  void RegisterOptionElement(uint32_t index, uint32_t position, const char* name, float value);
  void RegisterBoolParam(uint32_t index, const char* name, uint32_t type, bool defaultValue);
  void SetParamLimits(uint32_t index, float minValue, float maxValue);
  // With notify, a real change raises the visibility event.
  void SetParamVisible(uint32_t index, bool visible, bool notify);
  // Takes the text over; with notify, a text differing in length or any byte raises the
  // display-name event.
  void SetParamLabel(uint32_t index, std::string displayName, bool notify);
  void RaiseParamEvent(uint32_t index, uint64_t eventBits);
  void SetMinInputs(int32_t count) { minInputs = count; }
  void SetMaxInputs(int32_t count) { maxInputs = count; }

  // --- queries ---
  // The first record declared with this index, or null.
  const ParamRecord* FindParam(uint32_t index) const;
  ParamRecord* FindParam(uint32_t index);
  uint32_t NumParams() const { return static_cast<uint32_t>(params.size()); }
  // The record's type, or FF_FAIL (reads as -1) without a record.
  uint32_t ParamType(uint32_t index) const;
  const std::vector<ParamRecord>& Params() const { return params; }

  // Code 46: with a null array only counts; otherwise delivers up to `numEvents` records
  // in declaration order, clearing exactly those. Always FF_SUCCESS.
  uint32_t DeliverEvents(GetParamEventsStruct& query);

  // Codes 50 and 51: copies min(length, size) bytes, no terminator added.
  static void CopyToHostBuffer(const std::string& text, char* buffer, uint32_t size);

  int32_t minInputs = 0;
  int32_t maxInputs = 0;
  bool timeSupported = false;
  bool topLeftSupported = false;
  uint32_t topLeftEnabled = 0;

 private:
  ParamRecord& Append(uint32_t index, const char* name, uint32_t type, float defaultValue);
  std::vector<ParamRecord> params;
};
