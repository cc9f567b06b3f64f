#pragma once
// The host's side of the plugin boundary: the entry point's signature, the function codes
// this host uses and the records it passes by pointer. The host owns its own copy of these
// layouts, as any host must; the offsets are checked at compile time so a change on either
// side shows up as a build failure, not as a corrupted call.

#include <cstddef>
#include <cstdint>

namespace hostkit::wire {

// Input and result word of plugMain: integers and floats in the low 32 bits, pointers in all 64.
union Word {
  uint32_t u32;
  float f32;
  void* pointer;
  uint64_t all;
};
static_assert(sizeof(Word) == 8, "the entry point's word is 64 bits");

using InstanceHandle = void*;
using PlugMainFn = Word (*)(uint32_t code, Word input, InstanceHandle instance);

constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFail = 0xFFFFFFFFu;
// Codes answering a pointer-sized value fail with this whole word.
constexpr uint64_t kPointerFail = 0x00000000FFFFFFFFull;

namespace code {
constexpr uint32_t kGetInfo = 0;
constexpr uint32_t kDeinitialise = 2;
constexpr uint32_t kGetParameterCount = 4;
constexpr uint32_t kGetParameterName = 5;
constexpr uint32_t kGetParameterDefault = 6;
constexpr uint32_t kSetParameter = 8;
constexpr uint32_t kGetParameter = 9;
constexpr uint32_t kGetCapability = 10;
constexpr uint32_t kGetExtendedInfo = 13;
constexpr uint32_t kGetParameterType = 15;
constexpr uint32_t kProcessFrame = 17;
constexpr uint32_t kCreateInstance = 18;
constexpr uint32_t kDestroyInstance = 19;
constexpr uint32_t kGetElementCount = 31;
constexpr uint32_t kInitialise = 34;
constexpr uint32_t kGetElementName = 35;
constexpr uint32_t kGetElementValue = 36;
constexpr uint32_t kSetBeatInfo = 38;
constexpr uint32_t kSetSampleRate = 40;
constexpr uint32_t kGetRange = 41;
constexpr uint32_t kGetVisibility = 45;
constexpr uint32_t kGetEvents = 46;
constexpr uint32_t kGetDisplayName = 51;
}  // namespace code

namespace capability {
constexpr uint32_t kHostTime = 5;
constexpr uint32_t kMinInputs = 10;
constexpr uint32_t kMaxInputs = 11;
constexpr uint32_t kTopLeftOrientation = 16;
}  // namespace capability

namespace type {
constexpr uint32_t kBoolean = 0;
constexpr uint32_t kRed = 2;
constexpr uint32_t kGreen = 3;
constexpr uint32_t kBlue = 4;
constexpr uint32_t kStandard = 10;
constexpr uint32_t kOption = 11;
constexpr uint32_t kFile = 14;
constexpr uint32_t kText = 100;
}  // namespace type

struct Info {  // code 0
  uint32_t apiMajor;
  uint32_t apiMinor;
  char uniqueId[4];
  char name[16];
  uint32_t pluginType;
};

struct ExtendedInfo {  // code 13
  uint32_t versionMajor;
  uint32_t versionMinor;
  const char* description;
  const char* about;
  uint32_t extendedDataSize;
  const void* extendedData;
};

struct SetParameter {  // code 8
  uint32_t index;
  Word value;
};

struct BeatInfo {  // code 38
  float tempo;     // beats per minute
  float barPhase;  // 0..1 through the current bar
};

struct Viewport {  // code 18
  uint32_t x, y, width, height;
};

struct Texture {  // inside code 17
  uint32_t width;
  uint32_t height;
  uint32_t hardwareWidth;
  uint32_t hardwareHeight;
  uint32_t handle;
};

struct Frame {  // code 17
  uint32_t inputCount;
  Texture** inputs;
  uint32_t framebuffer;
};

struct ElementQuery {  // codes 35, 36
  uint32_t index;
  uint32_t element;
};

struct RangeQuery {  // code 41
  uint32_t index;
  float minimum;
  float maximum;
};

struct Event {  // one entry of code 46
  uint32_t index;
  uint64_t flags;
};

struct EventQuery {  // code 46
  uint32_t count;
  Event* events;
};

struct StringQuery {  // code 51
  uint32_t index;
  char* buffer;
  uint32_t size;
};

static_assert(offsetof(Info, uniqueId) == 8 && offsetof(Info, name) == 12 && offsetof(Info, pluginType) == 28 &&
              sizeof(Info) == 32);
static_assert(offsetof(ExtendedInfo, description) == 8 && offsetof(ExtendedInfo, about) == 16 &&
              offsetof(ExtendedInfo, extendedDataSize) == 24 && offsetof(ExtendedInfo, extendedData) == 32);
static_assert(offsetof(SetParameter, value) == 8);
static_assert(offsetof(BeatInfo, barPhase) == 4 && sizeof(BeatInfo) == 8);
static_assert(sizeof(Viewport) == 16);
static_assert(offsetof(Texture, handle) == 16);
static_assert(offsetof(Frame, inputs) == 8 && offsetof(Frame, framebuffer) == 16);
static_assert(offsetof(ElementQuery, element) == 4);
static_assert(offsetof(RangeQuery, minimum) == 4 && offsetof(RangeQuery, maximum) == 8);
static_assert(offsetof(Event, flags) == 8 && sizeof(Event) == 16);
static_assert(offsetof(EventQuery, events) == 8);
static_assert(offsetof(StringQuery, buffer) == 8 && offsetof(StringQuery, size) == 16);

}  // namespace hostkit::wire
