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

echo "== sanitizer build (AddressSanitizer with leak detection, UndefinedBehaviorSanitizer) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSWIRLMOSS_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The fuzz target is a clang build of its own; any crash, leak or sanitizer report fails
# the run and leaves the input that caused it in build-fuzz/.
fuzz_seconds=${SWIRLMOSS_FUZZ_SECONDS:-60}
echo "== fuzzing plugMain for ${fuzz_seconds} s =="
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j "$jobs"
mkdir -p build-fuzz/corpus
if ! build-fuzz/plugmain_fuzzer -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=1 \
     -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/corpus >build-fuzz/fuzz.log 2>&1; then
  tail -n 80 build-fuzz/fuzz.log
  echo "fuzzing found a fault: the input is in build-fuzz/ (crash-*, leak-* or timeout-*)" >&2
  exit 1
fi
grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' build-fuzz/fuzz.log || true

echo "== Windows: cross build and host test under Wine =="
bash scripts/build-windows.sh --test
