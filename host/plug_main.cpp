// The host boundary. Every request of the host enters here as a function code, an input
// word and an instance handle, and Dispatch hands the code to the group that answers it:
// process state, the prototype's static parameter answers, the instance or else the
// prototype, and, past the null-handle check, the live instance. Each case decodes the word
// or record, calls one operation and packs its answer. Nothing thrown below crosses the
// boundary: a catch-all turns it into the code's failure word.

#include "host/plug_main.h"

#include <cstring>

#include "host/instance_lifecycle.h"
#include "host/log_channel.h"
#include "host/plugin_base.h"
#include "host/plugin_info.h"

namespace {

FFMixed FromUInt(uint32_t value) {
  const uint64_t word = value;
  FFMixed mixed;
  std::memcpy(&mixed, &word, sizeof mixed);
  return mixed;
}

FFMixed FromFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return FromUInt(bits);
}

FFMixed FromPointer(const void* pointer) {
  FFMixed mixed;
  mixed.PointerValue = const_cast<void*>(pointer);
  return mixed;
}

uint32_t LowHalf(FFMixed input) {
  uint64_t word;
  std::memcpy(&word, &input, sizeof word);
  return static_cast<uint32_t>(word);
}

float LowHalfFloat(FFMixed input) {
  const uint32_t bits = LowHalf(input);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

template <typename Record>
Record* RecordOf(FFMixed input) {
  return static_cast<Record*>(input.PointerValue);
}

bool IsTextType(uint32_t type) { return type == FF_TYPE_TEXT || type == FF_TYPE_FILE; }

// The failure answer of each code: a null pointer for codes that answer a text, the
// pointer-sized failure word for codes 7 and 18, 0 for code 47, FF_FAIL otherwise.
FFMixed FailureWord(uint32_t code) {
  switch (code) {
    case FF_GET_PARAMETER_NAME:
    case FF_GET_PLUGIN_SHORT_NAME:
    case FF_GET_PARAMETER_ELEMENT_NAME:
    case FF_GET_FILE_PARAMETER_EXTENSION:
      return FromPointer(nullptr);
    case FF_GET_NUM_ELEMENT_SEPARATORS:
      return FromUInt(0);
    default:
      return FromUInt(FF_FAIL);
  }
}

// The prototype, created on first need; null when it cannot be made.
CFFGLPlugin* PrototypeOrNull() { return EnsurePrototype() == FF_SUCCESS ? Prototype() : nullptr; }

// Codes that read the addressed instance when a handle is given, else the prototype.
CFFGLPlugin* InstanceOrPrototype(FFInstanceID instanceID) {
  return instanceID ? static_cast<CFFGLPlugin*>(instanceID) : PrototypeOrNull();
}

const ParamElement* FindElement(const CFFGLPlugin* plugin, uint32_t index, uint32_t position) {
  const ParamRecord* record = plugin ? plugin->FindParam(index) : nullptr;
  if (!record || position >= record->elements.size()) return nullptr;
  return &record->elements[position];
}

// Codes answered from process state: the plugin information, the prototype's life, the
// capabilities, the thumbnail and making an instance. The handle is ignored.
FFMixed ProcessCode(uint32_t code, FFMixed input) {
  switch (code) {
    case FF_GET_INFO: {
      PluginInfoBlock* info = RegisteredPluginInfo();
      return FromPointer(info ? &info->info : nullptr);
    }
    case FF_GET_EXTENDED_INFO: {
      PluginInfoBlock* info = RegisteredPluginInfo();
      return FromPointer(info ? &info->extendedInfo : nullptr);
    }
    case FF_DEINITIALISE:
      if (!RegisteredPluginInfo()) return FailureWord(code);
      DestroyPrototype();
      return FromUInt(FF_SUCCESS);
    case FF_INITIALISE_V2:
      return FromUInt(EnsurePrototype());
    case FF_GET_PLUGIN_CAPS:
      return FromUInt(CapabilityAnswer(LowHalf(input)));
    case FF_GET_THUMBNAIL: {
      auto* query = RecordOf<GetThumbnailStruct>(input);
      if (query) query->width = query->height = 0;  // no thumbnail: nothing else is written
      return FailureWord(code);
    }
    case FF_INSTANTIATE_GL: {
      CFFGLPlugin* instance = CreateGLInstance(RecordOf<const FFGLViewportStruct>(input));
      return instance ? FromPointer(instance) : FailureWord(code);
    }
    default:
      return FailureWord(code);
  }
}

// Static parameter questions, answered from the prototype. The handle is ignored.
FFMixed PrototypeCode(uint32_t code, FFMixed input) {
  const uint32_t index = LowHalf(input);
  const bool takesRecord = code == FF_GET_RANGE || code == FF_GET_FILE_PARAMETER_EXTENSION ||
                           code == FF_GET_ELEMENT_SEPARATOR || code == FF_GET_PARAMETER_GROUP;
  if (takesRecord && !input.PointerValue) return FailureWord(code);
  CFFGLPlugin* prototype = PrototypeOrNull();
  if (!prototype) return FailureWord(code);

  switch (code) {
    case FF_GET_NUM_PARAMETERS:
      return FromUInt(prototype->NumParams());
    case FF_GET_PARAMETER_NAME: {
      const ParamRecord* record = prototype->FindParam(index);
      return FromPointer(record ? record->name.c_str() : nullptr);
    }
    case FF_GET_PARAMETER_DEFAULT: {
      const ParamRecord* record = prototype->FindParam(index);
      if (!record) return FailureWord(code);
      return IsTextType(record->type) ? FromPointer(record->defaultText.c_str()) : FromFloat(record->defaultValue);
    }
    case FF_GET_PARAMETER_TYPE:
      return FromUInt(prototype->ParamType(index));
    case FF_GET_PARAMETER_USAGE: {
      const ParamRecord* record = prototype->FindParam(index);
      return record ? FromUInt(record->usage) : FailureWord(code);
    }
    case FF_GET_PLUGIN_SHORT_NAME:
      return FromPointer(prototype->ShortName());
    case FF_GET_RANGE: {
      auto* query = RecordOf<GetRangeStruct>(input);
      const ParamRecord* record = prototype->FindParam(query->parameterNumber);
      query->range.min = record ? record->minValue : 0.0f;
      query->range.max = record ? record->maxValue : 1.0f;
      return FromUInt(FF_SUCCESS);
    }
    case FF_GET_NUM_FILE_PARAMETER_EXTENSIONS: {
      const ParamRecord* record = prototype->FindParam(index);
      return FromUInt(record ? static_cast<uint32_t>(record->fileExtensions.size()) : 0u);
    }
    case FF_GET_FILE_PARAMETER_EXTENSION: {
      const auto* query = RecordOf<const GetFileParameterExtensionStruct>(input);
      const ParamRecord* record = prototype->FindParam(query->ParameterNumber);
      if (!record || query->ExtensionNumber >= record->fileExtensions.size()) return FailureWord(code);
      return FromPointer(record->fileExtensions[query->ExtensionNumber].c_str());
    }
    case FF_GET_NUM_ELEMENT_SEPARATORS: {
      const ParamRecord* record = prototype->FindParam(index);
      return FromUInt(record ? static_cast<uint32_t>(record->separators.size()) : 0u);
    }
    case FF_GET_ELEMENT_SEPARATOR: {
      const auto* query = RecordOf<const GetElementSeparatorStruct>(input);
      const ParamRecord* record = prototype->FindParam(query->ParameterNumber);
      if (!record || query->SeparatorIndex >= record->separators.size()) return FailureWord(code);
      return FromUInt(record->separators[query->SeparatorIndex]);
    }
    case FF_GET_PARAMETER_GROUP: {
      auto* query = RecordOf<GetStringStruct>(input);
      if (query->maxToWrite == 0 || !query->buffer) return FailureWord(code);
      if (const ParamRecord* record = prototype->FindParam(query->parameterNumber))
        CFFGLPluginManager::CopyToHostBuffer(record->group, query->buffer, query->maxToWrite);
      return FromUInt(FF_SUCCESS);
    }
    default:
      return FailureWord(code);
  }
}

// Codes that read the instance when a handle is given and the prototype otherwise.
FFMixed FallbackCode(uint32_t code, FFMixed input, FFInstanceID instanceID) {
  const bool takesRecord = code == FF_GET_PARAMETER_ELEMENT_NAME || code == FF_GET_PARAMETER_ELEMENT_VALUE;
  if (takesRecord && !input.PointerValue) return FailureWord(code);
  CFFGLPlugin* plugin = InstanceOrPrototype(instanceID);
  if (!plugin) return FailureWord(code);
  switch (code) {
    case FF_GET_NUM_PARAMETER_ELEMENTS: {
      const ParamRecord* record = plugin->FindParam(LowHalf(input));
      return record ? FromUInt(static_cast<uint32_t>(record->elements.size())) : FailureWord(code);
    }
    case FF_GET_PARAMETER_VISIBILITY: {
      const ParamRecord* record = plugin->FindParam(LowHalf(input));
      return record ? FromUInt(record->visible ? 1u : 0u) : FailureWord(code);
    }
    case FF_GET_PARAMETER_ELEMENT_NAME: {
      const auto* query = RecordOf<const GetParameterElementNameStruct>(input);
      const ParamElement* element = FindElement(plugin, query->ParameterNumber, query->ElementNumber);
      return element ? FromPointer(element->name.c_str()) : FailureWord(code);
    }
    case FF_GET_PARAMETER_ELEMENT_VALUE: {
      const auto* query = RecordOf<const GetParameterElementNameStruct>(input);
      const ParamElement* element = FindElement(plugin, query->ParameterNumber, query->ElementNumber);
      return element ? FromFloat(element->value) : FailureWord(code);
    }
    default:
      return FailureWord(code);
  }
}

// Codes that need a live instance. The handle is non-null here.
FFMixed InstanceCode(uint32_t code, FFMixed input, CFFGLPlugin& instance) {
  const uint32_t word = LowHalf(input);
  switch (code) {
    case FF_GET_PARAMETER_DISPLAY:
      return FromPointer(instance.ParamDisplayText(word));
    case FF_SET_PARAMETER: {
      const auto* record = RecordOf<const SetParameterStruct>(input);
      CFFGLPlugin* prototype = PrototypeOrNull();
      if (!record || !prototype) return FailureWord(code);
      if (IsTextType(prototype->ParamType(record->ParameterNumber)))
        return FromUInt(instance.SetParamText(record->ParameterNumber,
                                              static_cast<const char*>(record->NewParameterValue.PointerValue)));
      return FromUInt(instance.SetParamValue(record->ParameterNumber, LowHalfFloat(record->NewParameterValue)));
    }
    case FF_GET_PARAMETER: {
      CFFGLPlugin* prototype = PrototypeOrNull();
      if (!prototype) return FailureWord(code);
      if (IsTextType(prototype->ParamType(word))) return FromPointer(instance.ParamText(word));
      return FromFloat(instance.ParamValue(word));
    }
    case FF_GET_INPUT_STATUS:
      return FromUInt(instance.InputStatus(word));
    case FF_PROCESS_OPENGL: {
      const auto* frame = RecordOf<const ProcessOpenGLStruct>(input);
      if (!frame) return FailureWord(code);
      if (!instance.connected) {
        instance.Connect();
        instance.connected = true;
      }
      return FromUInt(instance.RenderFrame(*frame));
    }
    case FF_DEINSTANTIATE_GL:
      DestroyGLInstance(&instance);
      return FromUInt(FF_SUCCESS);
    case FF_SET_TIME: {
      if (!input.PointerValue) return FailureWord(code);
      double seconds;
      std::memcpy(&seconds, input.PointerValue, sizeof seconds);
      return FromUInt(instance.SetHostTime(seconds));
    }
    case FF_CONNECT: {
      const uint32_t answer = instance.Connect();
      if (answer == FF_SUCCESS) instance.connected = true;
      return FromUInt(answer);
    }
    case FF_DISCONNECT: {
      const uint32_t answer = instance.Disconnect();
      if (answer == FF_SUCCESS) instance.connected = false;
      return FromUInt(answer);
    }
    case FF_RESIZE: {
      const auto* viewport = RecordOf<const FFGLViewportStruct>(input);
      return viewport ? FromUInt(instance.ResizeViewport(viewport)) : FailureWord(code);
    }
    case FF_SET_PARAMETER_ELEMENT_VALUE: {
      const auto* record = RecordOf<const SetParameterElementValueStruct>(input);
      if (!record) return FailureWord(code);
      ParamRecord* param = instance.FindParam(record->ParameterNumber);
      if (!param || record->ElementNumber >= param->elements.size()) return FailureWord(code);
      param->elements[record->ElementNumber].value = record->NewParameterValue;
      return FromUInt(FF_SUCCESS);
    }
    case FF_SET_BEATINFO: {
      const auto* record = RecordOf<const SetBeatinfoStruct>(input);
      if (!record) return FailureWord(code);
      instance.SetBeatInfo(record->bpm, record->barPhase);
      return FromUInt(FF_SUCCESS);
    }
    case FF_SET_HOSTINFO: {
      const auto* record = RecordOf<const SetHostinfoStruct>(input);
      if (!record) return FailureWord(code);
      instance.SetHostInfo(record->name, record->version);
      return FromUInt(FF_SUCCESS);
    }
    case FF_SET_SAMPLERATE:
      instance.SetSampleRate(word);
      return FromUInt(FF_SUCCESS);
    case FF_GET_PARAMETER_EVENTS: {
      auto* query = RecordOf<GetParamEventsStruct>(input);
      return query ? FromUInt(instance.DeliverEvents(*query)) : FailureWord(code);
    }
    case FF_ENABLE_PLUGIN_CAP: {
      // Top-left orientation is switched on only where the plugin declares support; the
      // answer is FF_FAIL in every case.
      CFFGLPlugin* prototype = PrototypeOrNull();
      if (word == FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION && prototype && prototype->topLeftSupported)
        instance.topLeftEnabled = 1;
      return FailureWord(code);
    }
    case FF_GET_PARAMETER_DISPLAY_NAME: {
      auto* query = RecordOf<GetStringStruct>(input);
      if (!query || query->maxToWrite == 0 || !query->buffer) return FailureWord(code);
      if (const ParamRecord* record = instance.FindParam(query->parameterNumber))
        CFFGLPluginManager::CopyToHostBuffer(record->displayName, query->buffer, query->maxToWrite);
      return FromUInt(FF_SUCCESS);
    }
    default:
      return FailureWord(code);
  }
}

FFMixed Dispatch(uint32_t code, FFMixed input, FFInstanceID instanceID) {
  switch (code) {
    case FF_GET_INFO:
    case FF_GET_EXTENDED_INFO:
    case FF_DEINITIALISE:
    case FF_INITIALISE_V2:
    case FF_GET_PLUGIN_CAPS:
    case FF_GET_THUMBNAIL:
    case FF_INSTANTIATE_GL:
      return ProcessCode(code, input);
    case FF_GET_NUM_PARAMETERS:
    case FF_GET_PARAMETER_NAME:
    case FF_GET_PARAMETER_DEFAULT:
    case FF_GET_PARAMETER_TYPE:
    case FF_GET_PARAMETER_USAGE:
    case FF_GET_PLUGIN_SHORT_NAME:
    case FF_GET_RANGE:
    case FF_GET_NUM_FILE_PARAMETER_EXTENSIONS:
    case FF_GET_FILE_PARAMETER_EXTENSION:
    case FF_GET_NUM_ELEMENT_SEPARATORS:
    case FF_GET_ELEMENT_SEPARATOR:
    case FF_GET_PARAMETER_GROUP:
      return PrototypeCode(code, input);
    case FF_GET_NUM_PARAMETER_ELEMENTS:
    case FF_GET_PARAMETER_ELEMENT_NAME:
    case FF_GET_PARAMETER_ELEMENT_VALUE:
    case FF_GET_PARAMETER_VISIBILITY:
      return FallbackCode(code, input, instanceID);
    case FF_GET_PARAMETER_DISPLAY:
    case FF_SET_PARAMETER:
    case FF_GET_PARAMETER:
    case FF_GET_INPUT_STATUS:
    case FF_PROCESS_OPENGL:
    case FF_DEINSTANTIATE_GL:
    case FF_SET_TIME:
    case FF_CONNECT:
    case FF_DISCONNECT:
    case FF_RESIZE:
    case FF_SET_PARAMETER_ELEMENT_VALUE:
    case FF_SET_BEATINFO:
    case FF_SET_HOSTINFO:
    case FF_SET_SAMPLERATE:
    case FF_GET_PARAMETER_EVENTS:
    case FF_ENABLE_PLUGIN_CAP:
    case FF_GET_PARAMETER_DISPLAY_NAME:
      if (!instanceID) return FailureWord(code);
      return InstanceCode(code, input, *static_cast<CFFGLPlugin*>(instanceID));
    default:
      // Not handled: 1, 3, 11, 12, 14, 24 to 30 and anything past the table.
      return FailureWord(code);
  }
}

}  // namespace

extern "C" {

FFGL_EXPORT FFMixed FFGL_CALL plugMain(uint32_t functionCode, FFMixed inputValue, FFInstanceID instanceID) {
  try {
    return Dispatch(functionCode, inputValue, instanceID);
  } catch (...) {
    return FailureWord(functionCode);
  }
}

FFGL_EXPORT void FFGL_CALL SetLogCallback(FFGLLogFunction logFunction) { StoreHostLogFunction(logFunction); }

}  // extern "C"
