#!/usr/bin/env bash
# Runs one Windows program under Wine, in a private prefix and on a private X server (Xvfb,
# with Mesa's software OpenGL behind Wine's WGL). The cross build's tests run through it.
#
# Usage: run_under_wine.sh WINEPREFIX PROGRAM.exe [ARGS...]
# Answers the program's exit code. A crash, a hang or a missing Wine never passes: the crash
# dialog is off, the run is bounded by `timeout` (SWIRLMOSS_WINE_TIMEOUT seconds, default
# 600), every path but the program's own success exits non-zero, and the prefix's wineserver
# is waited for before exiting so no Wine process outlives the test.
set -euo pipefail

die() { echo "run_under_wine: $*" >&2; exit 2; }

if [ "${SWIRLMOSS_UNDER_XVFB:-}" != 1 ]; then
  [ $# -ge 2 ] || die "usage: $0 WINEPREFIX PROGRAM.exe [ARGS...]"
  for tool in wine wineserver wineboot xvfb-run xauth timeout; do
    command -v "$tool" >/dev/null \
      || die "$tool not found: the Windows tests need wine, wine64, xvfb and xauth (scripts/setup.sh)"
  done
  # A display of its own (-a picks a free number), so parallel runs never share one.
  SWIRLMOSS_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 640x480x24" "$0" "$@"
fi

mkdir -p "$1"
export WINEPREFIX="$(cd "$1" && pwd)"
shift
export WINEARCH=win64
# No prompts to install .NET or the HTML engine while the prefix is made.
export WINEDLLOVERRIDES="mscoree=;mshtml="
# Only OutputDebugStringA traffic from Wine itself: that is the plugin's debugger channel.
export WINEDEBUG="${WINEDEBUG:--all,+debugstr}"
limit="${SWIRLMOSS_WINE_TIMEOUT:-600}"
# Mesa keeps its compiled shaders only in a folder that exists.
if [ -n "${MESA_SHADER_CACHE_DIR:-}" ]; then mkdir -p "$MESA_SHADER_CACHE_DIR"; fi

stop_wineserver() {
  timeout 60 wineserver -w || { wineserver -k || true; }
}

ready="$WINEPREFIX/.swirlmoss-prefix-ready"
if [ ! -f "$ready" ]; then
  echo "run_under_wine: creating the Wine prefix $WINEPREFIX"
  timeout 300 wineboot --init >/dev/null 2>&1 || { stop_wineserver; die "creating the Wine prefix failed"; }
  # A crash must end the process with its exit code, not wait on a dialog.
  timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || { stop_wineserver; die "turning off Wine's crash dialog failed"; }
  stop_wineserver
  touch "$ready"
fi

set +e
timeout --kill-after=15 "$limit" wine "$@"
rc=$?
set -e
stop_wineserver
if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
  echo "run_under_wine: $(basename "$1") ran past ${limit}s and was stopped" >&2
fi
exit "$rc"
