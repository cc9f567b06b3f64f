#!/usr/bin/env bash
# Makes the GPU check: a folder that runs the project on any Linux machine with a GPU driver and
# nothing else, in one call of its run.sh (see docs/performance.md). It holds the built program,
# the plugin, the frei0r module, the GStreamer GL element, GStreamer itself (gst-launch-1.0 and the
# few elements the check uses) and every shared library they need beyond glibc and the GL driver,
# which are the machine's own. run.sh uses a library of the kit only where the machine lacks it.
#
#   scripts/gpu-kit.sh [BUILD_DIR [KIT_DIR]]     default: build, BUILD_DIR/gpu-kit
set -euo pipefail

build=${1:-build}
kit=${2:-$build/gpu-kit}
limit_mib=64
here=$(cd "$(dirname "$0")" && pwd)
arch=$(gcc -dumpmachine 2>/dev/null || echo x86_64-linux-gnu)

for file in swirlmoss Swirlmoss.so frei0r-1/swirlmoss.so gstreamer-1.0/libgstswirlmoss.so tools/kit/swirlmoss-compare; do
  [ -f "$build/$file" ] || { echo "gpu-kit: $build/$file is missing; build first (cmake --build $build)" >&2; exit 1; }
done

rm -rf "$kit"
mkdir -p "$kit/lib" "$kit/frei0r-1" "$kit/gstreamer-1.0"
# The build's own layout, so that each finds the plugin beside it as in the build.
cp "$build/swirlmoss" "$build/Swirlmoss.so" "$build/tools/kit/swirlmoss-compare" "$kit/"
cp "$build/frei0r-1/swirlmoss.so" "$kit/frei0r-1/"
cp "$build/gstreamer-1.0/libgstswirlmoss.so" "$kit/gstreamer-1.0/"
cp "$here/gpu-kit-run.sh" "$kit/run.sh"
chmod +x "$kit/run.sh"
git -C "$here/.." describe --always --dirty > "$kit/VERSION" 2>/dev/null || echo unknown > "$kit/VERSION"

# GStreamer: gst-launch-1.0, its plugin scanner and the elements the check runs.
gst_dir=/usr/lib/$arch/gstreamer-1.0
gst_tools=(/usr/bin/gst-launch-1.0 "/usr/lib/$arch/gstreamer1.0/gstreamer-1.0/gst-plugin-scanner")
gst_plugins=(libgstcoreelements.so libgstvideotestsrc.so libgstopengl.so)
have_gst=1
for file in "${gst_tools[@]}"; do [ -x "$file" ] || have_gst=0; done
for plugin in "${gst_plugins[@]}"; do [ -f "$gst_dir/$plugin" ] || have_gst=0; done
if [ "$have_gst" -eq 1 ]; then
  mkdir -p "$kit/gst/plugins"
  cp "${gst_tools[@]}" "$kit/gst/"
  for plugin in "${gst_plugins[@]}"; do cp "$gst_dir/$plugin" "$kit/gst/plugins/"; done
else
  echo "GStreamer's gst-launch-1.0 and GL elements (gstreamer1.0-tools, gstreamer1.0-gl) were not on the machine that made this kit" > "$kit/gst-absent"
fi

# Every library these load, less glibc's and the GL driver's: those are the machine's own (the
# vendor-neutral GL dispatch libraries come along for machines without them).
skip='^(libc|libm|libdl|libpthread|librt|libresolv|libutil|ld-linux[^ ]*)\.so|^libEGL_|^libGLX_|^libnvidia|^libcuda|^libgallium|_dri\.so'
mapfile -t elves < <(find "$kit" -type f \( -name '*.so' -o -perm -u+x \) ! -name '*.sh')
ldd "${elves[@]}" 2>/dev/null | awk '/=> \// {print $3}' | sort -u | while read -r library; do
  name=$(basename "$library")
  [[ $name =~ $skip ]] && continue
  cp -L "$library" "$kit/lib/$name"
done

# Debug information is most of a RelWithDebInfo build's size; the check needs none of it.
find "$kit" -type f \( -name '*.so*' -o -perm -u+x \) ! -name '*.sh' -exec strip --strip-unneeded {} +

size_mib=$(( $(du -sk "$kit" | cut -f1) / 1024 ))
if [ "$size_mib" -ge "$limit_mib" ]; then
  echo "gpu-kit: $kit is $size_mib MiB, over the $limit_mib MiB limit" >&2
  exit 1
fi
echo "gpu-kit: $kit ($size_mib MiB, $(ls "$kit/lib" | wc -l) libraries); run $kit/run.sh [--out DIR] on the machine to check"
