#!/bin/bash
# Makes the release's packages in dist/: Korva1-VERSION.msi, which installs
# Korva1 for one person with a Start-menu entry and a German interface
# (packaging/Korva1.wxs, packaging/ui), its tables checked;
# Korva1-VERSION-win32.zip, the exe with a short German text;
# korva1_VERSION-REVISION_amd64.deb, the x86-64 build and its fonts with a
# launcher for Debian's 64-bit Wine; and SHA256SUMS for all three. It builds the 32-bit
# release and the x86-64 program first. The same commit
# gives the same bytes anywhere: the time is SOURCE_DATE_EPOCH where it is
# set, else the commit's.
# Usage: scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 0 ] || { echo "usage: scripts/package.sh" >&2 && exit 2; }

"$root/scripts/install-deps.sh" package
"$root/scripts/build.sh" windows-x86 Korva1
"$root/scripts/build.sh" windows-x64 Korva1 fonts
build="$root/build/windows-x86"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
source "$root/scripts/lib/package.sh"
epoch=$(korva_package_epoch "$root")
dist="$root/dist"
msi="Korva1-$version.msi"
zip="Korva1-$version-win32.zip"
deb=$(korva_deb_name "$version")
# dist/ holds this version's packages only.
mkdir -p "$dist"
rm -f "$dist"/Korva1-* "$dist"/korva1_* "$dist/SHA256SUMS"
korva_msi "$build/app/Korva1.exe" "$build/res/Korva1.ico" "$version" "$epoch" "$dist/$msi"
faults=$("$root/scripts/check-msi-tables.py" "$dist/$msi") ||
  { echo "$faults" && echo "The MSI's tables are broken (packaging/ui)" && exit 1; } >&2
korva_zip "$build/app/Korva1.exe" "$version" "$epoch" "$dist/$zip"
korva_deb "$root/build/windows-x64/app/Korva1.exe" "$root/build/fonts" "$version" "$epoch" "$dist/$deb"
(cd "$dist" && sha256sum "$msi" "$zip" "$deb" >SHA256SUMS)
echo "Packages of Korva1 $version in $dist:"
(cd "$dist" && stat -c '  %-32n %9s bytes' "$msi" "$zip" "$deb" SHA256SUMS)
