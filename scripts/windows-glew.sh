#!/usr/bin/env bash
# Builds GLEW for Windows targets as a static archive, from Debian's own glew source package.
# Nothing is committed and the system's apt configuration is left alone: the source package
# is fetched through a scratch sources list whose deb-src lines are derived, at run time, from
# the machine's own apt sources for its release suite.
#
# Usage: scripts/windows-glew.sh OUTPUT_DIR
# Produces OUTPUT_DIR/include/GL/{glew,wglew}.h and OUTPUT_DIR/lib/libglew32s.a.
# Re-running with a complete OUTPUT_DIR does nothing. Exits non-zero with one clear line on
# any failure (no suite to fetch from, download refused, compiler missing).
set -euo pipefail

GLEW_VERSION="2.2.0-4"
CC="${MINGW_CC:-x86_64-w64-mingw32-gcc-posix}"
AR="${MINGW_AR:-x86_64-w64-mingw32-ar}"

die() { echo "windows-glew: $*" >&2; exit 1; }

[ $# -eq 1 ] || die "usage: $0 OUTPUT_DIR"
out="$(mkdir -p "$1" && cd "$1" && pwd)"
archive="$out/lib/libglew32s.a"
if [ -f "$archive" ] && [ -f "$out/include/GL/glew.h" ]; then
  exit 0
fi
command -v "$CC" >/dev/null || die "$CC not found; install g++-mingw-w64-x86-64-posix (scripts/setup.sh)"
command -v apt-get >/dev/null || die "apt-get not found: the GLEW source comes from Debian's glew package"

work="$out/work"
rm -rf "$work"
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/src"

# One deb-src line per Debian source of this release's main suite (the suite that carries
# glew $GLEW_VERSION), taken from both the one-line and the deb822 source formats.
codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
[ -n "$codename" ] || die "cannot tell this system's release codename from /etc/os-release"
{
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v suite="$codename" '
      $1 == "deb" {
        i = 2; opts = "";
        if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts $i " "; i++ } opts = opts $i " "; i++ }
        if ($(i + 1) == suite) { $1 = "deb-src"; print }
      }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v suite="$codename" '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
          n = split(suites, s, " ");
          for (k = 1; k <= n; k++) if (s[k] == suite) {
            m = split(uris, u, " ");
            for (j = 1; j <= m; j++)
              print "deb-src" (signed != "" ? " [signed-by=" signed "]" : "") " " u[j] " " suite " " comps;
          }
        }
        types = uris = suites = comps = signed = enabled = "";
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      {
        key = $1; sub(/:$/, "", key); $1 = ""; sub(/^ /, "");
        key = tolower(key);
        if (key == "types") types = $0; else if (key == "uris") uris = $0;
        else if (key == "suites") suites = $0; else if (key == "components") comps = $0;
        else if (key == "signed-by") signed = $0; else if (key == "enabled") enabled = tolower($0);
      }
      END { flush() }' "$f"
  done
} | sort -u > "$work/sources.list"
[ -s "$work/sources.list" ] || die "no apt source for suite '$codename' found to derive a deb-src line from"

apt_opts=(
  -o "Dir::Etc::SourceList=$work/sources.list"
  -o "Dir::Etc::SourceParts=/dev/null"
  -o "Dir::State::Lists=$work/lists"
  -o "Dir::Cache=$work/cache"
  -o "Debug::NoLocking=1"
)
# The download sandbox user cannot write into a build tree under a private home directory.
if [ "$(id -u)" -eq 0 ]; then apt_opts+=(-o "APT::Sandbox::User=root"); fi

echo "windows-glew: fetching Debian's glew $GLEW_VERSION source"
apt-get "${apt_opts[@]}" -qq update >"$work/apt.log" 2>&1 \
  || { cat "$work/apt.log" >&2; die "apt-get update of the scratch deb-src list failed"; }
(cd "$work/src" && apt-get "${apt_opts[@]}" -qq source --download-only "glew=$GLEW_VERSION") \
  >>"$work/apt.log" 2>&1 \
  || { cat "$work/apt.log" >&2; die "apt-get source glew=$GLEW_VERSION failed"; }

orig="$(ls "$work"/src/glew_*.orig.tar.* 2>/dev/null | head -n1)"
[ -n "$orig" ] || die "the glew source package brought no upstream tarball"
tar -xf "$orig" -C "$work/src"
tree="$(dirname "$(ls "$work"/src/*/src/glew.c | head -n1)")/.."
[ -f "$tree/src/glew.c" ] || die "src/glew.c missing from $orig"

# The loader without GLU, linked statically: the plugin DLL must not import glew32.dll.
mkdir -p "$out/include/GL" "$out/lib"
"$CC" -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$tree/include" -c "$tree/src/glew.c" -o "$work/glew.o"
rm -f "$archive"
"$AR" rcs "$archive" "$work/glew.o"
cp "$tree"/include/GL/glew.h "$tree"/include/GL/wglew.h "$out/include/GL/"
rm -rf "$work"
echo "windows-glew: built $archive"
