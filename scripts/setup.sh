#!/usr/bin/env bash
# Installs what building, running and testing Quorvane needs, from Debian's archive.
# Only packages that are missing are installed; as root directly, otherwise through sudo.
set -euo pipefail

packages=(
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  libsdl2-dev libglew-dev libgl-dev libx11-dev libxtst-dev libgl1-mesa-dri
  libpng-dev libcli11-dev nlohmann-json3-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick
  console-data seabios
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
