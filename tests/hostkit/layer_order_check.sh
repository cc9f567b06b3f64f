#!/bin/sh
# The host library's layers point down only, and the front ends are siblings.
# - A file in tools/hostkit/LAYER/ includes from its own layer and the layers before it, never
#   from a later one and never from a front end; nothing lives in tools/hostkit/ outside a layer.
# - A front end (any other folder of tools/) includes no other front end, except that the cli
#   opens the preview library's window.
# - Platform calls live in *_posix.cpp files (one small file per concern): anywhere else in
#   tools/, POSIX-only headers are an error.
# Usage: layer_order_check.sh TOOLS_DIR LAYER...   (the layers in their declared order)
set -eu
tools=${1:?usage: layer_order_check.sh TOOLS_DIR LAYER...}
shift
[ $# -gt 0 ] || { echo "usage: layer_order_check.sh TOOLS_DIR LAYER..."; exit 2; }
layers="$*"
failed=0

rank() {  # the position of layer $1 in the declared order, or nothing
  i=0
  for l in $layers; do i=$((i + 1)); [ "$l" = "$1" ] && { echo $i; return; }; done
}

sources=$(find "$tools" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
for file in $sources; do
  rel=${file#"$tools"/}
  owner=${rel%%/*}
  case $rel in
    hostkit/*/*) layer=$(echo "$rel" | cut -d/ -f2); own=$(rank "$layer") ;;
    hostkit/*) echo "$rel: outside every layer of the host library"; failed=1; continue ;;
    *) layer=""; own="" ;;
  esac
  if [ "$owner" = hostkit ] && [ -z "$own" ]; then
    echo "$rel: layer \"$layer\" is not declared ($layers)"; failed=1; continue
  fi
  for included in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"tools\/\([^"]*\)".*/\1/p' "$file"); do
    target=${included%%/*}
    if [ "$owner" = hostkit ]; then
      if [ "$target" != hostkit ]; then
        echo "$rel includes the front end tools/$included"; failed=1; continue
      fi
      theirs=$(rank "$(echo "$included" | cut -d/ -f2)")
      if [ -z "$theirs" ] || [ "$theirs" -gt "$own" ]; then
        echo "$rel ($layer) includes tools/$included from a later layer"; failed=1
      fi
    elif [ "$target" != hostkit ] && [ "$target" != "$owner" ] && [ "$owner/$target" != cli/preview ]; then
      echo "$rel ($owner) includes tools/$included from the front end $target"; failed=1
    fi
  done
done

posix=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd|signal|fcntl|spawn|dlfcn|pthread|poll)\.h>|^[[:space:]]*#[[:space:]]*include[[:space:]]*<sys/' \
  --include='*.cpp' --include='*.h' "$tools" | grep -v '_posix\.cpp:' || true)
if [ -n "$posix" ]; then
  echo "POSIX headers outside *_posix.cpp files (put the call behind a small header with a _posix.cpp implementation):"
  echo "$posix"
  failed=1
fi
[ $failed -eq 0 ] && echo "includes follow the layers ($layers); front ends are siblings; POSIX headers only in *_posix.cpp"
exit $failed
