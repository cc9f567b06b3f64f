#!/usr/bin/env bash
# Builds the Debian packages from a configured and built folder and checks what each holds and
# declares. swirlmoss: the program, the plugin and the frei0r module at their literal places
# under /usr, the manual page, the bash completion, the looks, the editors' descriptions and
# the copyright file, the run-time dependencies that no linker sees and none on libobs, a
# frei0r module exporting only the f0r_* functions and never unloaded; none of the preview's
# libraries (JACK, RtMidi, ALSA, liblo, GLFW, PipeWire) among its dependencies, and `preview`
# without the module naming the package to install. swirlmoss-preview: the module exporting its
# one entry, in /usr/lib/swirlmoss where the installed program finds it, depending on swirlmoss
# of its own version and on the preview's libraries, recommending pipewire. swirlmoss-obs: the OBS
# module in the multiarch obs-plugins/ folder with its locale and the looks, exporting only OBS's module
# functions, under the GPL in its copyright file, depending on swirlmoss of its own version.
# swirlmoss-gstreamer: the GStreamer GL element in GStreamer's multiarch plugin folder, with
# GStreamer's GL library among its dependencies and swirlmoss of its own version.
# All carry the release they were built on in their version (+deb12, +deb13), and unpacked
# together the program and the modules find the plugin (and the program its preview module)
# relative to themselves.
# Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: check-package.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
shopt -s nullglob
main_debs=("$work"/swirlmoss_*.deb)
preview_debs=("$work"/swirlmoss-preview_*.deb)
obs_debs=("$work"/swirlmoss-obs_*.deb)
gst_debs=("$work"/swirlmoss-gstreamer_*.deb)
all_debs=("$work"/*.deb)
[ ${#main_debs[@]} -eq 1 ] && [ ${#preview_debs[@]} -eq 1 ] && [ ${#obs_debs[@]} -eq 1 ] && [ ${#gst_debs[@]} -eq 1 ] &&
  [ ${#all_debs[@]} -eq 4 ] ||
  fail "expected swirlmoss_*.deb, swirlmoss-preview_*.deb, swirlmoss-obs_*.deb and swirlmoss-gstreamer_*.deb, found: $(cd "$work" && echo *.deb)"
deb=${main_debs[0]}
preview_deb=${preview_debs[0]}
obs_deb=${obs_debs[0]}
gst_deb=${gst_debs[0]}

contents() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $NF}' | sort; }
looks=$(cd "$(dirname "$0")/../looks" && printf './usr/share/swirlmoss/looks/%s\n' *.json)
multiarch=$(gcc -print-multiarch)
obs_module=./usr/lib/$multiarch/obs-plugins/swirlmoss-obs.so
look_effects=$(cd "$(dirname "$0")/../looks" && for look in *.json; do
  printf './usr/share/kdenlive/effects/frei0r_swirlmoss_%s.xml\n' "${look%.json}"; done)
obs_looks=$(cd "$(dirname "$0")/../looks" && printf './usr/share/obs/obs-plugins/swirlmoss-obs/looks/%s\n' *.json)
expected=$(printf '%s\n' ./usr/bin/swirlmoss ./usr/lib/frei0r-1/swirlmoss.so ./usr/lib/swirlmoss/plugins/Swirlmoss.so \
  ./usr/share/bash-completion/completions/swirlmoss ./usr/share/man/man1/swirlmoss.1.gz \
  ./usr/share/doc/swirlmoss/copyright $looks ./usr/share/kdenlive/effects/frei0r_swirlmoss.xml $look_effects \
  ./usr/share/shotcut/qml/filters/swirlmoss/meta_swirlmoss.qml ./usr/share/shotcut/qml/filters/swirlmoss/ui_swirlmoss.qml |
  sort)
[ "$(contents "$deb")" = "$expected" ] || fail "unexpected contents of swirlmoss:"$'\n'"$(contents "$deb")"
expected=$(printf '%s\n' ./usr/lib/swirlmoss/swirlmoss-preview.so ./usr/share/doc/swirlmoss-preview/copyright | sort)
[ "$(contents "$preview_deb")" = "$expected" ] || fail "unexpected contents of swirlmoss-preview:"$'\n'"$(contents "$preview_deb")"
expected=$(printf '%s\n' "$obs_module" ./usr/share/obs/obs-plugins/swirlmoss-obs/locale/en-US.ini \
  $obs_looks ./usr/share/doc/swirlmoss-obs/copyright | sort)
[ "$(contents "$obs_deb")" = "$expected" ] || fail "unexpected contents of swirlmoss-obs:"$'\n'"$(contents "$obs_deb")"
expected=$(printf '%s\n' ./usr/lib/$multiarch/gstreamer-1.0/libgstswirlmoss.so ./usr/share/doc/swirlmoss-gstreamer/copyright | sort)
[ "$(contents "$gst_deb")" = "$expected" ] || fail "unexpected contents of swirlmoss-gstreamer:"$'\n'"$(contents "$gst_deb")"

field() { dpkg-deb -f "$deb" "$1"; }
obs_field() { dpkg-deb -f "$obs_deb" "$1"; }
# PACKAGE, the Depends field on input. Debian 13 renamed libraries whose ABI changed with 64-bit
# time (libpng16-16t64, libobs0t64): either name counts.
depends_on() { tr ',' '\n' | grep -Eq "^ *$1(t64)?( |\(|$)"; }
[ "$(field Package)" = swirlmoss ] || fail "Package is $(field Package)"
[ "$(obs_field Package)" = swirlmoss-obs ] || fail "the OBS module's Package is $(obs_field Package)"
for needed in libegl-mesa0 libgl1-mesa-dri libegl1 libpng16-16; do
  field Depends | depends_on "$needed" || fail "Depends lacks $needed: $(field Depends)"
done
# The program alone needs none of the preview's libraries, nor OBS's.
preview_libraries='^ *(libjack|librtmidi|libasound|liblo[0-9]|libglfw|libpipewire|libobs)'
! field Depends | tr ',|' '\n\n' | grep -Eq "$preview_libraries" ||
  fail "swirlmoss depends on a library of the preview's or OBS's: $(field Depends)"
field Recommends | grep -qw ffmpeg || fail "Recommends lacks ffmpeg"
# The release the packages are for is in their version, and the OBS module wants the plugin
# of exactly its own build.
release=""
if grep -q '^ID=debian$' /etc/os-release; then
  release="+deb$(sed -n 's/^VERSION_ID="\{0,1\}\([0-9]*\).*/\1/p' /etc/os-release)"
fi
version=$(field Version)
[ "$version" = "$(sed -n 's/^project(Swirlmoss VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")$release" ] ||
  fail "the version $version does not name the release ($release)"
[ "$(obs_field Version)" = "$version" ] || fail "the two packages' versions differ: $version, $(obs_field Version)"
obs_field Depends | tr ',' '\n' | sed 's/^ *//' | grep -qxF "swirlmoss (= $version)" || fail "swirlmoss-obs does not depend on swirlmoss $version: $(obs_field Depends)"
obs_field Depends | depends_on libobs0 || fail "swirlmoss-obs does not depend on libobs0: $(obs_field Depends)"
preview_field() { dpkg-deb -f "$preview_deb" "$1"; }
[ "$(preview_field Version)" = "$version" ] || fail "the preview module's version differs: $(preview_field Version)"
preview_field Depends | tr ',' '\n' | sed 's/^ *//' | grep -qxF "swirlmoss (= $version)" ||
  fail "swirlmoss-preview does not depend on swirlmoss $version: $(preview_field Depends)"
for needed in libglfw3 libpipewire-0.3-0 liblo7; do
  preview_field Depends | depends_on "$needed" || fail "swirlmoss-preview does not depend on $needed: $(preview_field Depends)"
done
preview_field Depends | tr ',|' '\n\n' | grep -Eq '^ *librtmidi' || fail "swirlmoss-preview does not depend on RtMidi: $(preview_field Depends)"
preview_field Recommends | grep -qw pipewire || fail "swirlmoss-preview does not recommend pipewire"
gst_field() { dpkg-deb -f "$gst_deb" "$1"; }
gst_field Depends | tr ',' '\n' | sed 's/^ *//' | grep -qxF "swirlmoss (= $version)" || fail "swirlmoss-gstreamer does not depend on swirlmoss $version: $(gst_field Depends)"
gst_field Depends | depends_on libgstreamer-gl1.0-0 || fail "swirlmoss-gstreamer does not depend on GStreamer's GL library: $(gst_field Depends)"
! field Depends | depends_on libgstreamer-gl1.0-0 || fail "swirlmoss depends on GStreamer's GL library: $(field Depends)"

dpkg-deb -x "$deb" "$work/root"
# The program alone parses preview's options and, asked to run it, names the package.
env -u SWIRLMOSS_PLUGIN "$work/root/usr/bin/swirlmoss" preview --help >/dev/null || fail "preview --help needs the module"
if env -u SWIRLMOSS_PLUGIN "$work/root/usr/bin/swirlmoss" preview --list-osc >"$work/preview.log" 2>&1 ||
  ! grep -q 'apt install swirlmoss-preview' "$work/preview.log"; then
  fail "the program without its preview module said: $(cat "$work/preview.log")"
fi
dpkg-deb -x "$preview_deb" "$work/root"
dpkg-deb -x "$obs_deb" "$work/root"
exports=$(nm -D --defined-only "$work/root/usr/lib/swirlmoss/swirlmoss-preview.so" | awk '{print $3}')
[ "$exports" = swirlmoss_preview_run ] || fail "the preview module exports more than its entry: $exports"
exports=$(nm -D --defined-only "$work/root/usr/lib/frei0r-1/swirlmoss.so" | awk '{print $3}' | grep -v '^f0r_' || true)
[ -z "$exports" ] || fail "the frei0r module exports more than f0r_*: $exports"
# Hosts unload frei0r modules (ffmpeg at every resolution change); the module's GL thread and
# the process's EGL display must outlive that.
readelf -d "$work/root/usr/lib/frei0r-1/swirlmoss.so" | grep -q "NODELETE" || fail "the frei0r module can be unloaded"
# OBS finds the module by its obs_module_* functions; nothing else of it is seen. It finds the
# plugin two folders up from the multiarch obs-plugins/ folder, and the package says its terms.
exports=$(nm -D --defined-only "$work/root/$obs_module" | awk '{print $3}' | grep -v -e '^obs_module_' -e '^obs_current_module$' || true)
[ -z "$exports" ] || fail "the OBS module exports more than obs_module_*: $exports"
[ -f "$(dirname "$work/root/$obs_module")/../../swirlmoss/plugins/Swirlmoss.so" ] ||
  fail "the plugin is not where the installed OBS module looks for it"
grep -q '^Files: usr/lib/\*/obs-plugins/swirlmoss-obs.so' "$work/root/usr/share/doc/swirlmoss-obs/copyright" &&
  grep -q '^License: GPL-2.0+' "$work/root/usr/share/doc/swirlmoss-obs/copyright" ||
  fail "the copyright file does not give the OBS module's GPL terms"
# The manual page has a section per subcommand; the bash completion loads.
root=$work/root/usr
zcat "$root/share/man/man1/swirlmoss.1.gz" | grep -q '^\.SS "swirlmoss preview' || fail "the manual page lacks the subcommands"
bash -c 'source "$1" && complete -p swirlmoss' _ "$root/share/bash-completion/completions/swirlmoss" >/dev/null ||
  fail "the bash completion does not load"
# Kdenlive and Shotcut find the effect where Debian's editors look, as the build wrote it.
for xml in "$build"/editors/kdenlive/frei0r_swirlmoss*.xml; do
  cmp -s "$root/share/kdenlive/effects/$(basename "$xml")" "$xml" ||
    fail "the packaged Kdenlive $(basename "$xml") is not the one the build wrote"
done
for qml in meta_swirlmoss.qml ui_swirlmoss.qml; do
  cmp -s "$root/share/shotcut/qml/filters/swirlmoss/$qml" "$build/editors/shotcut/swirlmoss/$qml" ||
    fail "the packaged Shotcut $qml is not the one the build wrote"
done
# Installed, each part finds the plugin relative to itself, without any environment variable.
env -u SWIRLMOSS_PLUGIN timeout -k 5 60 "$root/bin/swirlmoss" info >"$work/info.log" 2>&1 ||
  fail "the installed swirlmoss does not find its plugin: $(tail -n 1 "$work/info.log")"
grep -q "^Plugin *$root/bin/../lib/swirlmoss/plugins/Swirlmoss.so" "$work/info.log" || fail "swirlmoss loaded another plugin"
# The installed program opens the installed preview module (its libraries load, its version is
# the program's), which loads the plugin: --list-osc needs no window.
env -u SWIRLMOSS_PLUGIN timeout -k 5 60 "$root/bin/swirlmoss" preview --list-osc >"$work/osc.log" 2>&1 &&
  grep -q '^/swirlmoss/' "$work/osc.log" || fail "the installed preview module does not run: $(tail -n 1 "$work/osc.log")"
# 96x64 like the tests: llvmpipe compiles a variant per power-of-two-ness of the sides.
env -u SWIRLMOSS_PLUGIN FREI0R_PATH="$root/lib/frei0r-1" timeout -k 5 120 ffmpeg -nostdin -hide_banner -loglevel error \
  -f lavfi -i "color=s=96x64:r=30,format=rgba" -frames:v 1 -vf "frei0r=filter_name=swirlmoss:filter_params=Smoke" \
  -f null - >"$work/ffmpeg.log" 2>&1 || fail "ffmpeg cannot run the installed module: $(tail -n 1 "$work/ffmpeg.log")"
# Nothing but the module's note on the process's first frame (the shader compile and its time).
said=$(grep -v -e '^swirlmoss (frei0r): first frame: ' -e '^swirlmoss (frei0r): shader compiled, ' "$work/ffmpeg.log" || true)
[ -z "$said" ] || fail "ffmpeg with the installed module said: $said"
echo "package check: $(basename "$deb") holds the program, the plugin, the frei0r module, the editors' descriptions, the manual and the completion, with none of the preview's libraries; $(basename "$preview_deb") the preview module; $(basename "$obs_deb") the OBS module; $(basename "$gst_deb") the GStreamer element"
