# The swirlmoss program end to end: every subcommand run as a user runs it, on the real plugin
# and on stand-ins for broken ones; and the options render and preview share, parsed back from
# the preview's copied command.
if(TARGET swirlmoss_cli_options)
  swirlmoss_add_test(swirlmoss_cli_options_test SOURCES cli/settings_options_test.cpp
    LIBS swirlmoss_cli_options LABELS tools)
endif()
if(TARGET swirlmoss)
  find_package(OpenEXR CONFIG REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  swirlmoss_add_test(swirlmoss_cli_test SOURCES cli/cli_test.cpp cli/cli_footage_test.cpp
    LIBS swirlmoss_hostkit swirlmoss_tool_test_util OpenEXR::OpenEXR nlohmann_json::nlohmann_json LABELS tools gl)
  target_compile_definitions(swirlmoss_cli_test PRIVATE
    SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>"
    SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>"
    SWIRLMOSS_LOOKS_DIR="${PROJECT_SOURCE_DIR}/looks"
    FAKE_NO_ENTRY_PATH="$<TARGET_FILE:swirlmoss_fake_no_entry>"
    FAKE_CREATE_FAILS_PATH="$<TARGET_FILE:swirlmoss_fake_create_fails>"
    FAKE_CHATTY_PATH="$<TARGET_FILE:swirlmoss_fake_chatty>"
    FAKE_BEAT_LOG_PATH="$<TARGET_FILE:swirlmoss_fake_beat_log>")
  add_dependencies(swirlmoss_cli_test Swirlmoss swirlmoss swirlmoss_fake_no_entry swirlmoss_fake_create_fails
    swirlmoss_fake_chatty swirlmoss_fake_beat_log)
  if(SWIRLMOSS_SANITIZE)
    # The sanitizer settings the tests run with must reach the programs they start.
    target_compile_definitions(swirlmoss_cli_test PRIVATE SWIRLMOSS_INHERITED_ASAN_OPTION="intercept_tls_get_addr=0")
    # The preview's window unloads the GLX driver when it closes. In the sanitizer build the
    # CLI, too, keeps every library loaded, so that a leak report from a run of it names its
    # library.
    target_sources(swirlmoss PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sanitizers/keep_libraries_loaded.cpp)
    target_link_options(swirlmoss PRIVATE "LINKER:--export-dynamic-symbol=dlclose")
  endif()
endif()

# The command line as documented (docs/cli.md, the bash completion, the manual page) against
# the options the built program's --help lists.
if(TARGET swirlmoss_manual)
  get_property(_completion GLOBAL PROPERTY SWIRLMOSS_BASH_COMPLETION)
  get_property(_manual_page GLOBAL PROPERTY SWIRLMOSS_MANUAL_PAGE)
  add_test(NAME cli_docs_check
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/docs_check.sh $<TARGET_FILE:swirlmoss>
      ${PROJECT_SOURCE_DIR}/docs/cli.md ${_completion} ${_manual_page})
  set_tests_properties(cli_docs_check PROPERTIES LABELS tools)
endif()
