#!/bin/bash
# Runs a test's COMMAND on the test display that ctest gave it (its resource
# group "display", id N), with KORVA_WINE_STATE set to that display's state
# folder, STATE_BASE-N. Run by hand, outside ctest, it takes display 1.
# Usage: on-display.sh STATE_BASE COMMAND [ARGS...]
set -euo pipefail
# ctest's grant reads "id:N,slots:1".
grant=${CTEST_RESOURCE_GROUP_0_DISPLAY:-id:1,slots:1}
grant=${grant#id:}
export KORVA_WINE_STATE="$1-${grant%%,*}"
shift
exec "$@"
