# Reliability: allocation-free steady state, the GLX path under Xvfb, and a long soak.
# They link the plugin's internals and call them only through plugMain.
find_package(X11 REQUIRED)

add_library(swirlmoss_reliability_support STATIC
  reliability/plugin_calls.cpp
  reliability/host_surface.cpp)
swirlmoss_warnings(swirlmoss_reliability_support)
target_include_directories(swirlmoss_reliability_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(swirlmoss_reliability_support PUBLIC swirlmoss_core swirlmoss_gl_test_helpers)

# alloc_counter.cpp replaces the global operator new and delete of the binary it is in.
swirlmoss_add_test(reliability_steady_state_alloc
  SOURCES reliability/steady_state_alloc_test.cpp reliability/alloc_counter.cpp
  LIBS swirlmoss_reliability_support swirlmoss_test_support
  LABELS reliability gl)

# glibc's per-thread cache keeps freed blocks that mallinfo2 counts as in use; without it
# the heap figures are exact.
swirlmoss_add_test(reliability_soak
  SOURCES reliability/soak_test.cpp reliability/alloc_counter.cpp
  LIBS swirlmoss_reliability_support swirlmoss_test_support
  ENV GLIBC_TUNABLES=glibc.malloc.tcache_count=0
  LABELS reliability gl soak)

# Started on a private X server of its own (the display number is the server's own choice).
swirlmoss_add_test(reliability_glx_path
  SOURCES reliability/glx_path_test.cpp reliability/glx_context.cpp
  LIBS swirlmoss_reliability_support swirlmoss_test_support X11::X11 OpenGL::GLX
  WRAPPER bash ${PROJECT_SOURCE_DIR}/tests/support/with_xvfb.sh 64x64x24
  LABELS reliability gl glx)

# A hung X connection or driver must not hold CI for the default ten minutes.
set_tests_properties(reliability_glx_path reliability_soak PROPERTIES TIMEOUT 300)
