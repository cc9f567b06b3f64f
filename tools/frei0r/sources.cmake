# The module's sources, for its own build and for the fuzz build, which compiles them again
# under the fuzzing sanitizers.
set(SWIRLMOSS_FREI0R_SOURCES
  filter_instance.cpp
  frame_clock.cpp
  frame_transfer.cpp
  gl_thread.cpp
  module_exports.cpp
  module_state.cpp
  step_trace_posix.cpp)
list(TRANSFORM SWIRLMOSS_FREI0R_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
