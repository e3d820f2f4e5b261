#!/bin/bash
# Builds the 32-bit release a second time, from a copy of the sources in
# another folder, and checks that Korva1.exe comes out byte for byte the same
# as the one in build/windows-x86: no time stamp, no folder names, no other
# trace of where or when it was built.
# Usage: check-reproducible.sh [JOBS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${1:-$(nproc)}
first="$root/build/windows-x86/app/Korva1.exe"
[ -f "$first" ] || { echo "build the windows-x86 preset first" >&2; exit 2; }

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cd "$root"
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy"
cmake -G Ninja -S "$copy" -B "$copy/other-build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$copy/other-build" --target Korva1 -j"$jobs" >/dev/null

sha256sum "$first" "$copy/other-build/app/Korva1.exe"
cmp -s "$first" "$copy/other-build/app/Korva1.exe" || { echo "FAIL: the second build of the release differs" && exit 1; }
echo "The release is reproducible."
