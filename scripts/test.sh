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

echo "== Native tests (ASan, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

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
