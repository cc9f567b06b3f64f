# Benchmarks: built with the tests, run by hand (never by ctest); they print figures.
find_package(benchmark REQUIRED)
add_executable(frame_bench ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp)
swirlmoss_warnings(frame_bench)
target_link_libraries(frame_bench PRIVATE swirlmoss_core swirlmoss_hostkit benchmark::benchmark)
