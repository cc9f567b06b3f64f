// A shared library that is not a plugin: it exports no plugMain.
extern "C" int SwirlmossFakeNotAPlugin() { return 42; }
