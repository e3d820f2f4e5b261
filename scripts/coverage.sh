#!/bin/bash
# Line coverage of the code without window calls (core/ and records/) from
# the native test run, which writes its raw profiles to BUILD_DIR/profiles.
# Fails below MIN_PERCENT.
# Usage: coverage.sh BUILD_DIR MIN_PERCENT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
minimum=$2
cd "$root"
source scripts/window-free.sh
mapfile -t sources < <(window_free_files .cpp)
binaries=(-object "$build/tests/records/records_tests" -object "$build/tests/core/core_tests")

llvm-profdata-14 merge -sparse "$build"/profiles/*.profraw -o "$build/coverage.profdata"
# The test programs share GoogleTest's inline functions; their profiles differ
# harmlessly, which llvm-cov mentions on stderr.
args=("${binaries[@]:1}" -instr-profile="$build/coverage.profdata")
printf '%-32s %6s %7s %8s\n' file lines missed cover
llvm-cov-14 report "${args[@]}" "${sources[@]}" 2>/dev/null |
  awk '$1 ~ /\.cpp$|^TOTAL$/ { printf "%-32s %6s %7s %8s\n", $1, $8, $9, $10 }'
# Each line that no test ran, with its file.
llvm-cov-14 show "${args[@]}" "${sources[@]}" 2>/dev/null |
  awk -v root="$root/" '/^\/.*:$/ { file = substr($0, length(root) + 1, length($0) - length(root) - 1) }
                        /^ +[0-9]+\| +0\|/ { split($0, part, "|"); printf "  not run: %s:%d:%s\n", file, part[1], part[3] }'
llvm-cov-14 export -summary-only "${args[@]}" "${sources[@]}" 2>/dev/null |
  /usr/bin/python3 -c '
import json, sys
lines = json.load(sys.stdin)["data"][0]["totals"]["lines"]
minimum = float(sys.argv[1])
print("Line coverage: %.2f%% (%d of %d lines); required: %.0f%%" % (lines["percent"], lines["covered"], lines["count"], minimum))
sys.exit(0 if lines["percent"] >= minimum else 1)' "$minimum"
