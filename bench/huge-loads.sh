#!/bin/bash
# Loads a 1 GiB single-line test.txt and test2.txt and a test.bin whose
# surname length says 1 GiB with all its bytes there (each refused), and
# times ordinary saves and loads: natively (optimised, no sanitizers) and
# under Wine (x86-64 build). Each huge load runs in a fresh process. The
# files are sparse beyond their first MiB, made in a temporary folder and
# removed. Not a test: it only measures.
# Usage: bench/huge-loads.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# NAME HEAD SIZE: HEAD, then a MiB of 'n', then zero bytes up to SIZE.
make_file() {
  { printf '%b' "$2"; head -c 1048576 /dev/zero | tr '\0' n; } >"$work/$1"
  truncate -s "$3" "$work/$1"
}
make_file test.txt '' 1G
make_file test2.txt '' 1G
make_file test.bin '\0\0\0\x40' $((4 + (1 << 30) + 12))

run_all() {  # PROGRAM FOLDER_AS_THE_PROGRAM_SEES_IT SEPARATOR
  echo "huge files, 1 GiB:"
  for name in test.txt test2.txt test.bin; do "$1" huge "$name" "$2$3$name"; done
  mkdir "$work/ordinary"
  "$1" ordinary "$2$3ordinary"
  rmdir "$work/ordinary"
}

"$root/scripts/build.sh" bench-native record_load_bench
echo "== native"
run_all "$root/build/bench-native/bench/record_load_bench" "$work" /

"$root/scripts/build.sh" windows-x64 record_load_bench fonts
source "$root/scripts/lib/korva.sh"
korva_use_state "$root/build/wine/bench"
korva_ensure_prefix
wine_bench() { "$WINE" "$root/build/windows-x64/bench/record_load_bench.exe" "$@"; }
echo "== under Wine"
run_all wine_bench "$("$WINE" winepath -w "$work" 2>/dev/null | tr -d '\r')" "\\"
korva_stop_run
