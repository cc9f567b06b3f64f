# The preview: its parts without a window, and the window end to end. The window needs an X
# server: the test binary runs under its own Xvfb, a laptop's 1280x800 for the window suite (the
# window's height follows the screen).
if(TARGET swirlmoss_preview AND TARGET swirlmoss)
  find_package(nlohmann_json 3 REQUIRED)
  swirlmoss_add_test(swirlmoss_preview_parts_test SOURCES preview/preview_parts_test.cpp
    LIBS swirlmoss_preview swirlmoss_tool_test_util LABELS tools)
  swirlmoss_add_test(swirlmoss_preview_test SOURCES preview/preview_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util nlohmann_json::nlohmann_json
    WRAPPER bash ${PROJECT_SOURCE_DIR}/tests/support/with_xvfb.sh 1280x800x24
    LABELS tools gl glx)
  target_compile_definitions(swirlmoss_preview_test PRIVATE SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>")
  add_dependencies(swirlmoss_preview_test Swirlmoss swirlmoss)
  set_tests_properties(swirlmoss_preview_test PROPERTIES TIMEOUT 300)

  # Live control: the preview driven over OSC by oscsend and a steady sender of our own (liblo
  # as the preview library finds it), and over MIDI by a sender on a JACK server of the test's.
  add_executable(swirlmoss_osc_sender preview/osc_sender.cpp)
  swirlmoss_warnings(swirlmoss_osc_sender)
  target_link_libraries(swirlmoss_osc_sender PRIVATE PkgConfig::LIBLO Threads::Threads)
  add_executable(swirlmoss_midi_sender preview/midi_sender.cpp)
  swirlmoss_warnings(swirlmoss_midi_sender)
  target_link_libraries(swirlmoss_midi_sender PRIVATE PkgConfig::RTMIDI)
  swirlmoss_add_test(swirlmoss_preview_live_test SOURCES preview/live_test.cpp
    LIBS swirlmoss_tool_test_util nlohmann_json::nlohmann_json
    WRAPPER bash ${PROJECT_SOURCE_DIR}/tests/support/with_xvfb.sh 800x600x24
    LABELS tools gl glx)
  target_compile_definitions(swirlmoss_preview_live_test PRIVATE SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>"
    SWIRLMOSS_OSC_SENDER_PATH="$<TARGET_FILE:swirlmoss_osc_sender>"
    SWIRLMOSS_MIDI_SENDER_PATH="$<TARGET_FILE:swirlmoss_midi_sender>")
  add_dependencies(swirlmoss_preview_live_test Swirlmoss swirlmoss swirlmoss_osc_sender swirlmoss_midi_sender)
  set_tests_properties(swirlmoss_preview_live_test PROPERTIES TIMEOUT 300)
endif()

# The preview's camera and its live sound: a private PipeWire and WirePlumber around the
# suite's own X server.
if(TARGET swirlmoss_preview AND TARGET swirlmoss)
  foreach(suite camera sound)
    swirlmoss_add_test(swirlmoss_preview_${suite}_test SOURCES preview/${suite}_test.cpp
      LIBS swirlmoss_tool_test_util nlohmann_json::nlohmann_json
      WRAPPER bash ${PROJECT_SOURCE_DIR}/tests/support/with_pipewire.sh
              bash ${PROJECT_SOURCE_DIR}/tests/support/with_xvfb.sh 800x600x24
      LABELS tools gl glx)
    target_compile_definitions(swirlmoss_preview_${suite}_test PRIVATE SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>")
    add_dependencies(swirlmoss_preview_${suite}_test Swirlmoss swirlmoss)
    set_tests_properties(swirlmoss_preview_${suite}_test PROPERTIES TIMEOUT 300)
  endforeach()
endif()
