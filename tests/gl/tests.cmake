# GL utilities and the shared noise functions, on the headless context.
add_library(swirlmoss_gl_test_helpers STATIC ${CMAKE_CURRENT_LIST_DIR}/gl_test_helpers.cpp)
swirlmoss_warnings(swirlmoss_gl_test_helpers)
target_link_libraries(swirlmoss_gl_test_helpers PUBLIC swirlmoss_core swirlmoss_test_support GTest::gtest)

swirlmoss_add_test(gl_utilities_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shader_program_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/screen_quad_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/noise_functions_test.cpp
  LIBS swirlmoss_gl_test_helpers
  LABELS gl)
