# The frei0r module: called directly in this process (both builds), and inside the real hosts
# ffmpeg, melt and GStreamer (the normal build only: the sanitizer build's module cannot load
# into uninstrumented programs).
if(TARGET swirlmoss_frei0r_core)
  swirlmoss_add_test(frei0r_module_test SOURCES frei0r/module_test.cpp
    LIBS swirlmoss_frei0r_core LABELS frei0r gl
    ENV "SWIRLMOSS_PLUGIN=$<TARGET_FILE:Swirlmoss>")
  add_dependencies(frei0r_module_test Swirlmoss)
endif()
