// Drives plugMain the way a careless but legal host would: any function code (0 to 60 and
// arbitrary larger ones), any handle the host may hold (none, the prototype the plugin
// answers static questions from, or up to two instances), and records built from the
// fuzz input with every index, position, capacity, size and float (NaN and infinities
// included). Pointers the harness passes are null or valid for exactly the size the host
// promises, so a read or write past them is the plugin's fault; every pointer the plugin
// answers is read back as a host would read it.
//
// Instances are made as code 18 makes them, without GL: through the registered factory,
// owner set, the prototype's defaults pushed. Codes 18 and 19, and frames that carry an
// input texture, reach GL and are left out; a frame without input stops before any GL
// call and is fuzzed. Each input ends with every instance deleted and code 2, so that an
// input leaves no state behind and a leak is the input's own.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "effect/plugin_registration.h"
#include "host/plug_main.h"
#include "host/plugin_base.h"
#include "host/plugin_info.h"

namespace {

// Reads the fuzz input front to back; past its end every read answers zero.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data(data), size(size) {}
  bool Done() const { return pos >= size; }
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  uint32_t U32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
  }
  uint64_t U64() { return U32() | static_cast<uint64_t>(U32()) << 32; }

  // Parameter and element indices: mostly near the declared ones, sometimes anything.
  uint32_t Index() {
    const uint8_t selector = Byte();
    if (selector < 200) return selector % 32;
    if (selector < 230) return std::numeric_limits<uint32_t>::max() - (selector - 200);
    return U32();
  }

  float Float() {
    switch (Byte() % 12) {
      case 0: return std::numeric_limits<float>::quiet_NaN();
      case 1: return -std::numeric_limits<float>::quiet_NaN();
      case 2: return std::numeric_limits<float>::infinity();
      case 3: return -std::numeric_limits<float>::infinity();
      case 4: return std::numeric_limits<float>::max();
      case 5: return std::numeric_limits<float>::lowest();
      case 6: return std::numeric_limits<float>::denorm_min();
      case 7: return -0.0f;
      case 8: return static_cast<float>(Byte()) / 255.0f;
      default: {
        const uint32_t bits = U32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
    }
  }

  double Double() {
    const uint64_t bits = U64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

// A host-owned block of exactly `bytes` bytes: a non-null pointer even for zero bytes, so
// that the plugin reading or writing one byte too many is caught.
struct HostBlock {
  explicit HostBlock(size_t bytes) : block(std::malloc(bytes), std::free) { std::memset(block.get(), 0, bytes); }
  template <typename T>
  T* As() { return static_cast<T*>(block.get()); }
  std::unique_ptr<void, void (*)(void*)> block;
};

// A NUL-terminated host text of up to 40 bytes taken from the input.
HostBlock HostText(Input& in) {
  const size_t length = in.Byte() % 41;
  HostBlock text(length + 1);
  for (size_t i = 0; i < length; ++i) text.As<char>()[i] = static_cast<char>(in.Byte() | 1);
  return text;
}

FFMixed Word(uint64_t bits) {
  FFMixed word;
  std::memcpy(&word, &bits, sizeof word);
  return word;
}

FFMixed PointerTo(void* pointer) {
  FFMixed word;
  word.PointerValue = pointer;
  return word;
}

// Reads an answered text as a host would, to the NUL.
volatile size_t sink;
void ReadText(const char* text) {
  if (text && reinterpret_cast<uintptr_t>(text) != FF_FAIL) sink = sink + std::strlen(text);
}

// Reads whatever the code answered where it answers a pointer.
void ConsumeAnswer(uint32_t code, FFMixed answer) {
  switch (code) {
    case FF_GET_INFO:
      if (auto* info = static_cast<const PluginInfoStruct*>(answer.PointerValue))
        sink = sink + info->APIMajorVersion + static_cast<uint8_t>(info->PluginName[15]);
      break;
    case FF_GET_EXTENDED_INFO:
      if (auto* info = static_cast<const PluginExtendedInfoStruct*>(answer.PointerValue)) {
        ReadText(info->Description);
        ReadText(info->About);
      }
      break;
    case FF_GET_PARAMETER_NAME:
    case FF_GET_PARAMETER_DISPLAY:
    case FF_GET_PLUGIN_SHORT_NAME:
    case FF_GET_PARAMETER_ELEMENT_NAME:
    case FF_GET_FILE_PARAMETER_EXTENSION:
      ReadText(static_cast<const char*>(answer.PointerValue));
      break;
    default:
      break;
  }
}

constexpr int kSlots = 2;

struct Session {
  CFFGLPlugin* instances[kSlots] = {};

  // What code 18 does before it reaches GL.
  void Create(int slot) {
    if (instances[slot]) return;
    if (plugMain(FF_INITIALISE_V2, Word(0), nullptr).UIntValue != FF_SUCCESS) return;
    CFFGLPlugin* instance = nullptr;
    if (SwirlmossPluginInfo().CreateInstance(&instance) != FF_SUCCESS || !instance) return;
    instance->ownerRegistry = instance;
    const CFFGLPlugin& prototype = *Prototype();
    for (uint32_t i = 0; i < prototype.NumParams(); ++i) {
      const ParamRecord* record = prototype.FindParam(i);
      if (!record) continue;
      const bool isText = record->type == FF_TYPE_TEXT || record->type == FF_TYPE_FILE;
      if (isText)
        instance->SetParamText(i, record->defaultText.c_str());
      else
        instance->SetParamValue(i, record->defaultValue);
    }
    instances[slot] = instance;
  }

  void Destroy(int slot) {
    delete instances[slot];
    instances[slot] = nullptr;
  }

  FFInstanceID Handle(uint8_t selector) {
    switch (selector % 4) {
      case 0: return nullptr;
      case 1: return Prototype();
      default: return instances[(selector % 4) - 2];
    }
  }

  ~Session() {
    for (int slot = 0; slot < kSlots; ++slot) Destroy(slot);
    plugMain(FF_DEINITIALISE, Word(0), nullptr);
  }
};

// A frame record that stops before GL: no input, no array, or a null first texture.
void FrameWithoutInput(Input& in, FFInstanceID handle) {
  const uint8_t shape = in.Byte();
  const uint32_t count = shape & 0x80 ? in.U32() : shape % 5;
  ProcessOpenGLStruct* frame = nullptr;
  HostBlock record(sizeof(ProcessOpenGLStruct));
  frame = record.As<ProcessOpenGLStruct>();
  frame->HostFBO = in.U32();
  FFGLTextureStruct texture{in.U32(), in.U32(), in.U32(), in.U32(), in.U32()};
  // An array only where it can hold `count` entries; its first entry is null.
  const bool withArray = (shape & 0x40) && count <= 4;
  HostBlock array(withArray ? count * sizeof(FFGLTextureStruct*) : 0);
  frame->numInputTextures = count;
  if (withArray) {
    frame->inputTextures = array.As<FFGLTextureStruct*>();
    for (uint32_t i = 1; i < count; ++i) frame->inputTextures[i] = &texture;
  }
  plugMain(FF_PROCESS_OPENGL, PointerTo(shape & 0x20 ? nullptr : frame), handle);
}

void RunCode(Input& in, uint32_t code, FFInstanceID handle) {
  const bool nullRecord = in.Byte() % 8 == 0;
  FFMixed answer{};
  auto call = [&](void* record) {
    answer = plugMain(code, PointerTo(nullRecord ? nullptr : record), handle);
    ConsumeAnswer(code, answer);
  };
  switch (code) {
    case FF_INSTANTIATE_GL:
    case FF_DEINSTANTIATE_GL:
      return;  // they reach GL
    case FF_PROCESS_OPENGL:
      FrameWithoutInput(in, handle);
      return;
    case FF_SET_PARAMETER: {
      HostBlock record(sizeof(SetParameterStruct));
      auto* set = record.As<SetParameterStruct>();
      set->ParameterNumber = in.Index();
      HostBlock text = HostText(in);
      const uint32_t type = plugMain(FF_GET_PARAMETER_TYPE, Word(set->ParameterNumber), nullptr).UIntValue;
      if (type == FF_TYPE_TEXT || type == FF_TYPE_FILE) {
        set->NewParameterValue.PointerValue = in.Byte() % 4 ? text.As<char>() : nullptr;
      } else {
        const float value = in.Float();
        uint32_t low;
        std::memcpy(&low, &value, sizeof low);
        set->NewParameterValue = Word(static_cast<uint64_t>(in.U32()) << 32 | low);  // the high half is noise
      }
      call(set);
      return;
    }
    case FF_SET_TIME: {
      HostBlock seconds(sizeof(double));
      *seconds.As<double>() = in.Double();
      call(seconds.As<double>());
      return;
    }
    case FF_RESIZE: {
      HostBlock record(sizeof(FFGLViewportStruct));
      *record.As<FFGLViewportStruct>() = FFGLViewportStruct{in.U32(), in.U32(), in.U32(), in.U32()};
      call(record.As<void>());
      return;
    }
    case FF_GET_PARAMETER_ELEMENT_NAME:
    case FF_GET_PARAMETER_ELEMENT_VALUE:
    case FF_GET_FILE_PARAMETER_EXTENSION:
    case FF_GET_ELEMENT_SEPARATOR: {
      // Three records of the same shape: a parameter index and a position.
      HostBlock record(sizeof(GetParameterElementNameStruct));
      *record.As<GetParameterElementNameStruct>() = GetParameterElementNameStruct{in.Index(), in.Index()};
      call(record.As<void>());
      return;
    }
    case FF_SET_PARAMETER_ELEMENT_VALUE: {
      HostBlock record(sizeof(SetParameterElementValueStruct));
      *record.As<SetParameterElementValueStruct>() = SetParameterElementValueStruct{in.Index(), in.Index(), in.Float()};
      call(record.As<void>());
      return;
    }
    case FF_SET_BEATINFO: {
      HostBlock record(sizeof(SetBeatinfoStruct));
      *record.As<SetBeatinfoStruct>() = SetBeatinfoStruct{in.Float(), in.Float()};
      call(record.As<void>());
      return;
    }
    case FF_SET_HOSTINFO: {
      HostBlock name = HostText(in);
      HostBlock version = HostText(in);
      const uint8_t which = in.Byte();
      HostBlock record(sizeof(SetHostinfoStruct));
      *record.As<SetHostinfoStruct>() =
          SetHostinfoStruct{which & 1 ? nullptr : name.As<char>(), which & 2 ? nullptr : version.As<char>()};
      call(record.As<void>());
      return;
    }
    case FF_GET_RANGE: {
      HostBlock record(sizeof(GetRangeStruct));
      record.As<GetRangeStruct>()->parameterNumber = in.Index();
      call(record.As<void>());
      return;
    }
    case FF_GET_THUMBNAIL: {
      const uint32_t width = in.Byte() % 5, height = in.Byte() % 5;
      HostBlock pixels(static_cast<size_t>(width) * height * 4);
      HostBlock record(sizeof(GetThumbnailStruct));
      *record.As<GetThumbnailStruct>() = GetThumbnailStruct{width, height, in.Byte() % 2 ? pixels.As<void>() : nullptr};
      call(record.As<void>());
      return;
    }
    case FF_GET_PARAMETER_EVENTS: {
      // The array holds exactly the capacity the count field announces.
      const uint32_t capacity = in.Byte() % 26;
      HostBlock entries(capacity * sizeof(ParamEventStruct));
      HostBlock record(sizeof(GetParamEventsStruct));
      *record.As<GetParamEventsStruct>() =
          GetParamEventsStruct{capacity, in.Byte() % 3 ? entries.As<ParamEventStruct>() : nullptr};
      call(record.As<void>());
      return;
    }
    case FF_GET_PARAMETER_GROUP:
    case FF_GET_PARAMETER_DISPLAY_NAME: {
      // The buffer is exactly as long as the size the host states.
      const uint32_t bytes = in.Byte() % 24;
      HostBlock buffer(bytes);
      HostBlock record(sizeof(GetStringStruct));
      *record.As<GetStringStruct>() =
          GetStringStruct{in.Index(), in.Byte() % 4 ? buffer.As<char>() : nullptr, bytes};
      call(record.As<void>());
      return;
    }
    default: {
      // Codes that take a number, or none: the low half carries an index or a capability,
      // the high half whatever the host left there.
      const uint64_t high = in.Byte() % 2 ? static_cast<uint64_t>(in.U32()) << 32 : 0;
      answer = plugMain(code, Word(high | in.Index()), handle);
      ConsumeAnswer(code, answer);
      return;
    }
  }
}

void HostLog(const char*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  Session session;
  for (int steps = 0; steps < 256 && !in.Done(); ++steps) {
    const uint8_t op = in.Byte();
    if (op >= 0xF8) {
      // Host-side events: instances come and go, the log function changes.
      switch (op) {
        case 0xF8: session.Create(0); break;
        case 0xF9: session.Create(1); break;
        case 0xFA: session.Destroy(0); break;
        case 0xFB: session.Destroy(1); break;
        case 0xFC: SetLogCallback(in.Byte() % 2 ? HostLog : nullptr); break;
        default: {  // any code at all
          const uint32_t code = in.U32();
          RunCode(in, code, session.Handle(in.Byte()));
          break;
        }
      }
      continue;
    }
    const uint32_t code = op % 61;
    RunCode(in, code, session.Handle(in.Byte()));
  }
  return 0;
}
