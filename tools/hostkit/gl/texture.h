#pragma once
// The textures a host makes for the plugin and around it.

#include "tools/hostkit/gl/gl_api.h"

namespace hostkit {

// GL context current. A 2D texture of width x height, RGBA8 (RGBA16F when `half`), clamped at
// the edges and filtered by `filter` without mipmaps (the default minifying filter would want
// mipmaps and sample black), holding `pixels` (tightly packed rows) or nothing; left unbound.
GLuint NewTexture(GLenum filter, bool half, int width, int height, const void* pixels);

}  // namespace hostkit
