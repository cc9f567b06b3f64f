#!/usr/bin/env bash
# The main job: installs what is missing, builds the plugin and the swirlmoss host, and renders
# the demo through the host into out/ (stills, out/contact-sheet.png, out/swirlmoss-demo.mp4).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target Swirlmoss swirlmoss
# llvmpipe compiles the effect's shader once (some 20 s); Mesa keeps it in this cache.
export MESA_SHADER_CACHE_DIR="${MESA_SHADER_CACHE_DIR:-$HOME/.cache/swirlmoss/mesa-shader-cache}"
mkdir -p "$MESA_SHADER_CACHE_DIR"
./build/swirlmoss demo --output-dir out
