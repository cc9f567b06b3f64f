// Linked into every test binary of the sanitizer build only.
//
// The leak check runs at exit, after static destructors: by then the EGL and GLX front
// ends have unloaded the Mesa driver (and with it LLVM), and a test host may have unloaded
// the plugin. A block allocated inside an unloaded library is reported against an
// "<unknown module>" that no suppression can name, and the library's globals that still
// reached it are gone. Keeping every library loaded until the process ends makes each
// report name its library, so the suppression file can stay narrow.

extern "C" int dlclose(void*) { return 0; }
