#!/bin/bash
# Builds targets of a CMake preset (all of them without any), configuring
# the build folder first where it has no configuration yet or the presets
# changed; the build itself configures again when a CMakeLists.txt changes.
# Quiet: only a compiler's or linker's own output and errors show.
# Usage: build.sh [--tests] PRESET [TARGET...]
#   --tests  with the tests, which need the test package set; a folder
#            configured without them (as scripts/run.sh leaves it) gets them
#            in place, and keeps them, with the compiler cache of that set
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib/korva.sh"
options=()
if [ "${1:-}" = --tests ]; then
  mapfile -t options < <(korva_ccache_options "$root")
  options+=(-DBUILD_TESTING=ON)
  shift
fi
preset=$1
shift
folder="$root/build/$preset"
cache="$folder/CMakeCache.txt"

if [ ! "$cache" -nt "$root/CMakePresets.json" ] ||
  { [ ${#options[@]} -gt 0 ] && ! grep -qx 'BUILD_TESTING:BOOL=ON' "$cache"; }; then
  cmake --preset "$preset" -S "$root" "${options[@]}" >/dev/null
fi
ninja -C "$folder" --quiet "$@" | { grep -v '^ninja: \(Entering\|Leaving\) directory\|^ninja: no work to do' || true; }
