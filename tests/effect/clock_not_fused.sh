#!/usr/bin/env bash
# Cross-compiles the animation clock for arm64, where compilers fuse a multiply and an add
# into one instruction unless told not to, and fails if the object contains a fused
# multiply-add. The flags are the ones the build really gives the shipped plugin's copy of
# the clock, read from the build's compile_commands.json (x86-only -m flags left out): a flag
# dropped from the target fails this check. The same source compiled with contraction forced
# on must contain a fused multiply-add, or the search below would prove nothing.
#   clock_not_fused.sh SOURCE_ROOT COMPILE_COMMANDS_JSON
set -euo pipefail
root=$1
commands=$2
cxx=aarch64-linux-gnu-g++
objdump=aarch64-linux-gnu-objdump
for tool in "$cxx" "$objdump" jq; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done

# The command ninja runs for the plugin's object, split as its shell splits it.
command=$(jq -r '.[] | select(.output // .command | test("swirlmoss_core_objects.dir/effect/animation_clock.cpp.o"))
  | .command' "$commands" | head -n 1)
if [ -z "$command" ]; then
  echo "$commands has no command for the plugin's effect/animation_clock.cpp" >&2
  exit 1
fi
eval "words=($command)"
flags=()
for ((i = 1; i < ${#words[@]}; i++)); do
  case ${words[i]} in
    -o | -c | -MT | -MF) ((++i)) ;;   # output, input and dependency files
    -MD | -m*) ;;                     # dependency output, the host's own target flags
    *) flags+=("${words[i]}") ;;
  esac
done
echo "the plugin's flags: ${flags[*]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fused='\bf(n?madd|n?msub)\b'

disassemble() {  # output-name extra-flags...
  local name=$1
  shift
  "$cxx" "${flags[@]}" "$@" -c "$root/effect/animation_clock.cpp" -o "$work/$name.o"
  "$objdump" -d "$work/$name.o" >"$work/$name.txt"
}

disassemble shipped
disassemble contracted -ffp-contract=fast
if ! grep -qE "$fused" "$work/contracted.txt"; then
  echo "the check is blind: with contraction forced on the clock has no fused multiply-add either" >&2
  exit 1
fi
if grep -E "$fused" "$work/shipped.txt"; then
  echo "the clock's arm64 object contains the fused multiply-add above: contraction is not off" >&2
  exit 1
fi
echo "arm64 clock object: no fused multiply-add ($(grep -cE "$fused" "$work/contracted.txt") with contraction forced on)"
