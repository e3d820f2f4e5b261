# Sourced by the benchmarks: timing helpers. Not a test: they only measure.

# Nanoseconds on a monotonic clock.
now_ns() { date +%s%N; }

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Waits for a visible window whose name is exactly TITLE on $DISPLAY and
# prints its id. Polled every 10 ms: xdotool's own --sync looks only twice
# a second. Fails after 60 s.
await_window() {
  local title=$1 window
  for _ in $(seq 6000); do
    window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1) || true
    [ -n "$window" ] && { echo "$window"; return 0; }
    sleep 0.01
  done
  echo "no window '$title' appeared" >&2
  return 1
}

# Milliseconds since START_NS.
ms_since() { echo $((($(now_ns) - $1) / 1000000)); }
