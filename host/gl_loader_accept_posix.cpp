#include <GL/glew.h>

#include "host/gl_loader.h"

namespace {

// Every GL entry point the plugin calls beyond OpenGL 1.1. The pointers themselves are
// checked: GLEW's version and extension flags are not set on this path.
bool PluginEntryPointsLoaded() {
  const void* const required[] = {
      reinterpret_cast<const void*>(glCreateShader),
      reinterpret_cast<const void*>(glShaderSource),
      reinterpret_cast<const void*>(glCompileShader),
      reinterpret_cast<const void*>(glGetShaderiv),
      reinterpret_cast<const void*>(glGetShaderInfoLog),
      reinterpret_cast<const void*>(glDeleteShader),
      reinterpret_cast<const void*>(glCreateProgram),
      reinterpret_cast<const void*>(glAttachShader),
      reinterpret_cast<const void*>(glLinkProgram),
      reinterpret_cast<const void*>(glGetProgramiv),
      reinterpret_cast<const void*>(glGetProgramInfoLog),
      reinterpret_cast<const void*>(glDeleteProgram),
      reinterpret_cast<const void*>(glUseProgram),
      reinterpret_cast<const void*>(glGetUniformLocation),
      reinterpret_cast<const void*>(glUniform1f),
      reinterpret_cast<const void*>(glUniform2f),
      reinterpret_cast<const void*>(glUniform3f),
      reinterpret_cast<const void*>(glUniform1i),
      reinterpret_cast<const void*>(glActiveTexture),
      reinterpret_cast<const void*>(glGenVertexArrays),
      reinterpret_cast<const void*>(glBindVertexArray),
      reinterpret_cast<const void*>(glDeleteVertexArrays),
      reinterpret_cast<const void*>(glGenBuffers),
      reinterpret_cast<const void*>(glBindBuffer),
      reinterpret_cast<const void*>(glBufferData),
      reinterpret_cast<const void*>(glDeleteBuffers),
      reinterpret_cast<const void*>(glEnableVertexAttribArray),
      reinterpret_cast<const void*>(glVertexAttribPointer),
  };
  for (const void* entry : required)
    if (!entry) return false;
  return true;
}

}  // namespace

// GLEW here is built for GLX. Under an EGL context (headless and Wayland hosts) it answers
// "no GLX display" after it has loaded every core entry point; that answer counts as
// success when everything the plugin calls is there. Any other failure is final.
bool GlLoaderAnswerAccepted(unsigned int glewAnswer) {
  if (glewAnswer == GLEW_OK) return true;
#ifdef GLEW_ERROR_NO_GLX_DISPLAY
  if (glewAnswer == GLEW_ERROR_NO_GLX_DISPLAY) return PluginEntryPointsLoaded();
#endif
  return false;
}
