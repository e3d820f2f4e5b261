#!/bin/bash
# Installs what the tests need, builds everything and runs every test and
# check, each step under a "== " heading and timed; the long tests as an
# unprivileged user run beside the other steps (docs/development.md says
# which run at once, and why). It ends with a table of the steps and their
# seconds, also when a step fails. Warnings are errors in every build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/korva.sh
source scripts/lib/steps.sh
jobs=$(nproc)
fuzz_seconds=${KORVA_FUZZ_SECONDS:-30}
min_coverage=95

steps_begin "The test package set and 32-bit Wine"
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

steps_begin "shellcheck on every script"
mapfile -t scripts < <(git ls-files scripts tests bench .ci packaging | xargs grep -l '^#!/bin/bash\|^# shellcheck shell=bash')
shellcheck -x "${scripts[@]}"
echo "No findings."

# The release and its tests are built before anything runs beside: the
# tests as an unprivileged user read the exe and dist/.
steps_begin "The 32-bit release and the packages (scripts/package.sh), checked"
scripts/build.sh --tests windows-x86
scripts/package.sh
scripts/check-deb.sh
(cd dist && sha256sum -c SHA256SUMS)

steps_begin "Native tests (clang, ASan, UBSan), with line coverage"
scripts/build.sh native
rm -rf build/native/profiles
mapfile -t sources < <(korva_window_free_files .cpp)
ctest --preset native -j"$jobs" --label-exclude unprivileged --output-junit junit.xml
scripts/skipped.py build/native/junit.xml
scripts/coverage.py build/native "$min_coverage" "${sources[@]}"

# The native tests labelled "unprivileged" take the release and its
# packages as another user, each with displays, prefixes and a home of its
# own: long, and mostly waiting on Wine.
steps_beside "Native tests as an unprivileged user" \
  ctest --preset native -j"$jobs" --label-regex unprivileged --output-junit junit-unprivileged.xml

steps_begin "clang-tidy on the code without window calls"
clang-tidy-14 -p build/native --quiet "${sources[@]}" 2>/dev/null
echo "No findings."

steps_begin "Every header on its own"
scripts/check-headers.sh

steps_begin "The program builds with only what running needs"
# What scripts/run.sh builds, in a folder of its own, with GoogleTest's
# sources out of reach as on a machine without the test package set.
without_tests=$(mktemp -d)
mapfile -t ccache < <(korva_ccache_options "$root")
cmake --preset windows-x64 -S . -B "$without_tests" --no-warn-unused-cli -DKORVA_GTEST_SOURCE="$without_tests/no-googletest" \
  "${ccache[@]}" >/dev/null
ninja -C "$without_tests" --quiet Korva1
rm -rf "$without_tests"
echo "Korva1.exe builds without the tests' packages."

steps_begin "32-bit release: its checks and the record test under 32-bit Wine"
if [ -z "$wine32_unavailable" ]; then
  ctest --preset windows-x86 --output-junit junit.xml
else
  ctest --preset windows-x86 --output-junit junit.xml --label-exclude wine32
  echo "  skipped e2e_record of the release: $wine32_unavailable"
fi
scripts/skipped.py build/windows-x86/junit.xml

steps_begin "The release and the packages made again elsewhere, the same bytes"
scripts/check-reproducible.sh

steps_begin "Windows tests under Wine, three at once"
scripts/build.sh --tests windows-x64
ctest --preset windows-x64 --output-junit junit.xml
scripts/skipped.py build/windows-x64/junit.xml

steps_join "Native tests as an unprivileged user"
scripts/skipped.py build/native/junit-unprivileged.xml

# Alone: the fuzzers run for a time, and would get less done beside others.
steps_begin "Fuzzing the record files, ${fuzz_seconds} s of a core per format"
scripts/build.sh fuzz
tests/fuzz/run-fuzzers.sh build/fuzz "$fuzz_seconds"

steps_begin "Formatting (.clang-format)"
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
echo "All C++ is formatted."
