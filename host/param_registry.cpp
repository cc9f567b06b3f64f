#include "host/param_registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

ParamRecord& CFFGLPluginManager::Append(uint32_t index, const char* name, uint32_t type, float defaultValue) {
  ParamRecord record;
  record.index = index;
  record.name = name ? name : "";
  record.type = type;
  record.defaultValue = defaultValue;
  params.push_back(std::move(record));
  return params.back();
}

void CFFGLPluginManager::RegisterParam(uint32_t index, const char* name, uint32_t type, float defaultValue) {
  // Standard parameters span 0..1, so their default is held to that span; NaN stays NaN.
  if (type == FF_TYPE_STANDARD) defaultValue = std::min(std::max(defaultValue, 0.0f), 1.0f);
  Append(index, name, type, defaultValue).elements.resize(1);
}

void CFFGLPluginManager::RegisterOptionParam(uint32_t index, const char* name, uint32_t elementCount,
                                             float defaultValue) {
  Append(index, name, FF_TYPE_OPTION, defaultValue).elements.resize(elementCount);
}

void CFFGLPluginManager::RegisterOptionElement(uint32_t index, uint32_t position, const char* name,
                                               float value) {
  ParamRecord* record = FindParam(index);
  if (!record || position >= record->elements.size()) return;
  record->elements[position].name = name ? name : "";
  record->elements[position].value = value;
}

void CFFGLPluginManager::RegisterBoolParam(uint32_t index, const char* name, uint32_t type, bool defaultValue) {
  Append(index, name, type, defaultValue ? 1.0f : 0.0f);
}

void CFFGLPluginManager::SetParamLimits(uint32_t index, float minValue, float maxValue) {
  if (ParamRecord* record = FindParam(index)) {
    record->minValue = minValue;
    record->maxValue = maxValue;
  }
}

void CFFGLPluginManager::SetParamVisible(uint32_t index, bool visible, bool notify) {
  ParamRecord* record = FindParam(index);
  if (!record) return;
  const bool changed = record->visible != visible;
  record->visible = visible;
  if (notify && changed) record->pendingEvents |= FF_EVENT_FLAG_VISIBILITY;
}

void CFFGLPluginManager::SetParamLabel(uint32_t index, std::string displayName, bool notify) {
  ParamRecord* record = FindParam(index);
  if (!record) return;
  // Equal labels are the steady state of every frame: no event, and the move below
  // reuses the existing storage so nothing is allocated.
  if (record->displayName == displayName) return;
  record->displayName = std::move(displayName);
  if (notify) record->pendingEvents |= FF_EVENT_FLAG_DISPLAY_NAME;
}

void CFFGLPluginManager::RaiseParamEvent(uint32_t index, uint64_t eventBits) {
  if (ParamRecord* record = FindParam(index)) record->pendingEvents |= eventBits;
}

const ParamRecord* CFFGLPluginManager::FindParam(uint32_t index) const {
  for (const ParamRecord& record : params)
    if (record.index == index) return &record;
  return nullptr;
}

ParamRecord* CFFGLPluginManager::FindParam(uint32_t index) {
  return const_cast<ParamRecord*>(static_cast<const CFFGLPluginManager*>(this)->FindParam(index));
}

uint32_t CFFGLPluginManager::ParamType(uint32_t index) const {
  const ParamRecord* record = FindParam(index);
  return record ? record->type : FF_FAIL;
}

uint32_t CFFGLPluginManager::DeliverEvents(GetParamEventsStruct& query) {
  if (!query.events) {
    query.numEvents = static_cast<uint32_t>(
        std::count_if(params.begin(), params.end(), [](const ParamRecord& r) { return r.pendingEvents != 0; }));
    return FF_SUCCESS;
  }
  const uint32_t capacity = query.numEvents;
  uint32_t written = 0;
  for (ParamRecord& record : params) {
    if (written >= capacity) break;
    if (record.pendingEvents == 0) continue;
    // Only the two fields are written: the four padding bytes of the entry stay as the host left them.
    ParamEventStruct& entry = query.events[written++];
    entry.ParameterNumber = record.index;
    entry.eventFlags = record.pendingEvents;
    record.pendingEvents = 0;
  }
  query.numEvents = written;
  return FF_SUCCESS;
}

void CFFGLPluginManager::CopyToHostBuffer(const std::string& text, char* buffer, uint32_t size) {
  if (!buffer) return;
  std::memcpy(buffer, text.data(), std::min<size_t>(text.size(), size));
}
