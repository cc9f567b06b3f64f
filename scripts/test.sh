#!/usr/bin/env bash
# Builds everything and runs every test suite. This is the project's one test command.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

# Every test that skipped in the last ctest run of BUILD, one "TEST<tab>REASON" line each:
# GoogleTest's skips (the message above each "[  SKIPPED ]" line of a test's output) and
# CTest's own (a SKIP_RETURN_CODE test: its name in ctest's summary, its output as reason).
skipped_tests() {  # BUILD CTEST-SUMMARY
  local ctest_skips
  ctest_skips=$(sed -nE 's/^[[:space:]]+[0-9]+ - (.+) \((Skipped|Disabled)\)$/\1/p' "$2" | tr '\n' ' ')
  awk -v ctest_skips="$ctest_skips" '
    BEGIN { n = split(ctest_skips, names, " "); for (i = 1; i <= n; i++) by_ctest[names[i]] = 1 }
    /^[0-9]+\/[0-9]+ Testing: / { test = $3; output = ""; next }
    /^Output:$/ { in_output = 1; getline; next }
    /^<end of output>$/ { in_output = 0; if (test in by_ctest) print test "\t" output; next }
    !in_output { next }
    { output = output (output == "" ? "" : " ") $0 }
    /^\[  SKIPPED \] [^ ]+ \(/ { print test " " $4 "\t" reason; reason = ""; in_reason = 0; next }
    /: Skipped$/ { reason = ""; in_reason = 1; next }
    /^(\[|$)/ { in_reason = 0 }
    in_reason { reason = reason (reason == "" ? "" : " ") $0 }
  ' "$1/Testing/Temporary/LastTest.log"
}

# A test that skips tested nothing, so it fails the run unless SWIRLMOSS_ALLOW_SKIP names
# what is knowingly absent: words matched against the skip's reason, such as "ffmpeg melt".
run_tests() {  # BUILD [CTEST-ARGS...]
  local build=$1 summary="$1/Testing/ctest-summary.txt" test reason word refused=0
  shift
  mkdir -p "$build/Testing"
  ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@" | tee "$summary"
  while IFS=$'\t' read -r test reason; do
    for word in ${SWIRLMOSS_ALLOW_SKIP:-}; do
      if [[ $reason == *"$word"* ]]; then
        echo "skipped, allowed by SWIRLMOSS_ALLOW_SKIP ($word): $test: $reason"
        continue 2
      fi
    done
    echo "SKIPPED: $test: ${reason:-no reason given}" >&2
    refused=1
  done < <(skipped_tests "$build" "$summary")
  if [ "$refused" = 1 ]; then
    echo "tests skipped (above): install what they need (scripts/setup.sh), or name it in SWIRLMOSS_ALLOW_SKIP" >&2
    exit 1
  fi
}

echo "== build (warnings are errors) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== tests =="
run_tests build

echo "== sanitizer build (AddressSanitizer with leak detection, UndefinedBehaviorSanitizer) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSWIRLMOSS_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
run_tests build-asan

# The fuzz targets are a clang build of their own: plugMain and every text the hosts parse. Each
# runs for its share of SWIRLMOSS_FUZZ_SECONDS from its seed corpus in fuzz/corpus/NAME; any
# crash, leak, sanitizer report, broken parser promise or hang (over 10 s on one input) fails the
# run and leaves the input that caused it in build-fuzz/.
fuzz_targets=(plugmain set preset ui_script osc probe_report number_pattern size device_choice frei0r)
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
