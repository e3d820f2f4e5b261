#!/bin/bash
# Checks the Debian package in dist/ as Debian's own tools do: lintian finds
# no error or warning (each override in the package says why; lintian's
# --show-overrides would count them as found), and the AppStream data and
# the menu entry are valid. Run scripts/package.sh first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=$(compgen -G "$root/dist/korva1_*_amd64.deb") || { echo "run scripts/package.sh first" >&2 && exit 2; }
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"

echo "lintian on ${deb##*/}:"
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2)
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
echo "The Debian package passes lintian, appstreamcli and desktop-file-validate."
