#!/bin/bash
# Builds Korva1 and starts it under Wine in the current folder, where it
# keeps test.txt, test2.txt and test.bin. On a desktop the form is one of its
# windows, at the desktop's scale; without a display it runs the form on a
# virtual one, saves a screenshot, closes the form and says where the
# picture is. With --browser [--port N] it serves the form to a web browser
# instead (scripts/browser.sh). With --release it runs the 32-bit release
# under Debian's 32-bit Wine (scripts/wine32.sh) in any of these ways,
# instead of the x86-64 build. Both builds run in the same Wine prefixes,
# one for each way, in build/wine/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/korva.sh"

usage() { echo "usage: scripts/run.sh [--release] [--browser [--port N]]" >&2 && exit 2; }
browser=0
release=0
port=
while [ $# -gt 0 ]; do
  case "$1" in
  --browser) browser=1 ;;
  --release) release=1 ;;
  --port) [ $# -ge 2 ] || usage; port=$2; shift ;;
  *) usage ;;
  esac
  shift
done
[ -z "$port" ] || [ "$browser" = 1 ] || usage
port=${port:-6080}
# The program keeps its files in this folder (as Wine finds it, without
# links): one that Windows cannot name would put them in the Wine prefix.
korva_windows_can_name "$(pwd -P)" || exit 1

sets=(run)
[ "$browser" = 0 ] || sets+=(browser)
[ "$release" = 0 ] || sets+=(release)
"$root/scripts/install-deps.sh" "${sets[@]}"
[ "$browser" = 0 ] || "$root/scripts/browser.sh" check-port "$port"
preset=windows-x64
if [ "$release" = 1 ]; then
  preset=windows-x86
  "$root/scripts/wine32.sh" prepare
  export KORVA_WINE_ARCH=win32
fi
"$root/scripts/build.sh" "$preset" Korva1 fonts
exe="$root/build/$preset/app/Korva1.exe"
[ "$release" = 0 ] || echo "Running the 32-bit release $exe under 32-bit Wine, $("$root/scripts/wine32.sh" how)"
states="$root/build/wine"

[ "$browser" = 0 ] || exec "$root/scripts/browser.sh" serve "$port" "$exe" "$states/browser"

# A desktop's window manager frames and focuses the form. That takes a
# prefix of its own, apart from the one for displays without one.
display=${DISPLAY:-}
if [ -n "$display" ] && korva_display_has_window_manager; then
  korva_use_state "$states/desktop"
  korva_ensure_prefix desktop
  exec "$WINE" "$exe"
fi
korva_use_state "$states/run"
korva_ensure_prefix
[ -z "$display" ] || DISPLAY=$display exec "$WINE" "$exe"

trap korva_stop_run EXIT
korva_display_start
korva_spawn program "$WINE" "$exe"
window=$(korva_await_window Korva1 "$KORVA_PID" program)
shot="$root/build/korva1.png"
korva_screenshot_when_painted "$window" "$shot"
xdotool windowfocus --sync "$window" key Escape
wait "$KORVA_PID" || true
echo "No display: the form ran on a virtual one. Screenshot: $shot"
echo "To use the form from a web browser, run: scripts/run.sh --browser$([ "$release" = 0 ] || echo " --release")"
