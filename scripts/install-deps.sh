#!/usr/bin/env bash
# Installs every Debian package Lumetta needs to build, test and run.
# Does nothing (and needs no network) when all of them are already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev
  libpng-dev libjpeg62-turbo-dev libjpeg-turbo-progs libgif-dev libtiff-dev zlib1g-dev
  libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fontconfig
  xvfb xauth x11-utils xdotool xclip imagemagick poppler-utils
  python3 python3-pil
  parallel rsync openssh-client openssh-server
  clang-format
  dpkg-dev file lintian desktop-file-utils appstream shared-mime-info
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
