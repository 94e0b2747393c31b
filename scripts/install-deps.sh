#!/usr/bin/env bash
# Installs every Debian package that building, testing and playing Torvane
# needs. Idempotent, and quick when everything is already there.
set -euo pipefail

packages=(
  # building and testing
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  clang libclang-rt-dev
  python3
  # the desktop player: window, metafiles, music and effects, Japanese fonts
  qt6-base-dev qt6-svg-dev libemf2svg-dev libfontconfig-dev
  # reading aloud; Debian 12's qt6-speech-dev needs the QML headers without
  # depending on them
  qt6-speech-dev qt6-declarative-dev
  libsdl2-dev libsdl2-mixer-dev libsndfile1-dev libfluidsynth-dev libmodplug-dev timgm6mb-soundfont
  fonts-ipafont-gothic
  # the window under a virtual X server, with a window manager so that
  # keys and fullscreen requests reach it; screenshots, sound fixtures
  xvfb xauth x11-utils xdotool openbox imagemagick
  sox vorbis-tools flac lame
  # the Debian package and the checks a distribution runs on it
  debhelper dpkg-dev fakeroot lintian appstream desktop-file-utils
  # the icon's PNG sizes from its SVG (packaging/make-icons.sh)
  librsvg2-bin
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
