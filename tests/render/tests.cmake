# Frame rendering of the effect, driven through plugMain on the headless context, and the
# pictures of both looks written as PNG files for people to look at.
add_library(swirlmoss_render_test_host STATIC ${CMAKE_CURRENT_LIST_DIR}/plugin_host.cpp)
swirlmoss_warnings(swirlmoss_render_test_host)
# Its clock step rounds like the plugin's.
swirlmoss_exact_float(swirlmoss_render_test_host)
target_link_libraries(swirlmoss_render_test_host PUBLIC swirlmoss_gl_test_helpers)

swirlmoss_add_test(render_frame_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/frame_uniforms_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frame_state_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/looks_test.cpp
  LIBS swirlmoss_render_test_host
  LABELS gl render)

find_package(PNG REQUIRED)
swirlmoss_add_test(render_pictures
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pictures_test.cpp
  LIBS swirlmoss_render_test_host PNG::PNG
  ENV "SWIRLMOSS_PICTURE_DIR=${CMAKE_BINARY_DIR}/pictures"
  LABELS gl render)
