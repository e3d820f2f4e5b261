#!/bin/bash
# Builds everything and runs every test and check: each header on its own;
# the code without window calls natively (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) with its line coverage and clang-tidy; the
# record file fuzzers for a bounded time; the 32-bit release's checks, a
# second build of it that must come out byte for byte the same, and its
# end-to-end record test under 32-bit Wine; all Windows tests of the x86-64
# build under Wine on a virtual display; and last the formatting of all C++.
# Warnings are errors in every build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/window-free.sh
jobs=$(nproc)
fuzz_seconds=${KORVA_FUZZ_SECONDS:-30}
min_coverage=95

scripts/install-deps.sh test

# Debian's 32-bit Wine for the release's runs, checked before any test (and
# where qemu-i386 runs it, registered). Where it cannot be had at all, those
# tests are skipped; CI must run them.
wine32_unavailable=""
status=0
mkdir -p build
{ scripts/wine32.sh prepare 2>&1 >&3 | tee build/wine32.err >&2; } 3>&1 || status=$?
if [ "$status" = 77 ] && [ -z "${CI:-}" ]; then
  wine32_unavailable=$(tail -n1 build/wine32.err)
elif [ "$status" != 0 ]; then
  exit "$status"
fi

# ctest counts a test that could not set up its fault as skipped; say why.
show_skip_reasons() {
  awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 }
       /: Skipped$/ { getline; print "  skipped " name ": " $0 }
       /^SKIPPED: / { print "  skipped " name ": " substr($0, 10) }
       / \.\.\. skipped / { sub(/.* \.\.\. skipped /, ""); print "  skipped " name ": " $0 }' \
    "$1/Testing/Temporary/LastTest.log"
}

echo "== Every header on its own"
scripts/check-headers.sh

echo "== The program builds with only what running needs"
# What scripts/run.sh builds, in a folder of its own, with GoogleTest's
# sources out of reach as on a machine without the test package set.
without_tests=$(mktemp -d)
cmake --preset windows-x64 -S . -B "$without_tests" --no-warn-unused-cli -DKORVA_GTEST_SOURCE="$without_tests/no-googletest" >/dev/null
ninja -C "$without_tests" --quiet Korva1
rm -rf "$without_tests"
echo "Korva1.exe builds without the tests' packages."

echo "== Native tests (clang, ASan, UBSan, coverage)"
scripts/build.sh native
rm -rf build/native/profiles
ctest --preset native -j"$jobs"
show_skip_reasons build/native
scripts/coverage.sh build/native "$min_coverage"

echo "== clang-tidy on the code without window calls"
mapfile -t sources < <(window_free_files .cpp)
clang-tidy-14 -p build/native --quiet "${sources[@]}" 2>/dev/null
echo "No findings."

echo "== Fuzzing the record files, ${fuzz_seconds} s per format"
scripts/build.sh fuzz
tests/fuzz/run-fuzzers.sh build/fuzz "$fuzz_seconds"

echo "== 32-bit release: checks, a second build, and the record test under 32-bit Wine"
scripts/build.sh --tests windows-x86
if [ -z "$wine32_unavailable" ]; then
  ctest --preset windows-x86
else
  ctest --preset windows-x86 --label-exclude wine32
  echo "  skipped e2e_record of the release: $wine32_unavailable"
fi
show_skip_reasons build/windows-x86
scripts/check-reproducible.sh "$jobs"

echo "== Windows tests under Wine"
scripts/build.sh --tests windows-x64
ctest --preset windows-x64
show_skip_reasons build/windows-x64

echo "== Formatting (.clang-format)"
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
echo "All C++ is formatted."
