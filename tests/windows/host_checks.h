#pragma once
// The suites of the Windows host test. Each needs the host's GL context current.

namespace wintest {

// Drives Swirlmoss.dll (at dllPath) through plugMain as a host does.
void RunPluginHostTests(const char* dllPath);

// The shader program object and the log channel, linked into this process: a broken stage
// shows its log line on the debugger channel through OutputDebugStringA.
void RunLogChannelTests();

}  // namespace wintest
