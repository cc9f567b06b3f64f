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

# The fuzz targets are a clang build of their own: plugMain and every text the hosts parse. Each
# runs for its share of SWIRLMOSS_FUZZ_SECONDS from its seed corpus in fuzz/corpus/NAME; any
# crash, leak, sanitizer report, broken parser promise or hang (over 10 s on one input) fails the
# run and leaves the input that caused it in build-fuzz/.
fuzz_targets=(plugmain set preset ui_script probe_report number_pattern size device_choice frei0r)
fuzz_seconds=${SWIRLMOSS_FUZZ_SECONDS:-60}
fuzz_each=$(( fuzz_seconds / ${#fuzz_targets[@]} > 1 ? fuzz_seconds / ${#fuzz_targets[@]} : 1 ))
echo "== fuzzing ${#fuzz_targets[@]} targets for ${fuzz_each} s each =="
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j "$jobs"
for target in "${fuzz_targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  log="build-fuzz/$target.log"
  # Standard error is closed for the target (the frei0r module writes its lines there); libFuzzer
  # and the sanitizers report on a copy of it.
  if ! "build-fuzz/${target}_fuzzer" -max_total_time="$fuzz_each" -timeout=10 -close_fd_mask=2 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/$target-" "build-fuzz/corpus/$target" "fuzz/corpus/$target" </dev/null >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzzing $target found a fault: the input is in build-fuzz/ ($target-crash-*, -leak-* or -timeout-*)" >&2
    exit 1
  fi
  echo "$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in ${fuzz_each} s"
done

echo "== Windows: cross build and host test under Wine =="
bash scripts/build-windows.sh --test
