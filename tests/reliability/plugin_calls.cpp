#include "tests/reliability/plugin_calls.h"

#include <cstring>

#include "effect/plugin_registration.h"
#include "host/plug_main.h"

namespace reliability {

FFMixed CallPlugin(uint32_t code, FFMixed input, FFInstanceID instance) {
  // Naming the registration keeps it in the link: it fills the plugin information.
  static const bool registered = (SwirlmossPluginInfo(), true);
  (void)registered;
  return plugMain(code, input, instance);
}

FFMixed WordOf(uint32_t value) {
  FFMixed word{};
  word.PointerValue = nullptr;
  word.UIntValue = value;
  return word;
}

FFMixed PointerWord(const void* pointer) {
  FFMixed word{};
  word.PointerValue = const_cast<void*>(pointer);
  return word;
}

uint32_t LowHalf(FFMixed word) {
  uint64_t bits;
  std::memcpy(&bits, &word, sizeof bits);
  return static_cast<uint32_t>(bits);
}

FFInstanceID CreateInstance(uint32_t width, uint32_t height) {
  const FFGLViewportStruct viewport{0, 0, width, height};
  const FFMixed answer = CallPlugin(FF_INSTANTIATE_GL, PointerWord(&viewport), nullptr);
  uint64_t bits;
  std::memcpy(&bits, &answer, sizeof bits);
  return bits == FF_FAIL ? nullptr : answer.PointerValue;
}

void DestroyInstance(FFInstanceID instance) { CallPlugin(FF_DEINSTANTIATE_GL, WordOf(0), instance); }

uint32_t SetParam(FFInstanceID instance, uint32_t index, float value) {
  SetParameterStruct record{};
  record.ParameterNumber = index;
  record.NewParameterValue.PointerValue = nullptr;
  record.NewParameterValue.FloatValue = value;
  return LowHalf(CallPlugin(FF_SET_PARAMETER, PointerWord(&record), instance));
}

float GetParam(FFInstanceID instance, uint32_t index) {
  const uint32_t bits = LowHalf(CallPlugin(FF_GET_PARAMETER, WordOf(index), instance));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

uint32_t ProcessFrame(FFInstanceID instance, FFGLTextureStruct* input, uint32_t hostFramebuffer) {
  FFGLTextureStruct* inputs[1] = {input};
  ProcessOpenGLStruct frame{};
  frame.numInputTextures = input ? 1 : 0;
  frame.inputTextures = input ? inputs : nullptr;
  frame.HostFBO = hostFramebuffer;
  return LowHalf(CallPlugin(FF_PROCESS_OPENGL, PointerWord(&frame), instance));
}

uint32_t ParamCount() { return LowHalf(CallPlugin(FF_GET_NUM_PARAMETERS, WordOf(0), nullptr)); }

void Deinitialise() { CallPlugin(FF_DEINITIALISE, WordOf(0), nullptr); }

}  // namespace reliability
