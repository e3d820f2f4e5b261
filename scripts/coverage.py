#!/usr/bin/python3
"""Line coverage of SOURCES from the native test run, which writes its raw
profiles to BUILD_DIR/profiles: a table by file, each line that no test ran,
and the total, which fails below MIN_PERCENT.

Usage: coverage.py BUILD_DIR MIN_PERCENT SOURCE...
"""

import glob
import json
import os
import subprocess
import sys


def unrun_lines(segments):
    """The numbers of the lines that code starts or runs on and that never ran,
    from llvm-cov's segments (line, column, count, has count, region entry,
    gap), counted as llvm-cov counts a line."""
    unrun, carried, at = [], None, 0
    for line in range(segments[0][0] if segments else 1, segments[-1][0] + 1 if segments else 1):
        starting = []
        while at < len(segments) and segments[at][0] == line:
            starting.append(segments[at])
            at += 1
        entries = [s for s in starting if s[3] and s[4] and not s[5]]
        skipped = starting and not starting[0][3] and starting[0][4]
        if not skipped and ((carried and carried[3]) or entries):
            if max([carried[2] if carried else 0] + [s[2] for s in entries]) == 0:
                unrun.append(line)
        carried = starting[-1] if starting else carried
    return unrun


def main(build, minimum, *sources):
    profile = os.path.join(build, "coverage.profdata")
    subprocess.run(["llvm-profdata-14", "merge", "-sparse", *glob.glob(os.path.join(build, "profiles", "*.profraw")),
                    "-o", profile], check=True)
    # The test programs share GoogleTest's inline functions; their profiles
    # differ harmlessly, which llvm-cov mentions on stderr.
    export = subprocess.run(["llvm-cov-14", "export", os.path.join(build, "tests/records/records_tests"),
                             "-object", os.path.join(build, "tests/core/core_tests"), "-instr-profile=" + profile,
                             *sources], check=True, capture_output=True, text=True).stdout
    data = json.loads(export)["data"][0]
    row = "{:<32} {:>6} {:>7} {:>8}"
    print(row.format("file", "lines", "missed", "cover"))
    files = sorted(data["files"], key=lambda f: f["filename"])
    for name, lines in [(os.path.relpath(f["filename"]), f["summary"]["lines"]) for f in files] + \
                       [("TOTAL", data["totals"]["lines"])]:
        print(row.format(name, lines["count"], lines["count"] - lines["covered"], "%.2f%%" % lines["percent"]))
    for f in files:
        with open(f["filename"], encoding="utf-8", errors="replace") as source:
            text = source.read().splitlines()
        for line in unrun_lines(f["segments"]):
            print(f"  not run: {os.path.relpath(f['filename'])}:{line}:{text[line - 1]}")
    lines = data["totals"]["lines"]
    print("Line coverage: %.2f%% (%d of %d lines); required: %s%%" % (lines["percent"], lines["covered"],
                                                                      lines["count"], minimum))
    return 0 if lines["percent"] >= float(minimum) else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
