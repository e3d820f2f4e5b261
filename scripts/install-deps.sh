#!/bin/bash
# Installs from Debian's archive what the named uses of Korva1 need and the
# machine lacks; with nothing missing it costs one package query.
# Usage: install-deps.sh SET...
#   run      build the x86-64 program and run it under Wine, on a display or
#            as a screenshot
#   browser  serve the form to a web browser
#   release  build the 32-bit release
#   test     everything that scripts/test.sh runs
set -euo pipefail

declare -A sets=(
  [run]="cmake ninja-build python3 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
         wine wine64 fonts-wine xvfb xdotool x11-utils x11-xserver-utils imagemagick"
  [browser]="novnc websockify x11vnc x11-xserver-utils xauth iproute2 python3"
  [release]="cmake ninja-build python3 g++-mingw-w64-i686-posix binutils-mingw-w64-i686"
  [test]="x11-xkb-utils icoutils openbox chromium chromium-driver python3-selenium
          g++ googletest strace clang-14 libclang-rt-14-dev llvm-14 clang-tidy-14 clang-format-14 locales"
)

[ $# -gt 0 ] || set -- run
wanted=()
for set in "$@"; do
  [ -n "${sets[$set]:-}" ] || { echo "install-deps.sh: no package set '$set'" >&2; exit 2; }
  # The tests run every use of the program.
  [ "$set" = test ] && wanted+=(${sets[run]} ${sets[browser]} ${sets[release]})
  wanted+=(${sets[$set]})
done

# One query for all: dpkg-query names only the packages it knows, with their state.
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${wanted[@]}" 2>/dev/null | awk '$1 == "ii" { print $2 }') || true
missing=($(printf '%s\n' "${wanted[@]}" | sort -u | grep -vxF -f <(echo "$installed") || true))
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
