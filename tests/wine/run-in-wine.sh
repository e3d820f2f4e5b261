#!/bin/bash
# ctest's emulator for Windows programs: runs one under Wine on the test display.
# Usage: run-in-wine.sh STATE_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/korva.sh"
korva_use_state "$1"
shift
korva_ensure_prefix
exec "$WINE" "$@"
