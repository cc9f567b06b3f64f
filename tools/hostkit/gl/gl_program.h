#pragma once
// Small GL programs the host draws with: a quad over the viewport, made from the vertex number
// (no vertex buffer), and a fragment stage of the caller's.

#include <string>

#include "tools/hostkit/gl/gl_api.h"

namespace hostkit {

// GL context current. Builds the quad's vertex stage with `fragmentSource` (GLSL 4.10 core;
// its input `uv` runs 0..1 over the viewport). Answers the program, or 0 with a one-line
// `error` that starts with `what` and holds the driver's log.
GLuint BuildQuadProgram(const char* fragmentSource, const std::string& what, std::string& error);

}  // namespace hostkit
