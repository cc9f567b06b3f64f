#pragma once
// Loads the OpenGL entry points once per process, at the first instance creation.

// True when the entry points are loaded. The first call runs the loader; a failure is
// final for the life of the process.
bool EnsureGlEntryPoints();

// Whether the loader's answer counts as success on this platform. GLEW's GLX build answers
// "no GLX display" under an EGL context after loading every core entry point; on Linux and
// macOS that answer is accepted when every entry point the plugin calls is loaded.
bool GlLoaderAnswerAccepted(unsigned int glewAnswer);

// For tests in their own process: run the one-time decision with a given loader answer.
bool EnsureGlEntryPointsWith(unsigned int (*loader)());
