#include <GL/glew.h>

#include "host/gl_loader.h"

// On Windows the loader must answer plain success.
bool GlLoaderAnswerAccepted(unsigned int glewAnswer) { return glewAnswer == GLEW_OK; }
