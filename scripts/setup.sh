#!/usr/bin/env bash
# Installs everything the build, the viewer and the test suite need (Debian packages only).
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  zlib1g-dev
  libwxgtk3.2-dev libx11-dev libxtst-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  xvfb xauth x11-utils xfonts-base xfonts-75dpi xfonts-100dpi
  locales
  python3-scipy openbox
  libcoin-dev
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
