#!/bin/bash
# Builds everything and runs every test: the code without window calls
# natively under AddressSanitizer and UndefinedBehaviorSanitizer, the record
# file fuzzers for a bounded time, the 32-bit release's checks, and last all
# Windows tests of the x86-64 build under Wine on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${KORVA_FUZZ_SECONDS:-30}

scripts/install-deps.sh

# ctest counts a test that could not set up its fault as skipped; say why.
show_skip_reasons() {
  awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 }
       /: Skipped$/ { getline; print "  skipped " name ": " $0 }
       /^SKIPPED: / { print "  skipped " name ": " substr($0, 10) }
       / \.\.\. skipped / { sub(/.* \.\.\. skipped /, ""); print "  skipped " name ": " $0 }' \
    "$1/Testing/Temporary/LastTest.log"
}

echo "== Native tests (ASan, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"
show_skip_reasons build/native

echo "== Fuzzing the record files, ${fuzz_seconds} s per format"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
tests/fuzz/run-fuzzers.sh build/fuzz "$fuzz_seconds"

echo "== 32-bit release (built and checked; it cannot run here)"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j"$jobs"
ctest --preset windows-x86

echo "== Windows tests under Wine"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j"$jobs"
ctest --preset windows-x64
show_skip_reasons build/windows-x64
