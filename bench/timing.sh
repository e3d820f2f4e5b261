# shellcheck shell=bash
# Sourced by the benchmarks: timing helpers. Not a test: they only measure.

# Nanoseconds since the epoch.
now_ns() { date +%s%N; }

# The median of a list of numbers separated by spaces.
median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Milliseconds since START_NS.
ms_since() { echo $((($(now_ns) - $1) / 1000000)); }

# Milliseconds from starting COMMAND until a window named TITLE is shown on
# $DISPLAY; the window is then closed with Escape and the command awaited.
# Its output is in the state folder's logs/program.log.
ms_to_window() {
  local title=$1 start window elapsed
  shift
  start=$(now_ns)
  korva_spawn program "$@"
  window=$(korva_await_window "$title" "$KORVA_PID" program)
  elapsed=$(ms_since "$start")
  xdotool windowfocus --sync "$window" key Escape
  wait "$KORVA_PID" || true
  echo "$elapsed"
}
