"""Traces the real saves' system calls: each temporary file is flushed to the
disk before it is renamed over the record file, and the folder after.

Usage: check-flush-order.py RECORDS_TESTS
Exit code 77 (skipped) when the process cannot be traced here; with CI set
that is a failure instead.
"""

import os
import re
import subprocess
import sys
import tempfile

SKIPPED = 77
# Saves all three formats over existing files.
TEST = "SaveFailure.ReplacedFileKeepsItsAttributes"
CALL = re.compile(r'^(\d+) +(\w+)\((.*)\) += (-?\d+)')


def cannot_trace(reason):
    print(("FAILED: " if os.environ.get("CI") else "SKIPPED: ") + reason)
    sys.exit(1 if os.environ.get("CI") else SKIPPED)


def events(trace):
    """(call, path) in order, with descriptors resolved to the paths opened."""
    opened = {}
    for line in trace.splitlines():
        match = CALL.match(line)
        if not match:
            continue
        pid, call, args, result = match.group(1), match.group(2), match.group(3), int(match.group(4))
        names = re.findall(r'"([^"]*)"', args)
        if call == "openat" and result >= 0:
            opened[pid, result] = names[0]
        elif call in ("fsync", "fdatasync") and result == 0:
            yield call, opened.get((pid, int(args)), "?")
        elif call.startswith("rename") and result == 0:
            yield "rename", names


def main():
    with tempfile.TemporaryDirectory() as work:
        log = os.path.join(work, "trace")
        try:
            # The leak checker cannot run under a tracer.
            run = subprocess.run(["strace", "-f", "-qq", "-o", log, "-e",
                                  "trace=openat,fsync,fdatasync,rename,renameat,renameat2",
                                  sys.argv[1], "--gtest_filter=" + TEST], capture_output=True, text=True,
                                 env={**os.environ, "ASAN_OPTIONS": "detect_leaks=0"})
        except FileNotFoundError:
            cannot_trace("strace is not installed")
        refused = re.search(r"^strace: .*ptrace.*$", run.stderr, re.MULTILINE)
        if refused or not os.path.exists(log):
            cannot_trace("cannot trace a process here: " + (refused.group(0) if refused else run.stderr.strip()))
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            return 1
        with open(log) as f:
            calls = list(events(f.read()))

    replaced = 0
    for i, (call, path) in enumerate(calls):
        if call != "rename" or ".~k" not in path[0]:
            continue
        temp, target = path
        flushed_before = any(c in ("fsync", "fdatasync") and p == temp for c, p in calls[:i])
        folder = os.path.dirname(target) or "."
        flushed_after = any(c in ("fsync", "fdatasync") and p == folder for c, p in calls[i + 1:])
        print(f"{os.path.basename(temp)} -> {os.path.basename(target)}: file flushed before {flushed_before}, "
              f"folder after {flushed_after}")
        if not (flushed_before and flushed_after):
            return 1
        replaced += 1
    if replaced != 3:
        print(f"expected three saves replacing a file, saw {replaced}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
