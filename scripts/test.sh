#!/usr/bin/env bash
# Builds everything and runs every test suite. This is the project's one test command.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (warnings are errors) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== tests =="
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Windows: cross build and host test under Wine =="
bash scripts/build-windows.sh --test
