#!/usr/bin/env bash
# The GPU check (made into a kit by scripts/gpu-kit.sh, where this file is its run.sh): on this
# machine's own GL driver, prints one table of what the project does here. The EGL devices and
# the renderer each names; `swirlmoss bench` on the GPU at 1280x720 and 3840x2160 (GPU timer
# queries); `bench --io`; a render on the GPU against the same render on llvmpipe (the greatest
# difference per channel); the GStreamer GL element's frame rate at 1080p and 4K. Rows that cannot
# run here say why. With --out DIR the table, the raw outputs and the compared frames go to DIR.
#
#   run.sh [--out DIR]
set -uo pipefail

kit=$(cd "$(dirname "$0")" && pwd)
out=""
while [ $# -gt 0 ]; do
  case $1 in
    --out) [ $# -ge 2 ] || { echo "run.sh: --out needs a folder" >&2; exit 2; }; out=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown argument '$1' (the only option is --out DIR)" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d "${TMPDIR:-/tmp}/swirlmoss-gpu-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -n "$out" ]; then
  mkdir -p "$out" || { echo "run.sh: cannot make $out" >&2; exit 1; }
  out=$(cd "$out" && pwd)
fi
files=${out:-$work}

# The kit's libraries stand in only for those this machine lacks.
mkdir "$work/lib"
system_libraries=$(ldconfig -p 2>/dev/null | awk 'NR > 1 {print $1}')
for library in "$kit"/lib/*; do
  name=$(basename "$library")
  grep -qxF "$name" <<<"$system_libraries" || ln -s "$library" "$work/lib/$name"
done
export LD_LIBRARY_PATH="$work/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
unset SWIRLMOSS_PLUGIN

swirlmoss=$kit/swirlmoss
table=$work/table.md
row() { printf '| %s | %s |\n' "$1" "$2" >>"$table"; }
now() { date +%s.%N; }
{
  echo "# Swirlmoss GPU check"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), kit $(cat "$kit/VERSION"), $(uname -sr) $(uname -m), CPU: $(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo 2>/dev/null)"
  echo
  echo "| what | result |"
  echo "|---|---|"
} >"$table"

# The devices, and which is the GPU and which Mesa's llvmpipe.
if ! "$swirlmoss" devices >"$files/devices.txt" 2>&1; then
  row "EGL devices" "swirlmoss devices failed: $(tail -n 1 "$files/devices.txt")"
  cat "$table"
  exit 1
fi
gpu="" software="" gpu_name=""
while IFS='|' read -r index name renderer; do
  row "EGL device $index" "$name: $renderer"
  if [[ $renderer == "none "* ]]; then
    continue  # no context on this device: the row says why
  elif [[ $renderer =~ llvmpipe|softpipe|swrast ]]; then
    [ -n "$software" ] || software=$index
  elif [ -z "$gpu" ] && [ -n "$renderer" ]; then
    gpu=$index gpu_name=$renderer
  fi
done < <(awk '/^[0-9]+  / {index_ = $1; sub(/^[0-9]+  +/, ""); name = $0}
              /context:/ && index_ != "" {r = $0; sub(/^ *context: /, "", r); sub(/.*renderer /, "", r)
                                          print index_ "|" name "|" r; index_ = ""}' \
          "$files/devices.txt")
if [ -n "$gpu" ]; then
  device=$gpu
  row "device used" "$gpu ($gpu_name)"
  frames=30 throughput=60 io_frames=120 gst_frames=(240 120)
else
  device=auto
  row "device used" "no GPU device: every figure below is Mesa's software rasteriser's ($(awk '/^Automatic choice/ {sub(/.*: /, ""); print; exit}' "$files/devices.txt"))"
  frames=2 throughput=2 io_frames=20 gst_frames=(4 3)
fi

# bench: each look at both sizes on the device's own clock.
if "$swirlmoss" bench --device "$device" --size 1280x720 --size 3840x2160 --frames "$frames" \
    --throughput-frames "$throughput" >"$files/bench.txt" 2>&1; then
  row "bench clock" "$(awk '/^Clocks:/ {sub(/^Clocks: /, ""); print; exit}' "$files/bench.txt")"
  while IFS='|' read -r what figure; do row "$what" "$figure"; done < <(awk '
    /^[0-9]+x[0-9]+ +(Paint|Smoke) (day|night) / {
      printf "bench %s %s %s|effect %s ms, pass-through %s ms (%s), plugin call %s us CPU\n", $1, $2, $3, $4, $5, $6, $7 }
    /^(Paint|Smoke) day +[0-9]/ {
      printf "render throughput %s %s|%s fps pure, to PNG %s %s\n", $1, $2, $3, $4, $5 }' "$files/bench.txt")
else
  row "bench" "failed: $(tail -n 1 "$files/bench.txt")"
fi

# bench --io: the output pipeline alone at 1920x1080.
if "$swirlmoss" bench --io --device "$device" --io-frames "$io_frames" >"$files/bench-io.txt" 2>&1; then
  while IFS='|' read -r what figure; do row "$what" "$figure"; done < <(awk '
    /^(PNG|EXR|MP4|raw)/ && $NF ~ /^[0-9.]+$/ {
      n = NF; name = $1; for (i = 2; i <= n - 4; ++i) name = name " " $i
      printf "bench --io %s|%s fps, %s threads, encode CPU %s ms, readback CPU %s ms per frame\n", name, $(n-2), $(n-3), $(n-1), $n }' \
    "$files/bench-io.txt")
  grep -q "MP4 (ffmpeg)" "$files/bench-io.txt" || row "bench --io MP4" "left out: ffmpeg is not installed on this machine"
else
  row "bench --io" "failed: $(tail -n 1 "$files/bench-io.txt")"
fi

# The same render on the device and on llvmpipe.
compare_settings=(--size 1280x720 --frames 3 --set Mode=Paint --set "Seed=Seed 3")
if [ -z "$software" ]; then
  row "device against llvmpipe" "left out: no llvmpipe here (Mesa's EGL, libegl-mesa0 on Debian, is not installed)"
elif ! "$swirlmoss" render --device "$device" "${compare_settings[@]}" -o "$files/device_%04d.png" >"$files/render-device.txt" 2>&1; then
  row "device against llvmpipe" "render on the device failed: $(tail -n 1 "$files/render-device.txt")"
elif ! "$swirlmoss" render --device "$software" "${compare_settings[@]}" -o "$files/llvmpipe_%04d.png" >"$files/render-llvmpipe.txt" 2>&1; then
  row "device against llvmpipe" "render on llvmpipe failed: $(tail -n 1 "$files/render-llvmpipe.txt")"
else
  pairs=()
  for frame in "$files"/device_*.png; do pairs+=("$frame" "${frame/device_/llvmpipe_}"); done
  row "device $device against llvmpipe (device $software), Paint, 3 frames at 1280x720" \
    "$("$kit/swirlmoss-compare" "${pairs[@]}" 2>&1)"
fi

# The GStreamer GL element: frames from gltestsrc through it to fakesink, never leaving the GPU,
# against the same pipeline without it. Rate = (N - 1) frames over the time N frames take
# beyond one frame's run, so that start-up and the shader compile do not count.
if [ -f "$kit/gst-absent" ]; then
  row "GStreamer element" "left out: $(cat "$kit/gst-absent")"
else
  export GST_PLUGIN_SYSTEM_PATH="$kit/gst/plugins:$kit/gstreamer-1.0" GST_PLUGIN_PATH="" \
    GST_PLUGIN_SCANNER="$kit/gst/gst-plugin-scanner" GST_REGISTRY="$work/registry.bin" \
    GST_GL_PLATFORM=egl GST_GL_WINDOW=egl-device GST_GL_API=opengl3
  gst() {  # SIZE FRAMES [ELEMENT]: seconds the pipeline ran, or nothing when it failed
    local width=${1%x*} height=${1#*x} start
    start=$(now)
    "$kit/gst/gst-launch-1.0" -q gltestsrc num-buffers="$2" ! \
      "video/x-raw(memory:GLMemory),format=RGBA,width=$width,height=$height,framerate=60/1" ! \
      ${3:+$3 !} fakesink sync=false >>"$files/gstreamer.txt" 2>&1 || return 1
    awk -v a="$start" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}'
  }
  renderer=$(GST_DEBUG=glcontext:4 "$kit/gst/gst-launch-1.0" -q gltestsrc num-buffers=1 ! \
    "video/x-raw(memory:GLMemory),format=RGBA,width=64,height=64" ! swirlmossgl ! fakesink 2>&1 |
    sed -n 's/.*GL_RENDERER: //p' | head -n 1)
  row "GStreamer's GL context" "${renderer:-none: see gstreamer.txt}"
  for i in 0 1; do
    size=(1920x1080 3840x2160)
    size=${size[$i]} n=${gst_frames[$i]}
    if one=$(gst "$size" 1 swirlmossgl) && many=$(gst "$size" "$n" swirlmossgl) &&
        bare_one=$(gst "$size" 1) && bare_many=$(gst "$size" "$n"); then
      row "swirlmossgl $size" "$(awk -v n="$n" -v a="$one" -v b="$many" -v c="$bare_one" -v d="$bare_many" 'BEGIN {
        fps = (n - 1) / (b - a); bare = (n - 1) / (d - c)
        printf "%.1f fps (%.2f ms a frame); the pipeline without it %.1f fps", fps, 1000 / fps, bare }')"
    else
      row "swirlmossgl $size" "failed: $(tail -n 1 "$files/gstreamer.txt")"
    fi
  done
fi

[ -n "$out" ] && cp "$table" "$out/table.md"
cat "$table"
