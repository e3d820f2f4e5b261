#!/bin/bash
# Reports the size of both Korva1.exe builds and, under Wine on a virtual
# display, the time from starting a program to its form being shown: Korva1
# side by side with a bare Win32 program that shows an empty dialog, in the
# same run. Not a test: it only measures.
# Usage: bench/startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}

cmake --preset windows-x64 -S "$root" >/dev/null
cmake --build "$root/build/windows-x64" --target Korva1 EmptyDialog -j"$(nproc)" >/dev/null
cmake --preset windows-x86 -S "$root" >/dev/null
cmake --build "$root/build/windows-x86" --target Korva1 -j"$(nproc)" >/dev/null

state="$root/build/windows-x64/bench-wine"
"$root/tests/wine/display.sh" start "$state" >/dev/null
trap '"$root/tests/wine/display.sh" stop "$state"' EXIT
source "$root/tests/wine/wine-env.sh" "$state"
work=$(mktemp -d)
cd "$work"

# Milliseconds from starting the program until its window is mapped.
time_to_window() {
  local exe=$1 title=$2 start end window
  start=$(date +%s%N)
  "$WINE" "$exe" 2>/dev/null &
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1)
  end=$(date +%s%N)
  xdotool windowfocus --sync "$window" key Escape
  wait
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure() {
  local exe=$1 title=$2
  time_to_window "$exe" "$title" >/dev/null  # warm the caches once
  for _ in $(seq "$runs"); do time_to_window "$exe" "$title"; done | median
}

printf '%-40s %10s\n' "file" "bytes"
for exe in build/windows-x86/app/Korva1.exe build/windows-x64/app/Korva1.exe build/windows-x64/bench/EmptyDialog.exe; do
  printf '%-40s %10s\n' "$exe" "$(stat -c %s "$root/$exe")"
done
echo
echo "time from start to shown form, median of $runs runs under Wine:"
printf '  %-12s %6s ms\n' "Korva1" "$(measure "$root/build/windows-x64/app/Korva1.exe" Korva1)"
printf '  %-12s %6s ms\n' "EmptyDialog" "$(measure "$root/build/windows-x64/bench/EmptyDialog.exe" EmptyDialog)"
cd / && rm -rf "$work"
