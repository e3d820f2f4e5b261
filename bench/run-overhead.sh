#!/bin/bash
# What scripts/run.sh costs a person on top of Wine. On a virtual display
# with a window manager, as on a desktop: the time from a warm run.sh to its
# form against Wine alone starting the same exe on the same prefix, both
# from cold (no Wine server left from before), interleaved. Then the time
# from a warm run.sh --browser to its printed address. Medians of RUNS.
# Not a test: it only measures.
# Usage: bench/run-overhead.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
source "$root/bench/timing.sh"
source "$root/scripts/lib/korva.sh"
korva_use_state "$root/build/wine/desktop"
exe="$root/build/windows-x64/app/Korva1.exe"
port=6099

work=$(mktemp -d)
trap 'korva_stop_run; rm -rf "$work"' EXIT
korva_display_start
korva_spawn openbox openbox
korva_wait 10 korva_display_has_window_manager || korva_failed "The window manager (openbox) did not start" openbox
cd "$work"

# Milliseconds from the command's start until it shows the form, from cold;
# the form is closed again.
form_time() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w
  ms_to_window Korva1 "$@"
}

# Milliseconds from run.sh --browser's start until it prints the address.
address_time() {
  local start
  start=$(now_ns)
  coproc served { exec "$root/scripts/run.sh" --browser --port "$port" 2>/dev/null; }
  grep -m1 -q '^http://' <&"${served[0]}"
  ms_since "$start"
  # shellcheck disable=SC2154 # coproc sets served_PID
  kill -TERM "$served_PID"
  wait "$served_PID" || true
}

# Warm: the build, the prefixes and the file caches.
form_time "$root/scripts/run.sh" >/dev/null
address_time >/dev/null

run_sh="" wine="" browser_times=""
for _ in $(seq "$runs"); do
  run_sh+="$(form_time "$root/scripts/run.sh") "
  wine+="$(form_time "$WINE" "$exe") "
done
for _ in $(seq "$runs"); do browser_times+="$(address_time) "; done

run_median=$(median "$run_sh") wine_median=$(median "$wine") browser_median=$(median "$browser_times")
echo "median of $runs runs:"
printf '  %-34s %6s ms   (runs: %s)\n' "run.sh to its form, from cold" "$run_median" "${run_sh% }" \
  "Wine alone to the form, from cold" "$wine_median" "${wine% }" \
  "run.sh --browser to its address" "$browser_median" "${browser_times% }"
echo "run.sh shows the form $((run_median - wine_median)) ms later than Wine alone (goal: at most 1000 ms)"
echo "run.sh --browser prints its address after $browser_median ms (goal: at most 4000 ms)"
