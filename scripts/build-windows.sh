#!/usr/bin/env bash
# Cross-builds the plugin for 64-bit Windows into build-windows/ (Swirlmoss.dll, statically
# linked, exporting plugMain and SetLogCallback only) and checks the DLL's exports and
# imports. With --test it also builds the Windows host test and runs it under Wine.
#
# Usage: scripts/build-windows.sh [--test]
# Needs g++-mingw-w64-x86-64-posix (and for --test wine, wine64, xvfb, xauth): see
# scripts/setup.sh. A missing tool stops the build with a clear message and exit code 1.
set -euo pipefail
cd "$(dirname "$0")/.."

die() { echo "build-windows: $*" >&2; exit 1; }
run_tests=OFF
case "${1:-}" in
  "") ;;
  --test) run_tests=ON ;;
  *) die "usage: $0 [--test]" ;;
esac
command -v x86_64-w64-mingw32-g++-posix >/dev/null \
  || die "x86_64-w64-mingw32-g++-posix not found: install g++-mingw-w64-x86-64-posix (scripts/setup.sh)"

build=build-windows
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/windows-glew.sh "$build/glew"
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DGLEW_INCLUDE_DIR="$PWD/$build/glew/include" \
  -DGLEW_STATIC_LIBRARY_RELEASE="$PWD/$build/glew/lib/libglew32s.a" \
  -DSWIRLMOSS_BUILD_TESTS="$run_tests" >/dev/null
cmake --build "$build" -j "$jobs"
bash scripts/check-windows-dll.sh "$build/Swirlmoss.dll"
echo "build-windows: $PWD/$build/Swirlmoss.dll"

if [ "$run_tests" = ON ]; then
  ctest --test-dir "$build" --output-on-failure
fi
