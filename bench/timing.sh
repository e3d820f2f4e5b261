# Sourced by the benchmarks: timing helpers. Not a test: they only measure.

# Nanoseconds since the epoch.
now_ns() { date +%s%N; }

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Milliseconds since START_NS.
ms_since() { echo $((($(now_ns) - $1) / 1000000)); }
