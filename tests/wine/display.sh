#!/bin/bash
# Starts or stops the virtual display (and Wine prefix) that the Windows tests use.
# Usage: display.sh start|stop STATE_DIR [PREFIX_KIND]
#   PREFIX_KIND as korva_ensure_prefix takes it, virtual-display by default
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/korva.sh"
korva_use_state "$2"

case "$1" in
start)
  # Stopped first: a wineserver left running would hold up the prefix's set-up.
  korva_stop_run
  korva_ensure_prefix "${3:-}"
  korva_display_start
  # A persistent wineserver and Wine's own background processes, started
  # here with no inherited output, spare each test program Wine's start-up
  # and keep ctest from waiting on pipes that those processes hold open.
  korva_step wineserver "$WINESERVER" -p
  korva_step wineboot "$WINE64" wineboot
  echo "display $DISPLAY ready"
  ;;
stop) korva_stop_run ;;
*)
  echo "usage: $0 start|stop STATE_DIR [PREFIX_KIND]" >&2
  exit 2
  ;;
esac
