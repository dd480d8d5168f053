#!/usr/bin/env bash
# Installs what building, running and testing the monitor needs, from Debian 12's packages.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libhidapi-dev libudev-dev
  fonts-wine fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  xvfb
)
# Only the packaging test needs these (--packaging): building the .deb, installing it into a scratch
# root and checking its udev rule, desktop entry and AppStream metainfo.
packaging_tools=(dpkg-dev binutils util-linux udev desktop-file-utils appstream python3)
if [ "${1:-}" = "--packaging" ]; then packages+=("${packaging_tools[@]}"); shift; fi
if [ "$#" -gt 0 ]; then packages+=("$@"); fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
