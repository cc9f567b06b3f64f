# The host library, a suite per layer where it has behaviour of its own: child processes,
# contexts, the instance driver on the real plugin and where it is found, parameter plans and
# presets, ffprobe's reports, footage in and outputs and their table (checked against
# docs/footage.md). The layer order (and the platform-include rule) is checked from the sources
# alone.
get_property(_layers GLOBAL PROPERTY SWIRLMOSS_HOSTKIT_LAYERS)
if(_layers)
  add_test(NAME hostkit_layer_order
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/hostkit/layer_order_check.sh ${PROJECT_SOURCE_DIR}/tools ${_layers})
  set_tests_properties(hostkit_layer_order PROPERTIES LABELS tools)
endif()

if(TARGET swirlmoss_hostkit)
  find_package(OpenEXR CONFIG REQUIRED)
  swirlmoss_add_test(hostkit_child_process_test SOURCES hostkit/platform/child_process_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(hostkit_egl_context_test SOURCES hostkit/gl/egl_context_test.cpp
    LIBS swirlmoss_hostkit LABELS tools gl)
  swirlmoss_add_test(hostkit_driver_test SOURCES hostkit/plugin/driver_test.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_hostkit swirlmoss_test_support LABELS tools gl)
  target_compile_definitions(hostkit_driver_test PRIVATE
    SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>"
    FAKE_NO_ENTRY_PATH="$<TARGET_FILE:swirlmoss_fake_no_entry>"
    FAKE_CREATE_FAILS_PATH="$<TARGET_FILE:swirlmoss_fake_create_fails>")
  add_dependencies(hostkit_driver_test Swirlmoss swirlmoss_fake_no_entry swirlmoss_fake_create_fails)
  swirlmoss_add_test(hostkit_plugin_search_test SOURCES hostkit/plugin/plugin_search_test.cpp
    LIBS swirlmoss_hostkit_plugin LABELS tools)
  swirlmoss_add_test(hostkit_parameter_plan_test
    SOURCES hostkit/params/parameter_plan_test.cpp hostkit/params/mode_rule_test.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(hostkit_preset_test SOURCES hostkit/params/preset_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(hostkit_control_test SOURCES hostkit/control/osc_router_test.cpp hostkit/control/midi_map_test.cpp
    LIBS swirlmoss_hostkit_control swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(hostkit_output_test SOURCES hostkit/media/output_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util OpenEXR::OpenEXR LABELS tools)
  swirlmoss_add_test(hostkit_output_formats_test SOURCES hostkit/media/output_formats_test.cpp
    LIBS swirlmoss_hostkit_media LABELS tools)
  target_compile_definitions(hostkit_output_formats_test PRIVATE SWIRLMOSS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  swirlmoss_add_test(hostkit_media_probe_test SOURCES hostkit/media/media_probe_test.cpp
    LIBS swirlmoss_hostkit_media LABELS tools)
  swirlmoss_add_test(hostkit_frame_source_test
    SOURCES hostkit/media/frame_source_test.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(hostkit_encode_pool_test SOURCES hostkit/media/encode_pool_test.cpp
    LIBS swirlmoss_hostkit LABELS tools)
  swirlmoss_add_test(hostkit_sound_analysis_test SOURCES hostkit/media/sound_analysis_test.cpp
    LIBS swirlmoss_hostkit_media swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(hostkit_video_output_test SOURCES hostkit/media/video_output_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util LABELS tools)
endif()

# The PipeWire camera, beside a private PipeWire and WirePlumber of its own.
if(TARGET swirlmoss_hostkit)
  find_package(nlohmann_json 3 REQUIRED)
  swirlmoss_add_test(hostkit_pipewire_camera_test
    SOURCES hostkit/media/pipewire_camera_test.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_hostkit_camera swirlmoss_hostkit swirlmoss_tool_test_util nlohmann_json::nlohmann_json
    WRAPPER bash ${PROJECT_SOURCE_DIR}/tests/support/with_pipewire.sh
    LABELS tools)
  set_tests_properties(hostkit_pipewire_camera_test PROPERTIES TIMEOUT 180)
endif()
