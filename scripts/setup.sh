#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the demo need.
# Idempotent and non-interactive; uses sudo when not run as root.
set -euo pipefail

packages=(
  # toolchain and build
  build-essential cmake ninja-build pkg-config git ca-certificates
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # GL: entry-point loader, headless EGL and Mesa's software rasteriser
  libglew-dev libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri libglx-mesa0
  # shader validation
  glslang-tools
  # reliability: the fuzz target (clang's libFuzzer) and the GLX path on a private X server
  clang xvfb xauth libx11-dev
  # headless host: command line, PNG, OpenEXR, JSON, video
  libcli11-dev libpng-dev libopenexr-dev nlohmann-json3-dev ffmpeg
  # Windows: mingw-w64 cross compilers (posix threads) and Wine on Xvfb for the host test
  g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
  # arm64 cross compiler: checks that the clock's arithmetic is never fused (with the build's
  # flags, read by jq)
  g++-aarch64-linux-gnu binutils-aarch64-linux-gnu jq
  # split renders: the pieces run side by side by GNU parallel
  parallel
  # live preview window: GLFW and Dear ImGui (static, with its GLFW and OpenGL 3 backends)
  libglfw3-dev libimgui-dev
  # frei0r module and the video tools that host it in the tests
  frei0r-plugins-dev melt gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad
  # the GStreamer GL element: GStreamer's GL library to build against, its GL elements for the tests
  libgstreamer-plugins-base1.0-dev gstreamer1.0-gl
  # the Debian package: cpack finds the ELF files with file(1) and their dependencies with
  # dpkg-shlibdeps (dpkg-dev)
  file dpkg-dev
  # the manual page, made from the program's --help
  help2man
  # making a fresh Debian system for scripts/fresh-machine-check.sh
  debootstrap
  # live control of the preview: OSC through liblo (oscsend drives it in the tests), MIDI through
  # RtMidi on ALSA or JACK (the tests run JACK's dummy back end)
  liblo-dev liblo-tools librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  # OBS module: libobs to build against, and OBS's own modules (image-source) for its tests
  libobs-dev obs-studio
  # the preview's PipeWire camera (libpipewire), and its tests: a private PipeWire daemon and
  # WirePlumber under their own D-Bus session, pw-cli and pw-dump, GStreamer's pipewiresrc
  libpipewire-0.3-dev pipewire pipewire-bin wireplumber dbus-daemon gstreamer1.0-pipewire
  # the editors' descriptions (Kdenlive's XML, Shotcut's QML): checked by xmllint and qmllint
  libxml2-utils qtdeclarative5-dev-tools
  # the sound as a source of parameter values: beats, onsets and spectra through aubio
  libaubio-dev
)

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq

# Names that carry the release's version are asked of the release itself, never listed here.
# libFuzzer and the sanitizer runtimes: libclang-rt-N-dev for the clang-N that this release's
# clang package depends on (14 on Debian 12, 19 on Debian 13).
clang_major=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1)
if [ -z "$clang_major" ]; then
  echo "setup: cannot tell which clang this release's clang package installs (apt-cache depends clang)" >&2
  exit 1
fi
packages+=("libclang-rt-$clang_major-dev")

"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
echo "setup: all packages present"
