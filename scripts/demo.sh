#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the plugin as a host sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
echo "built build/Swirlmoss.so"
nm -D --defined-only build/Swirlmoss.so
