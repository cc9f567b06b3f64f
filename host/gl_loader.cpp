#include "host/gl_loader.h"

#include <GL/glew.h>

namespace {
bool loaderAttempted = false;
bool loaderSucceeded = false;

unsigned int RunGlew() { return glewInit(); }
}  // namespace

bool EnsureGlEntryPointsWith(unsigned int (*loader)()) {
  if (!loaderAttempted) {
    loaderAttempted = true;
    loaderSucceeded = GlLoaderAnswerAccepted(loader());
  }
  // There is no second attempt in the life of the process.
  return loaderSucceeded;
}

bool EnsureGlEntryPoints() { return EnsureGlEntryPointsWith(RunGlew); }
