# The headless host: its outputs and parameter plans (no GL), its loader, the instance driver
# on the real plugin, and the swirlmoss CLI end to end.
# Platform calls stay in *_posix.cpp files; the check needs no build.
add_test(NAME tools_platform_includes
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tools/platform_includes_check.sh ${PROJECT_SOURCE_DIR}/tools)
set_tests_properties(tools_platform_includes PROPERTIES LABELS tools)

if(TARGET swirlmoss_hostkit AND TARGET swirlmoss)
  find_package(PNG REQUIRED)
  find_package(OpenEXR CONFIG REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  # Stand-ins for broken plugins: a shared library without plugMain, and a plugin whose
  # instance creation always fails.
  add_library(swirlmoss_fake_no_entry MODULE tools/fake_no_entry.cpp)
  add_library(swirlmoss_fake_create_fails MODULE tools/fake_create_fails.cpp)
  # The real plugin behind a wrapper that prints on standard output at every frame.
  add_library(swirlmoss_fake_chatty MODULE tools/fake_chatty.cpp)
  target_compile_definitions(swirlmoss_fake_chatty PRIVATE SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>")
  target_link_libraries(swirlmoss_fake_chatty PRIVATE ${CMAKE_DL_LIBS})
  set_target_properties(swirlmoss_fake_no_entry swirlmoss_fake_create_fails swirlmoss_fake_chatty PROPERTIES PREFIX "")
  swirlmoss_warnings(swirlmoss_fake_no_entry)
  swirlmoss_warnings(swirlmoss_fake_create_fails)
  swirlmoss_warnings(swirlmoss_fake_chatty)

  swirlmoss_add_test(hostkit_output_test SOURCES tools/output_test.cpp tools/child_process_test.cpp
    tools/tool_test_util.cpp
    LIBS swirlmoss_hostkit PNG::PNG OpenEXR::OpenEXR LABELS tools)
  swirlmoss_add_test(hostkit_frame_source_test
    SOURCES tools/frame_source_test.cpp tools/tool_test_util.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_hostkit PNG::PNG LABELS tools)
  swirlmoss_add_test(hostkit_encode_pool_test SOURCES tools/encode_pool_test.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(hostkit_egl_context_test SOURCES tools/egl_context_test.cpp
    LIBS swirlmoss_hostkit LABELS tools gl)
  swirlmoss_add_test(hostkit_video_output_test SOURCES tools/video_output_test.cpp tools/tool_test_util.cpp
    LIBS swirlmoss_hostkit PNG::PNG LABELS tools)
  swirlmoss_add_test(hostkit_parameter_plan_test SOURCES tools/parameter_plan_test.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(hostkit_driver_test SOURCES tools/driver_test.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_hostkit swirlmoss_test_support LABELS tools gl)
  swirlmoss_add_test(swirlmoss_cli_test SOURCES tools/cli_test.cpp tools/cli_footage_test.cpp tools/tool_test_util.cpp
    LIBS swirlmoss_hostkit PNG::PNG OpenEXR::OpenEXR nlohmann_json::nlohmann_json LABELS tools gl)
  foreach(test hostkit_driver_test swirlmoss_cli_test)
    target_compile_definitions(${test} PRIVATE
      SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>"
      SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>"
      FAKE_NO_ENTRY_PATH="$<TARGET_FILE:swirlmoss_fake_no_entry>"
      FAKE_CREATE_FAILS_PATH="$<TARGET_FILE:swirlmoss_fake_create_fails>"
      FAKE_CHATTY_PATH="$<TARGET_FILE:swirlmoss_fake_chatty>")
    add_dependencies(${test} Swirlmoss swirlmoss swirlmoss_fake_no_entry swirlmoss_fake_create_fails
      swirlmoss_fake_chatty)
  endforeach()
  if(SWIRLMOSS_SANITIZE)
    # The sanitizer settings the tests run with must reach the programs they start.
    target_compile_definitions(swirlmoss_cli_test PRIVATE SWIRLMOSS_INHERITED_ASAN_OPTION="intercept_tls_get_addr=0")
  endif()
endif()

# Presets (no GL) and the preview window end to end. The window needs an X server: the test
# binary runs under its own Xvfb, sized to hold the small windows it opens.
if(TARGET swirlmoss_hostkit AND TARGET swirlmoss)
  swirlmoss_add_test(hostkit_preset_test SOURCES tools/preset_test.cpp tools/tool_test_util.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(swirlmoss_preview_parts_test SOURCES tools/preview_parts_test.cpp tools/tool_test_util.cpp
    ${PROJECT_SOURCE_DIR}/tools/preview/picture_view.cpp ${PROJECT_SOURCE_DIR}/tools/preview/ui_script.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(swirlmoss_preview_test SOURCES tools/preview_test.cpp tools/tool_test_util.cpp
    LIBS swirlmoss_hostkit PNG::PNG nlohmann_json::nlohmann_json
    WRAPPER xvfb-run -a -s "-screen 0 800x600x24"
    LABELS tools gl glx)
  target_compile_definitions(swirlmoss_preview_test PRIVATE SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>")
  add_dependencies(swirlmoss_preview_test Swirlmoss swirlmoss)
  set_tests_properties(swirlmoss_preview_test PROPERTIES TIMEOUT 300)
endif()

# The preview's window unloads the GLX driver when it closes. In the sanitizer build the CLI,
# too, keeps every library loaded, so that a leak report from a run of it names its library.
if(SWIRLMOSS_SANITIZE AND TARGET swirlmoss)
  target_sources(swirlmoss PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sanitizers/keep_libraries_loaded.cpp)
  target_link_options(swirlmoss PRIVATE "LINKER:--export-dynamic-symbol=dlclose")
endif()
