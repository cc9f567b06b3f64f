#pragma once
// Words, records and numbers that cross the plugin boundary. The record layouts are the
// host interface's wire format: every offset below is checked at compile time.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define FFGL_CALL __cdecl
#else
#define FFGL_CALL
#endif

// The input and result word of plugMain: integers and floats live in the low 32 bits,
// pointers use all 64.
union FFMixed {
  uint32_t UIntValue;
  float FloatValue;
  void* PointerValue;
};
static_assert(sizeof(FFMixed) == 8, "FFMixed must be one 64-bit word");

// The instance handle: the address of the instance object that code 18 returned.
typedef void* FFInstanceID;

constexpr uint32_t FF_SUCCESS = 0;
constexpr uint32_t FF_FAIL = 0xFFFFFFFFu;
constexpr uint32_t FF_TRUE = 1;
constexpr uint32_t FF_FALSE = 0;

// Function codes of plugMain.
enum FFFunctionCode : uint32_t {
  FF_GET_INFO = 0,
  FF_INITIALISE = 1,
  FF_DEINITIALISE = 2,
  FF_PROCESS_FRAME = 3,
  FF_GET_NUM_PARAMETERS = 4,
  FF_GET_PARAMETER_NAME = 5,
  FF_GET_PARAMETER_DEFAULT = 6,
  FF_GET_PARAMETER_DISPLAY = 7,
  FF_SET_PARAMETER = 8,
  FF_GET_PARAMETER = 9,
  FF_GET_PLUGIN_CAPS = 10,
  FF_INSTANTIATE = 11,
  FF_DEINSTANTIATE = 12,
  FF_GET_EXTENDED_INFO = 13,
  FF_PROCESS_FRAME_COPY = 14,
  FF_GET_PARAMETER_TYPE = 15,
  FF_GET_INPUT_STATUS = 16,
  FF_PROCESS_OPENGL = 17,
  FF_INSTANTIATE_GL = 18,
  FF_DEINSTANTIATE_GL = 19,
  FF_SET_TIME = 20,
  FF_CONNECT = 21,
  FF_DISCONNECT = 22,
  FF_RESIZE = 23,
  FF_GET_NUM_PARAMETER_ELEMENTS = 31,
  FF_GET_PARAMETER_USAGE = 32,
  FF_GET_PLUGIN_SHORT_NAME = 33,
  FF_INITIALISE_V2 = 34,
  FF_GET_PARAMETER_ELEMENT_NAME = 35,
  FF_GET_PARAMETER_ELEMENT_VALUE = 36,
  FF_SET_PARAMETER_ELEMENT_VALUE = 37,
  FF_SET_BEATINFO = 38,
  FF_SET_HOSTINFO = 39,
  FF_SET_SAMPLERATE = 40,
  FF_GET_RANGE = 41,
  FF_GET_THUMBNAIL = 42,
  FF_GET_NUM_FILE_PARAMETER_EXTENSIONS = 43,
  FF_GET_FILE_PARAMETER_EXTENSION = 44,
  FF_GET_PARAMETER_VISIBILITY = 45,
  FF_GET_PARAMETER_EVENTS = 46,
  FF_GET_NUM_ELEMENT_SEPARATORS = 47,
  FF_GET_ELEMENT_SEPARATOR = 48,
  FF_ENABLE_PLUGIN_CAP = 49,
  FF_GET_PARAMETER_GROUP = 50,
  FF_GET_PARAMETER_DISPLAY_NAME = 51,
};

// Capability numbers answered by code 10.
enum FFCapability : uint32_t {
  FF_CAP_PROCESSOPENGL = 4,
  FF_CAP_SETTIME = 5,
  FF_CAP_MINIMUMINPUTFRAMES = 10,
  FF_CAP_MAXIMUMINPUTFRAMES = 11,
  FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION = 16,
};

// Parameter type numbers.
enum FFParamType : uint32_t {
  FF_TYPE_BOOLEAN = 0,
  FF_TYPE_RED = 2,
  FF_TYPE_GREEN = 3,
  FF_TYPE_BLUE = 4,
  FF_TYPE_STANDARD = 10,
  FF_TYPE_OPTION = 11,
  FF_TYPE_FILE = 14,
  FF_TYPE_TEXT = 100,
};

// Pending-event bits delivered by code 46.
constexpr uint64_t FF_EVENT_FLAG_VISIBILITY = 1u << 0;
constexpr uint64_t FF_EVENT_FLAG_DISPLAY_NAME = 1u << 1;
constexpr uint64_t FF_EVENT_FLAG_VALUE = 1u << 2;

constexpr uint32_t FF_EFFECT = 0;

// Plugin information block answered by code 0.
struct PluginInfoStruct {
  uint32_t APIMajorVersion;
  uint32_t APIMinorVersion;
  char PluginUniqueID[4];
  char PluginName[16];
  uint32_t PluginType;
};

// Extended information answered by code 13.
struct PluginExtendedInfoStruct {
  uint32_t PluginMajorVersion;
  uint32_t PluginMinorVersion;
  const char* Description;
  const char* About;
  uint32_t FreeFormExtendedDataSize;
  const void* FreeFormExtendedDataBlock;
};

struct FFGLViewportStruct {
  uint32_t x, y, width, height;
};

struct FFGLTextureStruct {
  uint32_t Width;
  uint32_t Height;
  uint32_t HardwareWidth;
  uint32_t HardwareHeight;
  uint32_t Handle;
};

struct ProcessOpenGLStruct {
  uint32_t numInputTextures;
  FFGLTextureStruct** inputTextures;
  uint32_t HostFBO;
};

struct SetParameterStruct {
  uint32_t ParameterNumber;
  FFMixed NewParameterValue;
};

struct GetParameterElementNameStruct {  // codes 35 and 36
  uint32_t ParameterNumber;
  uint32_t ElementNumber;
};

struct SetParameterElementValueStruct {  // code 37
  uint32_t ParameterNumber;
  uint32_t ElementNumber;
  float NewParameterValue;
};

struct SetBeatinfoStruct {  // code 38
  float bpm;
  float barPhase;
};

struct SetHostinfoStruct {  // code 39
  const char* name;
  const char* version;
};

struct RangeStruct {
  float min;
  float max;
};

struct GetRangeStruct {  // code 41
  uint32_t parameterNumber;
  RangeStruct range;
};

struct GetThumbnailStruct {  // code 42
  uint32_t width;
  uint32_t height;
  void* rgbaPixelBuffer;
};

struct GetFileParameterExtensionStruct {  // code 44
  uint32_t ParameterNumber;
  uint32_t ExtensionNumber;
};

struct ParamEventStruct {  // one entry of code 46
  uint32_t ParameterNumber;
  uint64_t eventFlags;
};

struct GetParamEventsStruct {  // code 46
  uint32_t numEvents;
  ParamEventStruct* events;
};

struct GetElementSeparatorStruct {  // code 48
  uint32_t ParameterNumber;
  uint32_t SeparatorIndex;
};

struct GetStringStruct {  // codes 50 and 51
  uint32_t parameterNumber;
  char* buffer;
  uint32_t maxToWrite;
};

// Host log function handed over by SetLogCallback; stored, never called.
typedef void (*FFGLLogFunction)(const char* message);

#define FFGL_CHECK_OFFSET(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f " is off the wire layout")
static_assert(sizeof(void*) == 8, "the wire format assumes 64-bit pointers");
FFGL_CHECK_OFFSET(PluginInfoStruct, PluginUniqueID, 8);
FFGL_CHECK_OFFSET(PluginInfoStruct, PluginName, 12);
FFGL_CHECK_OFFSET(PluginInfoStruct, PluginType, 28);
static_assert(sizeof(PluginInfoStruct) == 32, "PluginInfoStruct is 32 bytes");
FFGL_CHECK_OFFSET(PluginExtendedInfoStruct, Description, 8);
FFGL_CHECK_OFFSET(PluginExtendedInfoStruct, About, 16);
FFGL_CHECK_OFFSET(PluginExtendedInfoStruct, FreeFormExtendedDataSize, 24);
FFGL_CHECK_OFFSET(PluginExtendedInfoStruct, FreeFormExtendedDataBlock, 32);
static_assert(sizeof(PluginExtendedInfoStruct) == 40, "PluginExtendedInfoStruct is 40 bytes");
FFGL_CHECK_OFFSET(FFGLViewportStruct, height, 12);
FFGL_CHECK_OFFSET(FFGLTextureStruct, Handle, 16);
FFGL_CHECK_OFFSET(ProcessOpenGLStruct, inputTextures, 8);
FFGL_CHECK_OFFSET(ProcessOpenGLStruct, HostFBO, 16);
FFGL_CHECK_OFFSET(SetParameterStruct, NewParameterValue, 8);
FFGL_CHECK_OFFSET(GetParameterElementNameStruct, ElementNumber, 4);
FFGL_CHECK_OFFSET(SetParameterElementValueStruct, NewParameterValue, 8);
FFGL_CHECK_OFFSET(SetBeatinfoStruct, barPhase, 4);
FFGL_CHECK_OFFSET(SetHostinfoStruct, version, 8);
FFGL_CHECK_OFFSET(GetRangeStruct, range.min, 4);
FFGL_CHECK_OFFSET(GetRangeStruct, range.max, 8);
FFGL_CHECK_OFFSET(GetThumbnailStruct, rgbaPixelBuffer, 8);
FFGL_CHECK_OFFSET(GetFileParameterExtensionStruct, ExtensionNumber, 4);
FFGL_CHECK_OFFSET(ParamEventStruct, eventFlags, 8);
static_assert(sizeof(ParamEventStruct) == 16, "an event entry is 16 bytes");
FFGL_CHECK_OFFSET(GetParamEventsStruct, events, 8);
FFGL_CHECK_OFFSET(GetElementSeparatorStruct, SeparatorIndex, 4);
FFGL_CHECK_OFFSET(GetStringStruct, buffer, 8);
FFGL_CHECK_OFFSET(GetStringStruct, maxToWrite, 16);
#undef FFGL_CHECK_OFFSET
