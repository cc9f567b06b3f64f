# What the OBS module saves and restores around the plugin, on the tests' own GL context.
if(TARGET swirlmoss_obs)
  swirlmoss_add_test(obs_gl_state_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gl_state_test.cpp
    ${PROJECT_SOURCE_DIR}/tools/obs/gl_state.cpp LIBS swirlmoss_test_support LABELS "obs;gl")
endif()

# The OBS module inside libobs, started by a test program of its own on a private X server
# (the normal build only: the sanitizer build's module cannot load into an uninstrumented
# libobs). A shim preloaded into the program counts GL readback calls by their caller.
if(TARGET swirlmoss_obs AND NOT SWIRLMOSS_SANITIZE)
  find_package(X11 REQUIRED)
  find_package(libobs REQUIRED)
  include(${CMAKE_CURRENT_LIST_DIR}/../support/readback_counter.cmake)

  set(_obs_wrapper bash ${CMAKE_CURRENT_LIST_DIR}/../support/with_xvfb.sh 640x480x24
      env LD_PRELOAD=$<TARGET_FILE:swirlmoss_readback_counter>)
  add_executable(obs_filter_test ${CMAKE_CURRENT_LIST_DIR}/obs_filter_test.cpp ${CMAKE_CURRENT_LIST_DIR}/obs_session.cpp)
  swirlmoss_warnings(obs_filter_test)
  target_include_directories(obs_filter_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(obs_filter_test PRIVATE OBS::libobs X11::X11 swirlmoss_hostkit_image swirlmoss_tool_test_util
    ${CMAKE_DL_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(obs_filter_test PRIVATE
    OBS_MODULE_DIR="/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/obs-plugins"
    OBS_DATA_DIR="/usr/share/obs/obs-plugins"
    SWIRLMOSS_OBS_MODULE="$<TARGET_FILE:swirlmoss_obs>"
    SWIRLMOSS_OBS_DATA="$<TARGET_FILE_DIR:swirlmoss_obs>/swirlmoss-obs"
    SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>"
    SWIRLMOSS_PLUGIN_PATH="$<TARGET_FILE:Swirlmoss>")
  add_dependencies(obs_filter_test swirlmoss_obs swirlmoss Swirlmoss swirlmoss_readback_counter)

  # Frame times of a 1280x720 scene with and without the filter, and the filter's own cost over a
  # plugin that draws nothing: run by hand, never by ctest.
  add_executable(obs_bench ${CMAKE_CURRENT_LIST_DIR}/obs_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/obs_session.cpp)
  swirlmoss_warnings(obs_bench)
  target_include_directories(obs_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(obs_bench PRIVATE OBS::libobs X11::X11)
  target_compile_definitions(obs_bench PRIVATE
    OBS_MODULE_DIR="/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/obs-plugins"
    OBS_DATA_DIR="/usr/share/obs/obs-plugins"
    SWIRLMOSS_OBS_MODULE="$<TARGET_FILE:swirlmoss_obs>"
    SWIRLMOSS_OBS_DATA="$<TARGET_FILE_DIR:swirlmoss_obs>/swirlmoss-obs")
  add_library(swirlmoss_fake_no_draw MODULE ${CMAKE_CURRENT_LIST_DIR}/fake_no_draw.cpp)
  swirlmoss_warnings(swirlmoss_fake_no_draw)
  target_compile_definitions(swirlmoss_fake_no_draw PRIVATE SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>")
  target_link_libraries(swirlmoss_fake_no_draw PRIVATE ${CMAKE_DL_LIBS})
  target_include_directories(swirlmoss_fake_no_draw PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(swirlmoss_fake_no_draw PROPERTIES PREFIX "")
  target_compile_definitions(obs_bench PRIVATE SWIRLMOSS_NO_DRAW_PLUGIN="$<TARGET_FILE:swirlmoss_fake_no_draw>")
  add_dependencies(obs_bench swirlmoss_obs Swirlmoss swirlmoss_fake_no_draw)
  # The plugin is found beside the module's build folder, as the installed module finds it.
  add_test(NAME obs_filter_test COMMAND ${_obs_wrapper} env -u SWIRLMOSS_PLUGIN $<TARGET_FILE:obs_filter_test>
    --gtest_filter=-Unavailable.*)
  # Processes of their own: the module makes itself ready once per process. The line the
  # module must log is named for each.
  add_test(NAME obs_filter_no_plugin_test COMMAND ${_obs_wrapper} SWIRLMOSS_PLUGIN=/nonexistent/Swirlmoss.so
    $<TARGET_FILE:obs_filter_test> --gtest_filter=Unavailable.*)
  add_test(NAME obs_filter_old_gl_test COMMAND ${_obs_wrapper} MESA_GL_VERSION_OVERRIDE=3.3 MESA_GLSL_VERSION_OVERRIDE=330
    $<TARGET_FILE:obs_filter_test> --gtest_filter=Unavailable.*)
  set_tests_properties(obs_filter_test obs_filter_no_plugin_test obs_filter_old_gl_test PROPERTIES
    LABELS "obs;gl" TIMEOUT 600 ENVIRONMENT "MESA_SHADER_CACHE_DIR=${SWIRLMOSS_SHADER_CACHE_DIR}")
endif()
