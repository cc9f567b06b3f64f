#pragma once
// The two functions the host calls. Both are exported from the module under these exact,
// undecorated names; nothing thrown inside ever crosses them.

#include "host/ffgl_types.h"

#if defined(_WIN32)
#define FFGL_EXPORT
#else
#define FFGL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
FFGL_EXPORT FFMixed FFGL_CALL plugMain(uint32_t functionCode, FFMixed inputValue, FFInstanceID instanceID);
FFGL_EXPORT void FFGL_CALL SetLogCallback(FFGLLogFunction logFunction);
}
