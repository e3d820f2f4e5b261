#!/bin/bash
# ctest's emulator for Windows programs, after tests/wine/on-display.sh: runs
# one under Wine on the test display whose state folder is KORVA_WINE_STATE.
# Usage: KORVA_WINE_STATE=STATE_DIR run-in-wine.sh PROGRAM.exe [ARGS...]
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/korva.sh"
korva_use_state "${KORVA_WINE_STATE:?set by tests/wine/on-display.sh}"
korva_ensure_prefix
exec "$WINE" "$@"
