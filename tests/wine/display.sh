#!/bin/bash
# Starts or stops the virtual display (and Wine prefix) that the Windows tests use.
# Usage: display.sh start|stop STATE_DIR [PREFIX_KIND]
#   PREFIX_KIND as korva_ensure_prefix takes it, virtual-display by default
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=SCRIPTDIR/../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh" "$2"

case "$1" in
start)
  # Stopped first: a wineserver left running would hold up the prefix's set-up.
  "$0" stop "$2" || true
  korva_ensure_prefix "${3:-}"
  # shellcheck disable=SC2119 # Xvfb takes no arguments of this script
  korva_start_xvfb
  echo "$KORVA_XVFB" >"$KORVA_STATE/xvfb.pid"
  echo "$DISPLAY" >"$KORVA_STATE/display"
  # A persistent wineserver and Wine's own background processes, started
  # here with no inherited output, spare each test program Wine's start-up
  # and keep ctest from waiting on pipes that those processes hold open.
  # A German keyboard has keys of its own for the form's umlauts and ß.
  # Without them xdotool maps each such letter to a spare key for one key
  # press and back, and Wine, reading the key map after the press, may
  # then find nothing and drop the letter.
  setxkbmap de
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE64" wineboot </dev/null >/dev/null 2>&1
  echo "display $(cat "$KORVA_STATE/display") ready"
  ;;
stop)
  "$WINESERVER" -k 2>/dev/null || true
  if [ -f "$KORVA_STATE/xvfb.pid" ]; then
    kill "$(cat "$KORVA_STATE/xvfb.pid")" 2>/dev/null || true
    rm -f "$KORVA_STATE/xvfb.pid"
  fi
  rm -f "$KORVA_STATE/display"
  ;;
*)
  echo "usage: $0 start|stop STATE_DIR [PREFIX_KIND]" >&2
  exit 2
  ;;
esac
