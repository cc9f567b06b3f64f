#!/usr/bin/env bash
# Installs the Debian packages built from BUILD_DIR with apt, as a user would from a
# repository, each alone and all together: swirlmoss alone runs the effect in ffmpeg and in
# melt through the installed frei0r module with no environment variable set, needs none of the
# preview's libraries (JACK, RtMidi, liblo, GLFW, PipeWire) nor libobs, and `swirlmoss preview`
# then names the package to install; swirlmoss-preview, swirlmoss-obs and swirlmoss-gstreamer
# each alone bring swirlmoss with them, and with swirlmoss-preview the preview window plays (on
# Xvfb); removing swirlmoss removes the others. After each removal none of the packages' files
# is left. It changes the system it runs on (a local apt source for
# the packages, removed at the end): it is meant for a throwaway system such as the one
# scripts/fresh-machine-check.sh makes.
#
#   sudo bash scripts/check-package-install.sh [BUILD_DIR]    (default: build)
set -euo pipefail
build=${1:-build}
fail() { echo "package install check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "must run as root (apt install and remove)"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
packages=(swirlmoss swirlmoss-preview swirlmoss-obs swirlmoss-gstreamer)
for package in "${packages[@]}"; do
  installed "$package" && fail "a $package package is installed already; run this on a fresh system"
done

work=$(mktemp -d)
chmod 755 "$work"  # apt's download user reads the local source
source_list=/etc/apt/sources.list.d/swirlmoss-package-check.list
trap 'rm -rf "$work" "$source_list"' EXIT
# cpack packs what is built; the demo, for one, builds only the plugin and the program.
cmake --build "$build" --target Swirlmoss swirlmoss swirlmoss_preview_module swirlmoss_frei0r swirlmoss_obs swirlmoss_gst \
  swirlmoss_manual swirlmoss_editor_descriptions >/dev/null
mkdir "$work/repo"
(cd "$build" && cpack -G DEB -B "$work/repo" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
rm -rf "$work/repo/_CPack_Packages"
(cd "$work/repo" && dpkg-scanpackages --multiversion . >Packages 2>/dev/null)
echo "deb [trusted=yes] file:$work/repo ./" >"$source_list"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt_install() { apt-get install -y -qq "$@" >/dev/null || fail "apt install $* failed"; }
apt_remove() { apt-get remove -y -qq "$@" >/dev/null || fail "apt remove $* failed"; }

# The files a package put on the system; checked gone after its removal.
owned_files() { dpkg -L "$1"; }
check_gone() {  # PACKAGE-NAME FILE-LIST
  local path left=""
  installed "$1" && fail "$1 is still installed"
  while IFS= read -r path; do
    # Folders the system owns (/usr, /usr/lib, ...) stay; everything the package added goes.
    if [ -e "$path" ] && ! dpkg -S "$path" >/dev/null 2>&1; then left+="$path "; fi
  done <<<"$2"
  [ -z "$left" ] || fail "left behind after apt remove of $1: $left"
}

# What apt would bring with swirlmoss, whatever this system has installed already: none of the
# preview's libraries, nor OBS's.
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances swirlmoss)
unwanted=$(grep -oE '\b(libjack|librtmidi|liblo[0-9]|libglfw|libpipewire|libobs)[^ ]*' <<<"$closure" | sort -u | tr '\n' ' ' || true)
[ -z "$unwanted" ] || fail "swirlmoss brings $unwanted"

# swirlmoss alone: the effect in ffmpeg and melt, in a clean environment (only what a login
# shell has), none of the other packages, and a preview that names its package.
apt_install swirlmoss
for package in "${packages[@]:1}"; do
  installed "$package" && fail "installing swirlmoss installed $package"
done
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
clean swirlmoss preview --help >/dev/null || fail "preview --help needs the preview package"
if clean swirlmoss preview --exit-after 1 >"$work/preview.log" 2>&1 ||
  ! grep -q 'apt install swirlmoss-preview' "$work/preview.log"; then
  fail "swirlmoss preview without its package said: $(cat "$work/preview.log")"
fi
main_files=$(owned_files swirlmoss)
apt_remove swirlmoss
check_gone swirlmoss "$main_files"

# Each other package alone brings swirlmoss; removing it leaves that, removing swirlmoss too
# leaves nothing.
alone() {  # PACKAGE: installs it alone, leaving its file list in $files
  apt_install "$1"
  installed swirlmoss || fail "installing $1 did not install swirlmoss"
  files=$(owned_files "$1")
}
removed() {  # PACKAGE
  apt_remove "$1"
  check_gone "$1" "$files"
  installed swirlmoss || fail "removing $1 removed swirlmoss"
  apt_remove swirlmoss
  check_gone swirlmoss "$main_files"
}

# swirlmoss-preview alone: the window plays a few frames on Xvfb and saves them.
alone swirlmoss-preview
preview_files=$files
command -v xvfb-run >/dev/null || fail "xvfb-run is needed for the preview (scripts/setup.sh installs it)"
clean timeout -k 5 120 xvfb-run -a -s "-screen 0 1024x768x24" swirlmoss preview --size 96x64 --exit-after 3 \
  --screenshot "$work/preview.png" >"$work/preview.log" 2>&1 || fail "the installed preview did not run: $(tail -n 3 "$work/preview.log")"
[ -s "$work/preview.png" ] || fail "the installed preview saved no picture"
removed swirlmoss-preview

# swirlmoss-gstreamer alone.
alone swirlmoss-gstreamer
gst_files=$files
grep -q '/gstreamer-1.0/libgstswirlmoss\.so$' <<<"$files" || fail "swirlmoss-gstreamer has no GStreamer element"
removed swirlmoss-gstreamer

# swirlmoss-obs alone: the module finds the plugin of the package it brought.
alone swirlmoss-obs
obs_files=$files
module=$(grep '/obs-plugins/swirlmoss-obs\.so$' <<<"$files") || fail "swirlmoss-obs has no OBS module"
[ -f "$(dirname "$module")/../../swirlmoss/plugins/Swirlmoss.so" ] ||
  fail "the plugin is not where the installed OBS module looks for it"
removed swirlmoss-obs

# All together; removing swirlmoss takes the packages that need it along.
apt_install "${packages[@]}"
apt_remove swirlmoss
check_gone swirlmoss-preview "$preview_files"
check_gone swirlmoss-obs "$obs_files"
check_gone swirlmoss-gstreamer "$gst_files"
check_gone swirlmoss "$main_files"

rm -f "$source_list"
apt-get update -qq
echo "package install check: swirlmoss alone ran in ffmpeg and melt without any variable and brought none of the preview's libraries nor libobs; swirlmoss-preview, swirlmoss-obs and swirlmoss-gstreamer each alone brought swirlmoss, and the installed preview played; each alone and all together removed without a trace"
