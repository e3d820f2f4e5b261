#!/bin/bash
# Reports the size of both Korva1.exe builds and, under Wine on a virtual
# display, the time from starting a program to its form being shown: Korva1
# against PlainDialog (the same form from the same template with the same
# start-up, straight on Win32: the floor) and EmptyDialog (a bare empty
# dialog). The three run in turn, RUNS times each, so that a change in the
# machine's load falls on all of them. Last the 32-bit release's time under
# Debian's 32-bit Wine, in the same prefix. Not a test: it only measures.
# Usage: bench/startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
source "$root/bench/timing.sh"

"$root/scripts/build.sh" windows-x64 Korva1 fonts PlainDialog EmptyDialog
"$root/scripts/build.sh" windows-x86 Korva1

state="$root/build/wine/bench"
# The prefix is set up for the release too before the display starts: the
# display's persistent Wine server would hold that up.
"$root/scripts/wine32.sh" prepare
KORVA_WINE_ARCH=win32 "$root/tests/wine/display.sh" start "$state" >/dev/null
source "$root/scripts/lib/korva.sh"
korva_use_state "$state"
trap korva_stop_run EXIT
work=$(mktemp -d)
cd "$work"

# Milliseconds from starting the program until its window is shown.
time_to_window() { ms_to_window "$2" "$WINE" "$1"; }

bin="$root/build/windows-x64"
programs=("$bin/app/Korva1.exe" "$bin/bench/PlainDialog.exe" "$bin/bench/EmptyDialog.exe")
titles=(Korva1 Korva1 EmptyDialog)
names=(Korva1 PlainDialog EmptyDialog)
for i in 0 1 2; do time_to_window "${programs[$i]}" "${titles[$i]}" >/dev/null; done  # warm the caches once
runs_of=("" "" "")
for _ in $(seq "$runs"); do
  for i in 0 1 2; do runs_of[i]+="$(time_to_window "${programs[$i]}" "${titles[$i]}") "; done
done

printf '%-40s %10s\n' "file" "bytes"
for exe in build/windows-x86/app/Korva1.exe build/windows-x64/app/Korva1.exe build/windows-x64/bench/PlainDialog.exe build/windows-x64/bench/EmptyDialog.exe; do
  printf '%-40s %10s\n' "$exe" "$(stat -c %s "$root/$exe")"
done
echo
echo "time from start to shown form, median of $runs interleaved runs under Wine:"
medians=()
for i in 0 1 2; do
  medians[i]=$(median "${runs_of[$i]}")
  printf '  %-12s %6s ms   (runs: %s)\n' "${names[$i]}" "${medians[$i]}" "${runs_of[$i]% }"
done
awk -v k="${medians[0]}" -v p="${medians[1]}" 'BEGIN { printf "Korva1 / PlainDialog: %.3f (goal: at most 1.05)\n", k / p }'

# The 32-bit release in the same prefix, under Debian's 32-bit Wine, for the
# record: where qemu-i386 runs it, it is slower by nature.
KORVA_WINE_ARCH=win32 korva_use_state "$state"
release="$root/build/windows-x86/app/Korva1.exe"
time_to_window "$release" Korva1 >/dev/null
release_times=""
for _ in $(seq "$runs"); do release_times+="$(time_to_window "$release" Korva1) "; done
printf '  %-12s %6s ms   (runs: %s): the 32-bit release under 32-bit Wine, %s\n' Korva1-i686 \
  "$(median "$release_times")" "${release_times% }" "$("$root/scripts/wine32.sh" how)"
cd / && rm -rf "$work"
