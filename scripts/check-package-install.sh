#!/usr/bin/env bash
# Installs the Debian packages built from BUILD_DIR with apt, as a user would from a
# repository, each alone and both together: swirlmoss alone runs the effect in ffmpeg and in
# melt through the installed frei0r module with no environment variable set; swirlmoss-obs
# alone brings swirlmoss with it; removing swirlmoss removes swirlmoss-obs. After each removal
# none of the packages' files is left. It changes the system it runs on (a local apt source for
# the packages, removed at the end): it is meant for a throwaway system such as the one
# scripts/fresh-machine-check.sh makes.
#
#   sudo bash scripts/check-package-install.sh [BUILD_DIR]    (default: build)
set -euo pipefail
build=${1:-build}
fail() { echo "package install check: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "must run as root (apt install and remove)"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
for package in swirlmoss swirlmoss-obs; do
  installed "$package" && fail "a $package package is installed already; run this on a fresh system"
done

work=$(mktemp -d)
chmod 755 "$work"  # apt's download user reads the local source
source_list=/etc/apt/sources.list.d/swirlmoss-package-check.list
trap 'rm -rf "$work" "$source_list"' EXIT
# cpack packs what is built; the demo, for one, builds only the plugin and the program.
cmake --build "$build" --target Swirlmoss swirlmoss swirlmoss_frei0r swirlmoss_obs swirlmoss_gst swirlmoss_manual \
  swirlmoss_editor_descriptions >/dev/null
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

# swirlmoss alone: the effect in ffmpeg and melt, in a clean environment (only what a login
# shell has), and no OBS module.
apt_install swirlmoss
installed swirlmoss-obs && fail "installing swirlmoss installed swirlmoss-obs"
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
main_files=$(owned_files swirlmoss)
apt_remove swirlmoss
check_gone swirlmoss "$main_files"

# swirlmoss-obs alone: apt brings the plugin's package with it; removing the module leaves
# that, and removing it too leaves nothing.
apt_install swirlmoss-obs
installed swirlmoss || fail "installing swirlmoss-obs did not install swirlmoss"
obs_files=$(owned_files swirlmoss-obs)
module=$(grep '/obs-plugins/swirlmoss-obs\.so$' <<<"$obs_files") || fail "swirlmoss-obs has no OBS module"
[ -f "$(dirname "$module")/../../swirlmoss/plugins/Swirlmoss.so" ] ||
  fail "the plugin is not where the installed OBS module looks for it"
apt_remove swirlmoss-obs
check_gone swirlmoss-obs "$obs_files"
installed swirlmoss || fail "removing swirlmoss-obs removed swirlmoss"
apt_remove swirlmoss
check_gone swirlmoss "$main_files"

# Both together; removing swirlmoss takes the module that needs it along.
apt_install swirlmoss swirlmoss-obs
apt_remove swirlmoss
check_gone swirlmoss-obs "$obs_files"
check_gone swirlmoss "$main_files"

rm -f "$source_list"
apt-get update -qq
echo "package install check: swirlmoss alone ran in ffmpeg and melt without any variable; swirlmoss-obs alone brought swirlmoss; each alone and both together removed without a trace"
