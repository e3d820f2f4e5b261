#!/bin/bash
# Builds Korva1 and starts it under Wine in the current folder, where it
# keeps test.txt, test2.txt and test.bin. Without a display it runs the form
# on a virtual one, saves a screenshot, closes the form and says where the
# picture is. With --browser [--port N] it serves the form to a web browser
# instead (scripts/browser.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  echo "usage: scripts/run.sh [--browser [--port N]]" >&2
  exit 2
}
browser=0
port=
while [ $# -gt 0 ]; do
  case "$1" in
  --browser) browser=1 ;;
  --port) [ $# -ge 2 ] || usage; port=$2; shift ;;
  *) usage ;;
  esac
  shift
done
[ -z "$port" ] || [ "$browser" = 1 ] || usage
port=${port:-6080}

"$root/scripts/install-deps.sh"
if [ "$browser" = 1 ]; then
  "$root/scripts/browser.sh" check-port "$port"
fi
cmake --preset windows-x64 -S "$root" >/dev/null
cmake --build "$root/build/windows-x64" --target Korva1 -j"$(nproc)"
cmake --preset windows-x86 -S "$root" >/dev/null
cmake --build "$root/build/windows-x86" --target Korva1 -j"$(nproc)"
exe="$root/build/windows-x64/app/Korva1.exe"
echo "Built $exe (and the 32-bit release $root/build/windows-x86/app/Korva1.exe)"

if [ "$browser" = 1 ]; then
  exec "$root/scripts/browser.sh" serve "$port" "$exe" "$root/build/windows-x64/browser-wine"
fi

state="$root/build/windows-x64/run-wine"
source "$root/tests/wine/wine-env.sh" "$state"
korva_ensure_prefix

if [ -n "${DISPLAY:-}" ]; then
  exec "$WINE" "$exe"
fi

Xvfb -displayfd 4 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 4>"$state/display.tmp" >/dev/null 2>&1 &
xvfb=$!
trap '/usr/lib/wine/wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$state/display.tmp" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$state/display.tmp")"

"$WINE" "$exe" 2>/dev/null &
program=$!
window=$(timeout 60 xdotool search --sync --name '^Korva1$' | head -n1)
sleep 1  # let the form finish painting
shot="$root/build/korva1.png"
import -window "$window" "$shot"
xdotool windowfocus --sync "$window" key Escape
wait $program || true
echo "No display: the form ran on a virtual one. Screenshot: $shot"
echo "To use the form from a web browser, run: scripts/run.sh --browser"
