#!/usr/bin/env bash
# Installs the Debian packages Korimo needs to build, run and test.
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev qt6-translations-l10n
  libsdl2-dev libsodium-dev
  libsndfile1-dev libsamplerate0-dev
  qt6-l10n-tools qt6-tools-dev qt6-image-formats-plugins
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  clang libclang-rt-14-dev llvm
  imagemagick sox espeak-ng time hyperfine
  xvfb xauth xdotool x11-utils
  fonts-ipafont-gothic
  help2man desktop-file-utils appstream dpkg-dev file
  python3-numpy
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
