#!/bin/bash
# Packages the release a second time, from a copy of the sources in another
# folder, under another time zone, umask and locale, and checks that
# both builds of Korva1.exe, Korva1's fonts, the MSI, the zip and the Debian package come
# out byte for byte as in build/ and dist/: no time stamp but the commit's, no folder names, no other trace of
# where or when they were made. Run scripts/package.sh first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exes=(build/windows-x86/app/Korva1.exe build/windows-x64/app/Korva1.exe build/fonts/tahoma.ttf build/fonts/tahomabd.ttf)
if [ ! -f "$root/${exes[1]}" ] || [ ! -f "$root/dist/SHA256SUMS" ]; then
  echo "run scripts/package.sh first" >&2
  exit 2
fi
source "$root/scripts/lib/package.sh"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cd "$root"
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy"
# The copy has no commit to take the time from. TZ: 13 hours east of UTC.
# No compiler cache: the release in build/ may come from scripts/test.sh's.
(umask 077 && SOURCE_DATE_EPOCH=$(korva_package_epoch "$root") TZ=KORVA-13 LC_ALL=C CCACHE_DISABLE=1 \
  "$copy/scripts/package.sh" >/dev/null)

status=0
while read -r sum name; do
  echo "$sum  $name"
  cmp -s "$root/$name" "$copy/$name" || { echo "FAIL: the second $name differs" && status=1; }
done < <(sha256sum "${exes[@]}" && sed 's|  |  dist/|' dist/SHA256SUMS)
[ "$status" = 0 ] && echo "The release and its packages are reproducible."
exit "$status"
