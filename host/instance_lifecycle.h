#pragma once
// Creation and destruction of live instances as the host sees them (codes 18 and 19).

#include "host/ffgl_types.h"

class CFFGLPlugin;

// Code 18. GL context current. The new instance with the registered defaults pushed and
// its GL set up, or null; a failure leaves no instance behind.
CFFGLPlugin* CreateGLInstance(const FFGLViewportStruct* viewport);

// Code 19. GL context current. Disconnects when connected, tears down GL, deletes.
void DestroyGLInstance(CFFGLPlugin* instance);
