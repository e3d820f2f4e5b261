#!/bin/bash
# Installs from Debian's archive whatever building, running and testing
# Korva1 needs and the machine lacks.
set -euo pipefail

packages=(
  cmake make python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine
  xvfb x11-xkb-utils xdotool x11-utils imagemagick icoutils openbox
  novnc websockify x11vnc x11-xserver-utils xauth iproute2
  chromium chromium-driver python3-selenium
  g++ googletest strace
  clang-14 libclang-rt-14-dev llvm-14 clang-tidy-14 clang-format-14
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
