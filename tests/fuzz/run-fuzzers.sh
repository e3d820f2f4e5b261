#!/bin/bash
# Runs each record file fuzzer for a bounded time on a copy of its seed corpus.
# Usage: run-fuzzers.sh BUILD_DIR SECONDS
# Prints the number of inputs each target ran; exits non-zero on any finding,
# whose input is kept under BUILD_DIR/fuzz-findings.
set -u
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$(cd "$1" && pwd) || exit 2
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build/fuzz-findings"

status=0
for target in fuzz_stdio_text_record fuzz_stream_text_record fuzz_binary_record; do
    program="$build/tests/fuzz/$target"
    if [ ! -x "$program" ]; then
        echo "$target: not built in $build" >&2
        status=1
        continue
    fi
    cp -r "$here/corpus/$target" "$work/$target"
    mkdir -p "$findings"
    log="$work/$target.log"
    # A malloc limit far below the RSS limit: a forged length must not make a
    # huge allocation even when it would fit in memory.
    "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=64 -max_len=16384 \
        -artifact_prefix="$findings/$target-" "$work/$target" >"$log" 2>&1
    result=$?
    runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
    if [ "$result" -eq 0 ] && [ -n "$runs" ]; then
        echo "$target: $runs inputs, no finding"
    else
        echo "$target: FINDING (exit $result)"
        tail -n 40 "$log"
        status=1
    fi
done
exit $status
