#!/usr/bin/env bash
# Runs the project as a new user would, on a freshly installed Debian: bootstraps a minimal
# system of the release into a folder, puts a clean clone of this checkout's HEAD commit into
# it, and runs there, as root and in order, the README's two commands (scripts/demo.sh, then
# scripts/test.sh) with the Debian package's install and removal between them, and ten rounds
# of the sanitizer build's CLI test. Prints the wall time of every step at the end, whether it
# passed or not. Not part of CI (CI already starts from a clean clone, but on a machine that
# has everything installed); needs root and the network.
#
#   sudo bash scripts/fresh-machine-check.sh [--release bookworm|trixie] [--skip-tests] [--keep] [DIR]
#
# --release picks Debian 12 (bookworm) or Debian 13 (trixie); without it both run, one after
# the other (never side by side: each takes both cores for an hour or more), in DIR/bookworm
# and DIR/trixie when DIR is given. DIR (default: a new folder under /var/tmp) must not exist
# or be empty. The system is removed at the end unless --keep is given; the mounts are always
# undone. --skip-tests stops after the demo and the package step, for runs that only need an
# installed system.
set -euo pipefail

usage() { echo "usage: sudo bash scripts/fresh-machine-check.sh [--release bookworm|trixie] [--skip-tests] [--keep] [DIR]" >&2; }

skip_tests=0
keep=0
root=""
release=""
passed=()
while [ $# -gt 0 ]; do
  case $1 in
    --release)
      [ $# -ge 2 ] || { usage; exit 2; }
      case $2 in bookworm | trixie) release=$2 ;; *) echo "fresh-machine-check: unknown release $2" >&2; usage; exit 2 ;; esac
      shift ;;
    --skip-tests) skip_tests=1; passed+=("$1") ;;
    --keep) keep=1; passed+=("$1") ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "fresh-machine-check: unknown option $1" >&2; usage; exit 2 ;;
    *) [ -z "$root" ] || { usage; exit 2; }; root=$1 ;;
  esac
  shift
done

# Both releases: this script once per release, each with its own system and summary; the
# second runs even when the first failed, and the run fails if either did.
if [ -z "$release" ]; then
  status=0
  for release in bookworm trixie; do
    bash "$0" --release "$release" "${passed[@]}" ${root:+"$root/$release"} || status=1
  done
  exit "$status"
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine-check: must run as root (debootstrap, chroot and mounts)" >&2
  exit 1
fi
for tool in debootstrap git findmnt; do
  command -v "$tool" >/dev/null || { echo "fresh-machine-check: $tool is not installed (scripts/setup.sh installs debootstrap)" >&2; exit 1; }
done

repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
mirror=${SWIRLMOSS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
if [ -z "$root" ]; then
  root=$(mktemp -d "/var/tmp/swirlmoss-fresh-$release.XXXXXX")
elif [ -e "$root" ] && [ -n "$(ls -A "$root")" ]; then
  echo "fresh-machine-check: $root is not empty; give a new or empty folder" >&2
  exit 1
fi
mkdir -p "$root"
root=$(cd "$root" && pwd)
checkout=/root/swirlmoss  # inside the new system

# --- step bookkeeping: each step is a function; run_step times it ---

step_names=()
step_seconds=()
step_results=()

run_step() {  # name function
  local name=$1 start end status=0
  echo "=== fresh-machine-check ($release): $name ==="
  start=$(date +%s)
  "$2" || status=$?
  end=$(date +%s)
  step_names+=("$name")
  step_seconds+=($((end - start)))
  if [ "$status" -eq 0 ]; then step_results+=(ok); else step_results+=("failed ($status)"); fi
  return "$status"
}

summary() {
  local i
  echo "=== fresh-machine-check: summary ($release, commit ${commit:0:12}, system in $root) ==="
  for i in "${!step_names[@]}"; do
    printf '  %-28s %6d s  %s\n' "${step_names[$i]}" "${step_seconds[$i]}" "${step_results[$i]}"
  done
}

# Commands inside the new system run with a clean environment, as a login on it would have.
in_system() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd $checkout && $1"
}

# shellcheck source=scripts/throwaway-system.sh
source "$repo/scripts/throwaway-system.sh"

cleanup() {
  local status=$?
  set +e
  unmount_system
  summary
  if [ "$keep" -eq 0 ]; then
    # Never delete through a mount that is still there.
    if findmnt -R -n -o TARGET | grep -q "^$root/"; then
      echo "fresh-machine-check: mounts remain under $root; not removing it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the steps ---

step_bootstrap() {
  debootstrap --variant=minbase "$release" "$root" "$mirror"
}

step_clone() {
  git clone --quiet --no-hardlinks --no-checkout "$repo" "$root$checkout" &&
    git -C "$root$checkout" checkout --quiet --detach "$commit"
}

step_demo() { in_system "bash scripts/demo.sh"; }

# The Debian package from the demo's build: apt install, ffmpeg and melt through the
# installed frei0r module without any variable, apt remove leaving nothing.
step_package() { in_system "bash scripts/check-package-install.sh build"; }

step_tests() { in_system "bash scripts/test.sh"; }

step_cli_repeat() {
  in_system "ctest --test-dir build-asan -R swirlmoss_cli_test --repeat until-fail:10 --output-on-failure"
}

# ---------------------------------------------------------------------------------------
# Steps that later checks add (installing and removing a package, running other hosts
# against it, ...) go here: a step_NAME function above and a run_step line below, placed
# before or after the test steps as they need.
# ---------------------------------------------------------------------------------------

run_step "debootstrap (minbase)" step_bootstrap
mount_system
run_step "clone of HEAD" step_clone
run_step "scripts/demo.sh" step_demo
run_step "package install and removal" step_package
if [ "$skip_tests" -eq 0 ]; then
  run_step "scripts/test.sh" step_tests
  run_step "cli test x10 (sanitizers)" step_cli_repeat
fi
