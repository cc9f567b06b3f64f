swirlmoss_add_test(effect_params_test SOURCES effect/organic_mats_params_test.cpp LIBS swirlmoss_core)
swirlmoss_add_test(steady_state_allocation_test SOURCES effect/steady_state_allocation_test.cpp LIBS swirlmoss_core)

# The clock's arm64 object, compiled with the flags the build gives the plugin's objects
# (from compile_commands.json), holds no fused multiply-add.
add_test(NAME clock_not_fused_on_arm64
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/clock_not_fused.sh ${PROJECT_SOURCE_DIR}
    ${CMAKE_BINARY_DIR}/compile_commands.json)
set_tests_properties(clock_not_fused_on_arm64 PROPERTIES SKIP_RETURN_CODE 77 LABELS arm64)
