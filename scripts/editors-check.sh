#!/usr/bin/env bash
# Kdenlive and Shotcut with the Debian package, in a throwaway Debian 12: bootstraps a minimal
# bookworm system into a folder, installs Debian's kdenlive and shotcut and the package built
# from BUILD_DIR, checks that the editors' descriptions lie where those editors read them,
# starts each editor under Xvfb and drives it with xdotool (screenshots of each step in OUT),
# puts Swirlmoss on a colour clip in each, switches it to Smoke and saves the project, and
# renders both projects with melt, comparing the frames with swirlmoss render's. Not part of
# CI: the editors pull in large desktop stacks. Needs root and the network.
#
#   sudo bash scripts/editors-check.sh BUILD_DIR OUT [DIR]
#
# DIR (default: a new folder under /var/tmp) is kept, so that a second run with the same DIR
# skips the bootstrap and the installs; the mounts are always undone.
set -euo pipefail

build=${1:?usage: sudo bash scripts/editors-check.sh BUILD_DIR OUT [DIR]}
out=${2:?usage: sudo bash scripts/editors-check.sh BUILD_DIR OUT [DIR]}
root=${3:-$(mktemp -d /var/tmp/swirlmoss-editors.XXXXXX)}
[ "$(id -u)" -eq 0 ] || { echo "editors-check: must run as root (debootstrap, chroot and mounts)" >&2; exit 1; }
mirror=${SWIRLMOSS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
build=$(cd "$build" && pwd)
mkdir -p "$out" "$root"
out=$(cd "$out" && pwd)
root=$(cd "$root" && pwd)
# How long each editor gets to start on a software renderer before the first screenshot.
settle=${SWIRLMOSS_EDITOR_SETTLE:-60}

in_system() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    MESA_SHADER_CACHE_DIR=/root/.cache/mesa bash -c "$1"
}

# shellcheck source=scripts/throwaway-system.sh
source "$(dirname "$0")/throwaway-system.sh"
trap unmount_system EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "=== editors-check: debootstrap (minbase) into $root ==="
  debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
unmount_system  # what an interrupted run left
mount_system

echo "=== editors-check: the package from $build ==="
rm -f "$root"/root/swirlmoss_*.deb
(cd "$build" && cpack -G DEB -B "$root/root" >/dev/null)
if ! in_system "command -v kdenlive && command -v shotcut" >/dev/null 2>&1; then
  echo "=== editors-check: installing kdenlive, shotcut, melt, Xvfb and the screenshot tools ==="
  in_system "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q kdenlive shotcut melt \
    xvfb xauth xdotool imagemagick dbus-x11 x11-utils" >"$out/install.log" 2>&1 ||
    { tail -n 20 "$out/install.log" >&2; exit 1; }
fi
in_system "DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall /root/swirlmoss_*.deb" >>"$out/install.log" 2>&1

echo "=== editors-check: the descriptions where the editors look ==="
for file in /usr/share/kdenlive/effects/frei0r_swirlmoss.xml /usr/share/shotcut/qml/filters/swirlmoss/meta_swirlmoss.qml \
  /usr/share/shotcut/qml/filters/swirlmoss/ui_swirlmoss.qml /usr/lib/frei0r-1/swirlmoss.so; do
  [ -f "$root$file" ] || { echo "editors-check: $file is not installed" >&2; exit 1; }
done
filters=$(in_system "melt -query filters" 2>/dev/null)
grep -q "frei0r.swirlmoss" <<<"$filters" ||
  { echo "editors-check: the installed melt does not list frei0r.swirlmoss" >&2; exit 1; }

# What each editor is asked to do, as xdotool steps at the places its first-start layout has on
# a 1600x1000 screen (Kdenlive 22.12 and Shotcut 22.12 of Debian 12): find Swirlmoss in the
# effect or filter list, put it on a colour clip, switch it to Smoke, save the project. Each
# step's screenshot is kept.
mkdir -p "$root/root/editors-check"
rm -f "$root"/root/editors-check/*.png "$root"/root/editors-check/*.kdenlive "$root"/root/editors-check/*.rgba
cat >"$root/root/editors-check/kdenlive-steps.sh" <<'STEPS'
shot() { import -window root "/root/editors-check/kdenlive-$1.png"; }
xdotool mousemove 153 10 click 1; sleep 2            # Project menu
xdotool mousemove 207 59 click 1; sleep 3            # Add Color Clip...
xdotool key Return; sleep 2                          # its dialog's OK
xdotool mousemove 37 446 click 1; sleep 2            # the Project Bin tab
drag() {  # from x y to x y
  xdotool mousemove "$1" "$2" mousedown 1; sleep 0.5
  for i in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove $(($1 + ($3 - $1) * i / 10)) $(($2 + ($4 - $2) * i / 10)); sleep 0.2; done
  sleep 0.5; xdotool mouseup 1; sleep 3
}
drag 144 109 240 682                                 # the clip onto track V1
xdotool mousemove 195 446 click 1; sleep 2           # the Effects tab
xdotool mousemove 202 76 click 1; sleep 1            # its search field
xdotool type --delay 120 Swirlmoss; sleep 3; shot list
drag 90 116 270 685                                  # Swirlmoss onto the clip
xdotool mousemove 270 685 click 1; sleep 3           # the clip: its effect stack opens
xdotool mousemove 262 541 click 1; sleep 5; shot panel  # the playhead onto the clip
xdotool mousemove 1223 535 click 1; sleep 2          # Mode
xdotool mousemove 1161 561 click 1; sleep 5; shot smoke  # Smoke
xdotool mousemove 1130 700 click 5 click 5 click 5; sleep 3; shot sliders  # the panel scrolled
xdotool key ctrl+s; sleep 3                          # save as
xdotool type --delay 50 /root/editors-check/kdenlive-smoke.kdenlive; xdotool key Return; sleep 5
STEPS
cat >"$root/root/editors-check/shotcut-steps.sh" <<'STEPS'
shot() { import -window root "/root/editors-check/shotcut-$1.png"; }
xdotool mousemove 103 396 click 1; sleep 2           # the Filters tab
xdotool mousemove 21 366 click 1; sleep 3            # + (add a filter)
xdotool type --delay 120 Swirlmoss; sleep 3; shot list
xdotool mousemove 90 206 click 1; sleep 8; shot panel  # add it: its panel opens
xdotool mousemove 465 179 click 1; sleep 2           # Mode
xdotool mousemove 405 211 click 1; sleep 8           # Smoke
xdotool search --onlyvisible --name Shotcut windowsize 1600 1000; sleep 5; shot smoke
xdotool key ctrl+s; sleep 5                          # saved over the clip's file
STEPS
# A grey colour clip at 25 fps, which Shotcut opens in its Source player.
cat >"$root/root/editors-check/shotcut-smoke.mlt" <<'CLIP'
<?xml version="1.0" encoding="utf-8"?>
<mlt LC_NUMERIC="C">
  <profile description="HD 1080p 25 fps" width="1920" height="1080" progressive="1" sample_aspect_num="1"
    sample_aspect_den="1" display_aspect_num="16" display_aspect_den="9" frame_rate_num="25" frame_rate_den="1" colorspace="709"/>
  <producer id="gray" in="0" out="124">
    <property name="length">125</property>
    <property name="resource">#ff808080</property>
    <property name="mlt_service">color</property>
  </producer>
</mlt>
CLIP

# One editor on its own Xvfb, started twice: once to settle its first-start configuration
# (the layout the steps expect is that of later starts), then driven through its steps. Each
# start is ended through the editor's own process id (dbus-launch's child); window titles and
# the log are kept.
cat >"$root/root/editors-check/run-editor.sh" <<'RUN'
name=$1 command=$2 settle=$3
child_of() { local p; for p in /proc/[0-9]*; do [ "$(cut -d' ' -f4 "$p/stat" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}"; done; }
for pass in settle steps; do
  dbus-launch --exit-with-session $command >"$name.log" 2>&1 &
  launcher=$!
  sleep "$settle"
  if [ "$pass" = steps ]; then
    xdotool search --onlyvisible --name . getwindowname %@ >"$name-windows.txt" 2>/dev/null || true
    bash "$name-steps.sh"
  fi
  for editor in $(child_of "$launcher"); do kill "$editor"; done; sleep 5
  for editor in $(child_of "$launcher"); do kill -9 "$editor"; done
  kill -9 "$launcher" 2>/dev/null || true
done
RUN
run_editor() {  # name command
  echo "=== editors-check: $1 ==="
  in_system "rm -rf /root/.local/share/stalefiles /root/.local/share/Meltytech/Shotcut/autosave
    cd /root/editors-check && xvfb-run -a -s '-screen 0 1600x1000x24' bash run-editor.sh $1 '$2' $settle" ||
    echo "editors-check: $1 ended with $?"
}

run_editor kdenlive "kdenlive"
run_editor shotcut "shotcut --noupgrade /root/editors-check/shotcut-smoke.mlt"

# The projects the editors saved, rendered by melt with the installed module, against
# swirlmoss render with the same values (Smoke, the rest at their defaults, 1920x1080 at 25 fps).
compare() {  # project first-frame
  in_system "cd /root/editors-check && melt -quiet '$1' in=$2 out=$(($2 + 3)) -consumer avformat:melt.rgba f=rawvideo \
      pix_fmt=rgba real_time=-1 terminate_on_pause=1 2>melt.log &&
    swirlmoss render --size 1920x1080 --fps 25 --frames 4 --set Mode=Smoke --set 'Seed=Seed 1' -o - >cli.rgba 2>cli.log &&
    cmp -s melt.rgba cli.rgba" && echo "editors-check: $1 renders in melt as swirlmoss render does (4 frames, byte for byte)" ||
    echo "editors-check: $1 differs from swirlmoss render (or did not render)"
}
# Kdenlive's clip lies where it was dropped: its first frame is the playlist's blank before it.
blank=$(grep -o '<blank length="[^"]*"' "$root/root/editors-check/kdenlive-smoke.kdenlive" 2>/dev/null | head -n 1 | cut -d'"' -f2)
if [ -n "$blank" ]; then
  first=$(awk -F: '{printf "%d", ($1 * 3600 + $2 * 60 + $3) * 25 + 0.5}' <<<"$blank")
  compare kdenlive-smoke.kdenlive "$first"
else
  echo "editors-check: Kdenlive saved no project"
fi
compare shotcut-smoke.mlt 0
cp "$root"/root/editors-check/*.png "$root"/root/editors-check/*.txt "$root"/root/editors-check/*.log \
  "$root"/root/editors-check/kdenlive-smoke.kdenlive "$root"/root/editors-check/shotcut-smoke.mlt "$out"/ 2>/dev/null || true
echo "=== editors-check: screenshots, projects and logs in $out; the system stays in $root ==="
