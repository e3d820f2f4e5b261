#!/bin/bash
# Runs the record file fuzzers, each on a copy of its seed corpus, all at
# once for the same time: as long as SECONDS each of a core would take on
# this machine's cores, and at least SECONDS.
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

# Seeds with a value at the field length limit and one byte over it: too big
# to keep in the repository, so made here.
field() { head -c "$1" /dev/zero | tr '\0' n; }
add_limit_seeds() {
    local corpus=$1 length
    for length in 32767 32768; do
        case $corpus in
        */fuzz_stdio_text_record) { field $length; printf '\r\nT\r\n1\r\nAI\r\nR\r\n0\r\n0\r\n'; } ;;
        */fuzz_stream_text_record) { field $length; printf '\r\nT\r\n1\r\n0\r\n0\r\n0\r\n'; } ;;
        */fuzz_binary_record)
            { [ $length = 32767 ] && printf '\xff\x7f\0\0' || printf '\0\x80\0\0'
              field $length; printf '\0\0\0\0\x01\0\0\0\0\0\0\0'; } ;;
        esac >"$corpus/limit-$length"
    done
}

targets=(fuzz_stdio_text_record fuzz_stream_text_record fuzz_binary_record)
cores=$(nproc)
wall=$(((seconds * ${#targets[@]} + cores - 1) / cores))
((wall > seconds)) || wall=$seconds
seconds=$wall
echo "${#targets[@]} fuzzers at once on $cores cores, for $seconds s each"

# Starts one fuzzer in the background, its output in its log.
start() {
    local target=$1 program="$build/tests/fuzz/$1"
    [ -x "$program" ] || { echo "$target: not built in $build" >"$work/$target.log" && return 1; }
    cp -r "$here/corpus/$target" "$work/$target"
    add_limit_seeds "$work/$target"
    mkdir -p "$findings"
    # A malloc limit far below the RSS limit: a forged length must not make a
    # huge allocation even when it would fit in memory. Inputs may be long
    # enough to hold a value over the field length limit.
    "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=64 -max_len=33000 \
        -artifact_prefix="$findings/$target-" "$work/$target" >"$work/$target.log" 2>&1 &
}

declare -A pids
for target in "${targets[@]}"; do
    start "$target" && pids[$target]=$!
done
status=0
for target in "${targets[@]}"; do
    log="$work/$target.log"
    result=1
    if [ -n "${pids[$target]:-}" ]; then
        result=0
        wait "${pids[$target]}" || result=$?
    fi
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
