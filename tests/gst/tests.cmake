# The GStreamer GL element in GStreamer on the headless EGL device platform, with the
# readback-counting shim preloaded (the normal build only: the sanitizer build's element cannot
# load into uninstrumented GStreamer helpers, and the shim cannot precede its runtime).
if(TARGET swirlmoss_gst AND NOT SWIRLMOSS_SANITIZE)
  include(${CMAKE_CURRENT_LIST_DIR}/../support/readback_counter.cmake)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GST_TEST_LIBS REQUIRED IMPORTED_TARGET gstreamer-1.0)
  swirlmoss_add_test(gst_element_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/element_test.cpp
    LIBS swirlmoss_tool_test_util PkgConfig::GST_TEST_LIBS ${CMAKE_DL_LIBS} LABELS "gst;gl")
  target_include_directories(gst_element_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(gst_element_test PRIVATE SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>")
  add_dependencies(gst_element_test swirlmoss_gst swirlmoss Swirlmoss swirlmoss_readback_counter)
  set(_gst_env
    "MESA_SHADER_CACHE_DIR=${SWIRLMOSS_SHADER_CACHE_DIR}"
    "GST_PLUGIN_PATH=$<TARGET_FILE_DIR:swirlmoss_gst>"
    "GST_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/gst-element-registry.bin"
    "GST_GL_PLATFORM=egl" "GST_GL_WINDOW=egl-device" "GST_GL_API=opengl3"
    "LD_PRELOAD=$<TARGET_FILE:swirlmoss_readback_counter>")
  set_tests_properties(gst_element_test PROPERTIES ENVIRONMENT "${_gst_env}")
  set_property(TEST gst_element_test APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-*OldGl*")
  add_test(NAME gst_element_old_gl_test COMMAND $<TARGET_FILE:gst_element_test> --gtest_filter=*OldGl*)
  set_tests_properties(gst_element_old_gl_test PROPERTIES LABELS "gst;gl" TIMEOUT 300
    ENVIRONMENT "${_gst_env};MESA_GL_VERSION_OVERRIDE=3.3;MESA_GLSL_VERSION_OVERRIDE=330")
  # OpenGL 4.1 without clip control: the plugin's picture takes a second copy to the output.
  add_test(NAME gst_element_no_clip_control_test COMMAND $<TARGET_FILE:gst_element_test> --gtest_filter=*Blend*)
  set_tests_properties(gst_element_no_clip_control_test PROPERTIES LABELS "gst;gl" TIMEOUT 300
    ENVIRONMENT "${_gst_env};MESA_GL_VERSION_OVERRIDE=4.1;MESA_EXTENSION_OVERRIDE=-GL_ARB_clip_control")
endif()
