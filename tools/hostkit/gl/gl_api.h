#pragma once
// The host's GL entry points: linked directly from the system's GL library, which exports the
// whole core API and dispatches to whatever context is current (the EGL one here).

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
