#pragma once
// What a host does with the plugin, spelled as plugMain calls with the records the host
// builds. The plugin's internals are linked statically; every call still goes through
// plugMain, as a host's would.

#include <cstdint>

#include "host/ffgl_types.h"

namespace reliability {

FFMixed CallPlugin(uint32_t code, FFMixed input, FFInstanceID instance);
FFMixed WordOf(uint32_t value);
FFMixed PointerWord(const void* pointer);
uint32_t LowHalf(FFMixed word);

// Code 4: how many parameters the plugin declares.
uint32_t ParamCount();
// Code 18 with a viewport of the given size. GL context current. Null on failure.
FFInstanceID CreateInstance(uint32_t width, uint32_t height);
// Code 19. GL context current.
void DestroyInstance(FFInstanceID instance);
// Code 8 with a numeric value; the answer word.
uint32_t SetParam(FFInstanceID instance, uint32_t index, float value);
// Code 9, the float in the low half.
float GetParam(FFInstanceID instance, uint32_t index);
// Code 17 with one input texture (or none when `input` is null) and the given framebuffer
// named as the host's. GL context current, that framebuffer bound.
uint32_t ProcessFrame(FFInstanceID instance, FFGLTextureStruct* input, uint32_t hostFramebuffer);
// Code 2: frees the prototype, as a host does before it unloads the library.
void Deinitialise();

}  // namespace reliability
