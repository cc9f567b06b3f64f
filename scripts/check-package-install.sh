#!/usr/bin/env bash
# Installs the Debian package built from BUILD_DIR with apt, runs the effect in ffmpeg and in
# melt through the installed frei0r module with no environment variable set, removes the
# package and checks that none of its files is left. It changes the system it runs on: it is
# meant for a throwaway system such as the one scripts/fresh-machine-check.sh makes.
#
#   sudo bash scripts/check-package-install.sh [BUILD_DIR]    (default: build)
set -euo pipefail
build=${1:-build}
fail() { echo "package install check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "must run as root (apt install and remove)"
if dpkg-query -W -f='${Status}' swirlmoss 2>/dev/null | grep -q "ok installed"; then
  fail "a swirlmoss package is installed already; run this on a fresh system"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# cpack packs what is built; the demo, for one, builds only the plugin and the program.
cmake --build "$build" --target Swirlmoss swirlmoss swirlmoss_frei0r swirlmoss_obs >/dev/null
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/swirlmoss_*.deb)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L swirlmoss)

# A clean environment: only what a login shell has.
clean() { env -i HOME="$work" PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
clean timeout -k 5 300 ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "testsrc2=s=96x64:r=30" \
  -frames:v 2 -vf "frei0r=filter_name=swirlmoss:filter_params=Smoke|0.8" -y "$work/out.mp4" ||
  fail "ffmpeg could not run the installed module"
printf 'description=test\nframe_rate_num=30\nframe_rate_den=1\nwidth=96\nheight=64\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=3\ndisplay_aspect_den=2\ncolorspace=709\n' \
  >"$work/profile"
clean timeout -k 5 300 melt -quiet -profile "$work/profile" color:gray out=1 -filter frei0r.swirlmoss Mode=Smoke \
  -consumer avformat:"$work/out.rgba" f=rawvideo pix_fmt=rgba terminate_on_pause=1 ||
  fail "melt could not run the installed module"
[ "$(stat -c %s "$work/out.rgba")" -eq $((96 * 64 * 4 * 2)) ] || fail "melt wrote no frames"
clean timeout -k 5 60 swirlmoss info >/dev/null || fail "the installed swirlmoss does not run"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq swirlmoss >/dev/null
left=""
while IFS= read -r path; do
  # Folders the system owns (/usr, /usr/lib, ...) stay; everything the package added goes.
  if [ -e "$path" ] && ! dpkg -S "$path" >/dev/null 2>&1; then left+="$path "; fi
done <<<"$files"
[ -z "$left" ] || fail "left behind after apt remove: $left"
echo "package install check: installed, ran in ffmpeg and melt without any variable, removed without a trace"
