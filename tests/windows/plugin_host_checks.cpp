// The plugin as a Windows host sees it: loaded with LoadLibrary, reached only through its two
// exports, driven with the host's own WGL context current and its own framebuffer bound.
// The picture checks hold whatever the noise draws: the mask's discard and alpha, and
// night Paint with "Shine" at 0 being black.

#include <windows.h>

#include <GL/glew.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/ffgl_types.h"
#include "tests/windows/check_report.h"
#include "tests/windows/host_checks.h"

namespace wintest {
namespace {

using PlugMainFunction = FFMixed(FFGL_CALL*)(uint32_t, FFMixed, FFInstanceID);
using SetLogCallbackFunction = void(FFGL_CALL*)(FFGLLogFunction);

struct ExpectedParam {
  const char* name;
  uint32_t type;
};
// The 22 parameters in index order, as the host enumerates them.
constexpr ExpectedParam kParams[] = {
    {"Mode", FF_TYPE_OPTION},
    {"Time Speed", FF_TYPE_STANDARD},
    {"Fan", FF_TYPE_STANDARD},
    {"Smoke Amount", FF_TYPE_STANDARD},
    {"Smoke Quality", FF_TYPE_BOOLEAN},
    {"Paint R", FF_TYPE_RED},
    {"Paint G", FF_TYPE_GREEN},
    {"Paint B", FF_TYPE_BLUE},
    {"Light", FF_TYPE_STANDARD},
    {"Shadows", FF_TYPE_STANDARD},
    {"Shine", FF_TYPE_STANDARD},
    {"Wave Thickness", FF_TYPE_STANDARD},
    {"Flow", FF_TYPE_STANDARD},
    {"Night Mode", FF_TYPE_BOOLEAN},
    {"Spot Spin", FF_TYPE_STANDARD},
    {"Seed", FF_TYPE_OPTION},
    {"Light R", FF_TYPE_RED},
    {"Light G", FF_TYPE_GREEN},
    {"Light B", FF_TYPE_BLUE},
    {"Image Mask", FF_TYPE_BOOLEAN},
    {"Mask Power", FF_TYPE_STANDARD},
    {"Mask Threshold", FF_TYPE_STANDARD},
};
constexpr uint32_t kParamCount = sizeof kParams / sizeof kParams[0];
constexpr uint32_t kMode = 0;
constexpr uint32_t kShine = 10;
constexpr uint32_t kNightMode = 13;
constexpr uint32_t kSeed = 15;
constexpr uint32_t kImageMask = 19;

// The input is three vertical stripes of 16 pixels: black, grey 128 and white, all opaque.
// Target and input have the same size, so every pixel samples one texel's centre.
constexpr int kWidth = 48;
constexpr int kHeight = 16;
constexpr int kStripe = 16;
constexpr uint8_t kGrey = 128;
// At "Mask Power" 0.5 the grey's mask value is (128 / 255) ^ 2.1.
const int kGreyMaskAlpha = static_cast<int>(std::lround(std::pow(kGrey / 255.0, 2.1) * 255.0));
// What the host's framebuffer holds before each frame: discarded pixels keep it.
constexpr uint8_t kSentinel[4] = {0, 0, 255, 64};
constexpr uint64_t kFailedPointer = 0x00000000FFFFFFFFull;

FFMixed Word(uint32_t value) {
  FFMixed word;
  word.PointerValue = nullptr;
  word.UIntValue = value;
  return word;
}

FFMixed Pointer(void* pointer) {
  FFMixed word;
  word.PointerValue = pointer;
  return word;
}

uint64_t WholeWord(FFMixed word) { return reinterpret_cast<uint64_t>(word.PointerValue); }

struct Frame {
  uint32_t result = FF_FAIL;
  std::vector<uint8_t> rgba;
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * kWidth + x) * 4]; }
};

// Everything one host run holds: the loaded library, the instance and the GL objects the
// host owns (input texture, target framebuffer).
struct HostSession {
  HMODULE library = nullptr;
  PlugMainFunction plugMain = nullptr;
  SetLogCallbackFunction setLogCallback = nullptr;
  FFInstanceID instance = nullptr;
  GLuint inputTexture = 0;
  GLuint targetTexture = 0;
  GLuint framebuffer = 0;

  FFMixed Call(uint32_t code, FFMixed input, FFInstanceID handle = nullptr) const {
    return plugMain(code, input, handle);
  }

  bool SetParam(uint32_t index, float value) const {
    SetParameterStruct record{};
    record.ParameterNumber = index;
    record.NewParameterValue = Word(0);
    record.NewParameterValue.FloatValue = value;
    return Call(FF_SET_PARAMETER, Pointer(&record), instance).UIntValue == FF_SUCCESS;
  }

  void CreateGlObjects() {
    std::vector<uint8_t> stripes(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t level = x < kStripe ? 0 : (x < 2 * kStripe ? kGrey : 255);
        uint8_t* texel = &stripes[(static_cast<size_t>(y) * kWidth + x) * 4];
        texel[0] = texel[1] = texel[2] = level;
        texel[3] = 255;
      }
    }
    // The one input set-up: RGBA8, linear without mipmaps, clamped to the edge.
    glGenTextures(1, &inputTexture);
    glBindTexture(GL_TEXTURE_2D, inputTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, stripes.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glGenTextures(1, &targetTexture);
    glBindTexture(GL_TEXTURE_2D, targetTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targetTexture, 0);
    WT_CHECK(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }

  void ReleaseGlObjects() {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &targetTexture);
    glDeleteTextures(1, &inputTexture);
    framebuffer = targetTexture = inputTexture = 0;
  }

  // One host frame: clear the target to the sentinel, hand the input over, read back.
  Frame Render(uint32_t inputCount = 1) const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(kSentinel[0] / 255.0f, kSentinel[1] / 255.0f, kSentinel[2] / 255.0f, kSentinel[3] / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    FFGLTextureStruct input{kWidth, kHeight, kWidth, kHeight, inputTexture};
    FFGLTextureStruct* inputs[] = {&input};
    ProcessOpenGLStruct record{inputCount, inputs, framebuffer};
    Frame frame;
    frame.result = Call(FF_PROCESS_OPENGL, Pointer(&record), instance).UIntValue;
    glFinish();
    frame.rgba.resize(static_cast<size_t>(kWidth) * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    WT_CHECK(glGetError() == GL_NO_ERROR);
    return frame;
  }
};

std::string PixelText(const uint8_t* p) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", p[0], p[1], p[2], p[3]);
  return text;
}

// Checks every pixel of one stripe, away from its edges; reports the first that fails.
template <typename Predicate>
void CheckStripe(const Frame& frame, int stripe, const char* what, Predicate predicate) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = stripe * kStripe + 2; x < (stripe + 1) * kStripe - 2; ++x) {
      if (!predicate(frame.At(x, y))) {
        WT_CHECK_MSG(false, std::string(what) + " at (" + std::to_string(x) + ", " + std::to_string(y) +
                                "): " + PixelText(frame.At(x, y)));
        return;
      }
    }
  }
}

bool IsSentinel(const uint8_t* p) { return std::memcmp(p, kSentinel, 4) == 0; }

// Mask on: the black stripe is discarded (the sentinel stays), the others are drawn with
// their mask value as alpha.
void CheckMaskedFrame(const Frame& frame) {
  WT_CHECK(frame.result == FF_SUCCESS);
  CheckStripe(frame, 0, "black input is discarded", IsSentinel);
  CheckStripe(frame, 1, "grey input carries its mask value as alpha",
              [](const uint8_t* p) { return std::abs(p[3] - kGreyMaskAlpha) <= 2; });
  CheckStripe(frame, 2, "white input is drawn opaque", [](const uint8_t* p) { return p[3] == 255; });
}

void CheckOpaqueEverywhere(const Frame& frame) {
  WT_CHECK(frame.result == FF_SUCCESS);
  for (int stripe = 0; stripe < 3; ++stripe) {
    CheckStripe(frame, stripe, "mask off draws every pixel opaque", [](const uint8_t* p) { return p[3] == 255; });
  }
}

void HostLog(const char*) {}

}  // namespace

void RunPluginHostTests(const char* dllPath) {
  HostSession session;

  RunTest("LoadsAndResolvesBothExportsUndecorated", [&] {
    session.library = LoadLibraryA(dllPath);
    if (!WT_CHECK_MSG(session.library != nullptr,
                      std::string("LoadLibrary ") + dllPath + ": error " + std::to_string(GetLastError()))) {
      return;
    }
    session.plugMain =
        reinterpret_cast<PlugMainFunction>(reinterpret_cast<void*>(GetProcAddress(session.library, "plugMain")));
    session.setLogCallback = reinterpret_cast<SetLogCallbackFunction>(
        reinterpret_cast<void*>(GetProcAddress(session.library, "SetLogCallback")));
    WT_CHECK(session.plugMain != nullptr);
    WT_CHECK(session.setLogCallback != nullptr);
  });
  if (session.plugMain == nullptr || session.setLogCallback == nullptr) return;

  RunTest("IdentifiesAsAnEffectAndTakesALogFunction", [&] {
    const auto* info = static_cast<const PluginInfoStruct*>(session.Call(FF_GET_INFO, Word(0)).PointerValue);
    if (!WT_CHECK(info != nullptr)) return;
    WT_CHECK(info->APIMajorVersion == 2 && info->APIMinorVersion == 1);
    WT_CHECK(info->PluginType == FF_EFFECT);
    const std::string name(info->PluginName, strnlen(info->PluginName, sizeof info->PluginName));
    WT_CHECK_MSG(name.find("Swirlmoss") != std::string::npos, "plugin name '" + name + "'");
    WT_CHECK(session.Call(FF_INITIALISE_V2, Word(0)).UIntValue == FF_SUCCESS);
    session.setLogCallback(HostLog);
    session.setLogCallback(nullptr);
  });

  RunTest("EnumeratesTheTwentyTwoParameters", [&] {
    WT_CHECK(session.Call(FF_GET_NUM_PARAMETERS, Word(0)).UIntValue == kParamCount);
    for (uint32_t i = 0; i < kParamCount; ++i) {
      const auto* name = static_cast<const char*>(session.Call(FF_GET_PARAMETER_NAME, Word(i)).PointerValue);
      WT_CHECK_MSG(name != nullptr && std::strcmp(name, kParams[i].name) == 0,
                   "parameter " + std::to_string(i) + " is '" + (name ? name : "(null)") + "', expected '" +
                       kParams[i].name + "'");
      WT_CHECK_MSG(session.Call(FF_GET_PARAMETER_TYPE, Word(i)).UIntValue == kParams[i].type,
                   "type of '" + std::string(kParams[i].name) + "'");
    }
  });

  RunTest("CreatesAnInstanceWithTheHostContextCurrent", [&] {
    session.CreateGlObjects();
    FFGLViewportStruct viewport{0, 0, kWidth, kHeight};
    const FFMixed answer = session.Call(FF_INSTANTIATE_GL, Pointer(&viewport));
    if (WT_CHECK_MSG(WholeWord(answer) != kFailedPointer && answer.PointerValue != nullptr,
                     "code 18 failed: on Windows glewInit must answer GLEW_OK")) {
      session.instance = answer.PointerValue;
    }
  });
  if (session.instance == nullptr) return;

  RunTest("FrameWithoutInputFailsAndLeavesTheFramebuffer", [&] {
    const Frame frame = session.Render(0);
    WT_CHECK(frame.result == FF_FAIL);
    for (int stripe = 0; stripe < 3; ++stripe) CheckStripe(frame, stripe, "nothing drawn", IsSentinel);
  });

  RunTest("PaintMaskDiscardsDarkPixelsAndCarriesTheMaskAsAlpha", [&] {
    WT_CHECK(session.SetParam(kSeed, 3.0f));
    WT_CHECK(session.SetParam(kImageMask, 1.0f));
    CheckMaskedFrame(session.Render());
  });

  RunTest("NightPaintWithoutShineIsBlack", [&] {
    WT_CHECK(session.SetParam(kImageMask, 0.0f));
    WT_CHECK(session.SetParam(kNightMode, 1.0f));
    WT_CHECK(session.SetParam(kShine, 0.0f));
    const Frame frame = session.Render();
    CheckOpaqueEverywhere(frame);
    for (int stripe = 0; stripe < 3; ++stripe) {
      CheckStripe(frame, stripe, "black", [](const uint8_t* p) { return p[0] <= 1 && p[1] <= 1 && p[2] <= 1; });
    }
  });

  RunTest("SmokeMaskDiscardsDarkPixelsAndCarriesTheMaskAsAlpha", [&] {
    // The switch frame loads Smoke's own bank, whose mask is off.
    WT_CHECK(session.SetParam(kMode, 1.0f));
    CheckOpaqueEverywhere(session.Render());
    WT_CHECK(session.SetParam(kImageMask, 1.0f));
    CheckMaskedFrame(session.Render());
  });

  RunTest("DestroysTheInstanceAndUnloads", [&] {
    WT_CHECK(session.Call(FF_DEINSTANTIATE_GL, Word(0), session.instance).UIntValue == FF_SUCCESS);
    session.instance = nullptr;
    WT_CHECK(session.Call(FF_DEINITIALISE, Word(0)).UIntValue == FF_SUCCESS);
    session.ReleaseGlObjects();
    WT_CHECK(glGetError() == GL_NO_ERROR);
    WT_CHECK(FreeLibrary(session.library) != 0);
    session.library = nullptr;
  });
}

}  // namespace wintest
