#!/usr/bin/env bash
# Checks a built plugin DLL the way a host's loader sees it: it exports exactly plugMain and
# SetLogCallback, undecorated, and imports only DLLs that every Windows system carries (so it
# loads from whatever folder a host scans, with no runtime DLLs beside it).
#
# Usage: scripts/check-windows-dll.sh path/to/Swirlmoss.dll
# Prints one summary line; exits non-zero with the offending names otherwise.
set -euo pipefail

die() { echo "check-windows-dll: $*" >&2; exit 1; }
[ $# -eq 1 ] || die "usage: $0 Swirlmoss.dll"
dll="$1"
[ -f "$dll" ] || die "$dll not found"
objdump="${MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump}"
command -v "$objdump" >/dev/null || die "$objdump not found; install g++-mingw-w64-x86-64-posix (scripts/setup.sh)"

headers="$("$objdump" -p "$dll")"
# The name table follows the "[Ordinal/Name Pointer] Table" heading up to a blank line, one
# "[ n] name" a line (binutils 2.40); binutils 2.44 adds the ordinal base to the heading, a
# column heading below it and each entry's ordinal and hint before the name.
exports="$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
                on && /^\t\[ *[0-9]+\] / { print $NF; next }
                on && /^[[:space:]]*$/ { on = 0 }' <<<"$headers" | sort | tr '\n' ' ')"
imports="$(awk '/DLL Name:/ { print $3 }' <<<"$headers" | sort -u | tr '\n' ' ')"

[ "$exports" = "SetLogCallback plugMain " ] \
  || die "$dll exports '${exports% }'; expected exactly plugMain and SetLogCallback"

unexpected=""
for name in $imports; do
  case "${name,,}" in
    kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | advapi32.dll | msvcrt.dll | \
      ucrtbase.dll | api-ms-win-crt-*.dll) ;;
    *) unexpected+="$name " ;;
  esac
done
[ -z "$unexpected" ] || die "$dll imports non-system DLLs: ${unexpected% } (link with -static)"

echo "check-windows-dll: $(basename "$dll"): $(stat -c %s "$dll") bytes; exports ${exports% }; imports ${imports% }"
