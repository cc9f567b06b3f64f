#!/usr/bin/env bash
# Runs a command on a private X server. Xvfb takes the first free display number itself and
# reports it through -displayfd, so tests started side by side (ctest -j) never race for
# one, as `xvfb-run -a` does between its check and the server's start.
#   with_xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
# Answers the command's exit status; the server goes with the command.
set -euo pipefail
screen=$1
shift
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$work/display" 2>"$work/log" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

for _ in $(seq 200); do  # up to 20 s on a loaded machine
  grep -qE '^[0-9]+$' "$work/display" && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "with_xvfb: Xvfb did not start:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  sleep 0.1
done
grep -qE '^[0-9]+$' "$work/display" || { echo "with_xvfb: Xvfb named no display within 20 s" >&2; exit 1; }

status=0
DISPLAY=":$(cat "$work/display")" "$@" || status=$?
exit "$status"
