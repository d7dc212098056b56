#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those
# that are missing.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ clang ccache
  libsdl2-dev libx11-dev libxtst-dev libxfixes-dev libxdamage-dev
  libfreeimage-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libegl-dev libegl-mesa0
  libgtest-dev libbenchmark-dev
  # the tests' own X server, with the fonts the error box writes in
  xvfb xfonts-base
  # keyboard layouts switched inside that server
  x11-xkb-utils
  # the benchmark's plot
  python3
  # pictures written the way people's tools write them, for the heightmap tests
  imagemagick
  # a decimal-comma locale for the settings tests
  locales-all
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
