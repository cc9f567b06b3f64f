#!/usr/bin/env bash
# Runs a command beside a private PipeWire daemon and WirePlumber session manager, all in user
# space: a D-Bus session of its own (dbus-run-session), a fresh XDG_RUNTIME_DIR for the daemon's
# socket and fresh configuration and state folders, so nothing of the machine's own session is
# seen or changed and suites run side by side.
#   with_pipewire.sh COMMAND [ARGS...]
# Answers the command's exit status; the daemons go with the command.
set -euo pipefail
if [ -z "${SWIRLMOSS_PIPEWIRE_BUS:-}" ]; then
  exec env SWIRLMOSS_PIPEWIRE_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
unset SWIRLMOSS_PIPEWIRE_BUS PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$runtime/config XDG_STATE_HOME=$runtime/state
export XDG_DATA_HOME=$runtime/data
pipewire >"$runtime/pipewire.log" 2>&1 &
daemon=$!
manager=
stop() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
  kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
  rm -rf "$runtime"
}
trap stop EXIT

fail() {
  echo "with_pipewire: $1:" >&2
  cat "$runtime"/*.log >&2
  exit 1
}

for _ in $(seq 200); do  # up to 20 s on a loaded machine
  [ -S "$runtime/pipewire-0" ] && break
  kill -0 "$daemon" 2>/dev/null || fail "pipewire did not start"
  sleep 0.1
done
[ -S "$runtime/pipewire-0" ] || fail "pipewire made no socket within 20 s"

# WirePlumber links consumers to sources; it is ready once it has published the default
# metadata, which its policy uses to pick targets. (grep reads all of pw-cli's output: with
# pipefail, `grep -q` leaving early would fail the pipeline.)
wireplumber >"$runtime/wireplumber.log" 2>&1 &
manager=$!
ready() { pw-cli ls Metadata 2>/dev/null | grep 'metadata.name = "default"' >/dev/null; }
for _ in $(seq 200); do
  ready && break
  kill -0 "$manager" 2>/dev/null || fail "wireplumber did not start"
  sleep 0.1
done
ready || fail "wireplumber published no metadata within 20 s"

status=0
"$@" || status=$?
exit "$status"
