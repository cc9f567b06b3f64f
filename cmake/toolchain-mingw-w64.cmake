# Cross-builds for 64-bit Windows with Debian's mingw-w64 toolchain. The "-posix" compilers
# are required: the win32-threads variant has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
find_program(_mingw_cxx ${_mingw}-g++-posix)
if(NOT _mingw_cxx)
  message(FATAL_ERROR
    "${_mingw}-g++-posix not found: install g++-mingw-w64-x86-64-posix (scripts/setup.sh)")
endif()
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
