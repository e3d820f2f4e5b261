#!/bin/bash
# ctest's emulator for Windows programs: runs one under Wine on the test display.
# Usage: run-in-wine.sh STATE_DIR PROGRAM.exe [ARGS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh" "$1"
shift
korva_ensure_prefix
exec "$WINE" "$@"
