#!/usr/bin/env bash
# Cross-compiles the animation clock for arm64, where compilers fuse a multiply and an add
# into one instruction unless told not to, and fails if the object contains a fused
# multiply-add. The same source compiled with contraction forced on must contain one, or
# the search below would prove nothing.
#   clock_not_fused.sh SOURCE_ROOT COMPILER_FLAGS...
set -euo pipefail
root=$1
shift
cxx=aarch64-linux-gnu-g++
objdump=aarch64-linux-gnu-objdump
for tool in "$cxx" "$objdump"; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fused='\bf(n?madd|n?msub)\b'

disassemble() {  # output-name extra-flags...
  local name=$1
  shift
  "$cxx" "$@" -I"$root" -c "$root/effect/animation_clock.cpp" -o "$work/$name.o"
  "$objdump" -d "$work/$name.o" >"$work/$name.txt"
}

disassemble shipped "$@"
disassemble contracted "$@" -ffp-contract=fast
if ! grep -qE "$fused" "$work/contracted.txt"; then
  echo "the check is blind: with contraction forced on the clock has no fused multiply-add either" >&2
  exit 1
fi
if grep -E "$fused" "$work/shipped.txt"; then
  echo "the clock's arm64 object contains the fused multiply-add above: contraction is not off" >&2
  exit 1
fi
echo "arm64 clock object: no fused multiply-add ($(grep -cE "$fused" "$work/contracted.txt") with contraction forced on)"
