#include "host/debugger_output.h"

#include <windows.h>

void DebuggerOutput(const char* text) { OutputDebugStringA(text); }
