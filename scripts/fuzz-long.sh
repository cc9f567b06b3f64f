#!/usr/bin/env bash
# Long fuzz runs: every fuzz target (or those named) for SECONDS each, two at a time, each from
# its committed corpus in fuzz/corpus/NAME plus what earlier long runs kept in
# build-fuzz/long/NAME/. Prints each target's executions, coverage and corpus, and exits 1 if
# any target found a fault (the input is left in build-fuzz/long/, named under its row).
#
# Usage: scripts/fuzz-long.sh [--merge] [SECONDS] [TARGET...]
#   SECONDS   per target, default 600
#   --merge   afterwards, minimise each target's corpus (libFuzzer's -merge=1) and write it into
#             fuzz/corpus/NAME: the named seeds stay, and the inputs named by their SHA-1 are
#             replaced by the smallest set that keeps the coverage the seeds do not reach
# SWIRLMOSS_FUZZ_JOBS sets how many targets run at once (default 2). Run it niced on a shared
# machine: nice -n 19 scripts/fuzz-long.sh 600. See docs/reliability.md.
set -euo pipefail
cd "$(dirname "$0")/.."

die() { echo "fuzz-long: $*" >&2; exit 1; }
# Every target fuzz/CMakeLists.txt declares, in its order.
mapfile -t all_targets < <(sed -nE 's/^swirlmoss_fuzzer\(([a-z_0-9]+) .*/\1/p' fuzz/CMakeLists.txt)
(( ${#all_targets[@]} )) || die "fuzz/CMakeLists.txt declares no fuzz target"
merge=0
seconds=600
targets=()
for arg in "$@"; do
  case $arg in
    --merge) merge=1 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    ''|*[!0-9]*)
      [[ " ${all_targets[*]} " == *" $arg "* ]] || die "\"$arg\" is neither a number of seconds nor a target (${all_targets[*]})"
      targets+=("$arg") ;;
    *) seconds=$arg ;;
  esac
done
(( seconds > 0 )) || die "SECONDS must be 1 or more"
(( ${#targets[@]} )) || targets=("${all_targets[@]}")
jobs=${SWIRLMOSS_FUZZ_JOBS:-2}
[[ $jobs =~ ^[1-9][0-9]*$ ]] || die "SWIRLMOSS_FUZZ_JOBS must be a whole number from 1, not \"$jobs\""
command -v clang++ >/dev/null || die "clang++ not found: the fuzz targets are a clang build (scripts/setup.sh)"

echo "== building the fuzz targets =="
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j "$jobs"

out=build-fuzz/long
mkdir -p "$out"

# One target for `seconds`: new inputs go to $out/NAME, the log to $out/NAME.log.
run_one() {  # NAME
  local name=$1
  mkdir -p "$out/$name"
  # Standard error is closed for the target (the frei0r module writes its lines there); libFuzzer
  # and the sanitizers report on a copy of it.
  "build-fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$out/$name-" "$out/$name" "fuzz/corpus/$name" </dev/null >"$out/$name.log" 2>&1
}

# "executions exec/s coverage features corpus-units" from a finished log.
summary() {  # NAME
  local log="$out/$1.log" executions rate last
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+.* cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1 || true)
  echo "${executions:-?} ${rate:-?} $(sed -nE 's/.* cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/\1 \2 \3/p' <<<"$last")"
}

echo "== fuzzing ${#targets[@]} targets for ${seconds} s each, ${jobs} at a time (started $(date -u '+%Y-%m-%d %H:%M UTC')) =="
declare -A name_of=() result_of=()
# Waits for one running target and records how it ended.
reap() {
  local pid status=0
  wait -n -p pid || status=$?
  if (( status == 0 )); then result_of[${name_of[$pid]}]=held; else result_of[${name_of[$pid]}]=FAULT; fi
}
for name in "${targets[@]}"; do
  (( ${#name_of[@]} - ${#result_of[@]} < jobs )) || reap
  run_one "$name" &
  name_of[$!]=$name
done
while (( ${#result_of[@]} < ${#name_of[@]} )); do reap; done

failed=0
printf '%-15s %12s %9s %7s %8s %7s  %s\n' target executions exec/s cov ft corpus result
for name in "${targets[@]}"; do
  read -r executions rate cov ft corpus <<<"$(summary "$name")"
  printf '%-15s %12s %9s %7s %8s %7s  %s\n' "$name" "$executions" "$rate" "${cov:-?}" "${ft:-?}" "${corpus:-?}" \
    "${result_of[$name]}"
  if [[ ${result_of[$name]} != held ]]; then
    failed=1
    grep -m 1 -E 'ERROR|broken promise|SUMMARY' "$out/$name.log" >&2 || true
    echo "  the input: $(ls "$out/$name"-* 2>/dev/null | tr '\n' ' ')(log: $out/$name.log)" >&2
  fi
done

if (( merge )); then
  echo "== minimising into fuzz/corpus/ =="
  for name in "${targets[@]}"; do
    [[ ${result_of[$name]} == held ]] || { echo "$name: not merged (it found a fault)"; continue; }
    # The named seeds first, so that only what they do not cover is added; then the inputs of
    # the committed corpus and of the long runs compete for the rest.
    staged="$out/$name.merged"
    rm -rf "$staged" && mkdir -p "$staged"
    find "fuzz/corpus/$name" -regextype posix-extended -maxdepth 1 -type f ! -regex '.*/[0-9a-f]{40}' -exec cp {} "$staged/" \;
    seeds=$(find "$staged" -type f | wc -l)
    "build-fuzz/${name}_fuzzer" -merge=1 -timeout=10 -close_fd_mask=2 "$staged" "fuzz/corpus/$name" "$out/$name" \
      </dev/null >"$out/$name.merge.log" 2>&1 || { tail -n 20 "$out/$name.merge.log"; die "merging $name failed"; }
    find "fuzz/corpus/$name" -regextype posix-extended -maxdepth 1 -type f -regex '.*/[0-9a-f]{40}' -delete
    find "$staged" -regextype posix-extended -maxdepth 1 -type f -regex '.*/[0-9a-f]{40}' -exec cp {} "fuzz/corpus/$name/" \;
    echo "$name: $seeds named seeds and $(find "fuzz/corpus/$name" -regextype posix-extended -maxdepth 1 -type f -regex '.*/[0-9a-f]{40}' | wc -l)" \
         "merged inputs, $(du -sk --apparent-size "fuzz/corpus/$name" | cut -f1) KiB"
  done
  echo "fuzz/corpus: $(du -sk --apparent-size fuzz/corpus | cut -f1) KiB in all"
fi
exit "$failed"
