#pragma once
// The plugin's one diagnostic operation and the host's log-function slot.

#include "host/ffgl_types.h"

// Writes prefix + text as one line: first to the debugger output (then a separate "\n"),
// then to standard output followed by a newline and a flush. Never fails.
void LogLine(const char* prefix, const char* text);

// The host's log function as last handed over by SetLogCallback (null until then).
// Stored only: the plugin never calls it.
FFGLLogFunction StoredHostLogFunction();
void StoreHostLogFunction(FFGLLogFunction function);
