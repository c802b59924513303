#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing. Run as root (or with sudo) on Debian 12. With --windows, also
# what scripts/windows.sh needs: the MinGW-w64 cross compilers, zlib for MinGW
# and Wine; with --package, what scripts/package.sh needs to check the Debian
# package.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  zlib1g-dev libbz2-dev
  libgtest-dev googletest
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev libqt6printsupport6 libgl-dev
  clang
  unzip zip hercules
  xvfb xauth fonts-dejavu-core fonts-freefont-ttf
)
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64)
fi
if [ "${1:-}" = "--package" ]; then
  packages+=(lintian shared-mime-info dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
