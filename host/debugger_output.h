#pragma once
// The debugger sink of the log channel: the platform's debugger output on Windows, a no-op
// where the platform has no such channel.
void DebuggerOutput(const char* text);
