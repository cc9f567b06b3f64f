#!/bin/sh
# Platform calls live in *_posix.cpp files (one small file per concern), so the host builds
# elsewhere by adding a file per platform: anywhere else in tools/, POSIX-only headers are an error.
# Usage: platform_includes_check.sh TOOLS_DIR
set -eu
tools=${1:?usage: platform_includes_check.sh TOOLS_DIR}
found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd|signal|fcntl|spawn|dlfcn)\.h>|^[[:space:]]*#[[:space:]]*include[[:space:]]*<sys/' \
  --include='*.cpp' --include='*.h' --include='*.hpp' --include='*.cc' "$tools" | grep -v '_posix\.cpp:' || true)
if [ -n "$found" ]; then
  echo "POSIX headers outside *_posix.cpp files (put the call behind a small header with a _posix.cpp implementation):"
  echo "$found"
  exit 1
fi
echo "no POSIX headers outside *_posix.cpp files in $tools"
