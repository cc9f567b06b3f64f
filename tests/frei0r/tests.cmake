# The frei0r module: called directly in this process (both builds), and inside the real hosts
# ffmpeg, melt and GStreamer (the normal build only: the sanitizer build's module cannot load
# into uninstrumented programs).
if(TARGET swirlmoss_frei0r_core)
  # alloc_counter.cpp counts this binary's operator new calls: the module's code is linked in.
  swirlmoss_add_test(frei0r_module_test SOURCES frei0r/module_test.cpp reliability/alloc_counter.cpp
    LIBS swirlmoss_frei0r_core LABELS frei0r gl
    ENV "SWIRLMOSS_PLUGIN=$<TARGET_FILE:Swirlmoss>")
  add_dependencies(frei0r_module_test Swirlmoss)
endif()

if(TARGET swirlmoss_frei0r AND NOT SWIRLMOSS_SANITIZE)
  find_package(PNG REQUIRED)
  find_program(FFMPEG_PATH ffmpeg REQUIRED)
  find_program(MELT_PATH melt REQUIRED)
  find_program(GST_LAUNCH_PATH gst-launch-1.0 REQUIRED)
  find_program(XMLLINT_PATH xmllint REQUIRED)
  swirlmoss_add_test(frei0r_hosts_test SOURCES frei0r/hosts_test.cpp
    LIBS swirlmoss_tool_test_util LABELS frei0r gl)
  target_include_directories(frei0r_hosts_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(frei0r_hosts_test PRIVATE
    FREI0R_MODULE_DIR="$<TARGET_FILE_DIR:swirlmoss_frei0r>"
    # A private registry: the first run scans once, later ones only when the module changes.
    GST_REGISTRY_FILE="${CMAKE_CURRENT_BINARY_DIR}/frei0r-gst-registry.bin"
    SWIRLMOSS_CLI_PATH="$<TARGET_FILE:swirlmoss>" EDITORS_DIR="${SWIRLMOSS_EDITORS_DIR}" XMLLINT_PATH="${XMLLINT_PATH}"
    FFMPEG_PATH="${FFMPEG_PATH}" MELT_PATH="${MELT_PATH}" GST_LAUNCH_PATH="${GST_LAUNCH_PATH}")
  add_dependencies(frei0r_hosts_test swirlmoss_frei0r swirlmoss Swirlmoss swirlmoss_editor_descriptions)
endif()

# The Debian package: contents and fields (installing it is the fresh-machine check's work).
if(TARGET swirlmoss_frei0r AND NOT SWIRLMOSS_SANITIZE)
  add_test(NAME swirlmoss_package_check
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-package.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(swirlmoss_package_check PROPERTIES LABELS "frei0r;package" TIMEOUT 300
    ENVIRONMENT "MESA_SHADER_CACHE_DIR=${SWIRLMOSS_SHADER_CACHE_DIR}")
endif()

# The editors' descriptions the build writes, against the module (linked in) and the plugin.
if(TARGET swirlmoss_editor_descriptions)
  find_program(XMLLINT_PATH xmllint REQUIRED)
  find_program(QMLLINT_PATH qmllint REQUIRED)
  swirlmoss_add_test(frei0r_editor_descriptions_test SOURCES frei0r/editor_descriptions_test.cpp
    LIBS swirlmoss_frei0r_core swirlmoss_tool_test_util nlohmann_json::nlohmann_json LABELS frei0r
    ENV "SWIRLMOSS_PLUGIN=$<TARGET_FILE:Swirlmoss>")
  target_compile_definitions(frei0r_editor_descriptions_test PRIVATE
    EDITORS_DIR="${SWIRLMOSS_EDITORS_DIR}" SWIRLMOSS_PLUGIN_PATH="$<TARGET_FILE:Swirlmoss>"
    EDITORS_PROGRAM="$<TARGET_FILE:swirlmoss-editors>" FREI0R_MODULE_PATH="$<TARGET_FILE:swirlmoss_frei0r>"
    XMLLINT_PATH="${XMLLINT_PATH}" QMLLINT_PATH="${QMLLINT_PATH}" LOOKS_DIR="${PROJECT_SOURCE_DIR}/looks")
  add_dependencies(frei0r_editor_descriptions_test swirlmoss_editor_descriptions)
endif()
