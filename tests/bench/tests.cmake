# Benchmarks: built with the tests, run by hand (never by ctest); they print figures.
find_package(benchmark REQUIRED)
add_executable(frame_bench ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp)
swirlmoss_warnings(frame_bench)
target_link_libraries(frame_bench PRIVATE swirlmoss_core swirlmoss_hostkit benchmark::benchmark)

if(TARGET swirlmoss_frei0r_core)
  add_executable(frei0r_bench ${CMAKE_CURRENT_LIST_DIR}/frei0r_bench.cpp)
  swirlmoss_warnings(frei0r_bench)
  target_link_libraries(frei0r_bench PRIVATE swirlmoss_frei0r_core benchmark::benchmark)
  target_compile_definitions(frei0r_bench PRIVATE SWIRLMOSS_MODULE_PATH="$<TARGET_FILE:Swirlmoss>")
  add_dependencies(frei0r_bench Swirlmoss)
endif()
