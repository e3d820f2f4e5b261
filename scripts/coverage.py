#!/usr/bin/python3
"""Line coverage of SOURCES by the native tests (raw profiles in BUILD_DIR/profiles):
a table by file, each line that no test ran, and the total, failing below
MIN_PERCENT. Usage: coverage.py BUILD_DIR MIN_PERCENT SOURCE..."""

import glob
import json
import os
import subprocess
import sys


def unrun_lines(segments):
    """The lines that never ran, counted as llvm-cov counts a line, from its
    segments: [line, column, count, has count, region entry, gap]."""
    unrun, carried, starting = [], None, {}
    for segment in segments:
        starting.setdefault(segment[0], []).append(segment)
    for line in range(segments[0][0], segments[-1][0] + 1) if segments else ():
        here = starting.get(line, [])
        entries = [s[2] for s in here if s[3] and s[4] and not s[5]]
        skipped = here and not here[0][3] and here[0][4]
        if not skipped and (entries or (carried and carried[3])) and not max(entries + [carried[2] if carried else 0]):
            unrun.append(line)
        carried = here[-1] if here else carried
    return unrun


build, minimum, sources = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
profile = os.path.join(build, "coverage.profdata")
subprocess.run(["llvm-profdata-14", "merge", "-sparse", *glob.glob(build + "/profiles/*.profraw"), "-o", profile],
               check=True)
# The test programs share GoogleTest's inline functions; their profiles
# differ harmlessly, which llvm-cov mentions on stderr.
data = json.loads(subprocess.run(
    ["llvm-cov-14", "export", build + "/tests/records/records_tests", "-object", build + "/tests/core/core_tests",
     "-instr-profile=" + profile, *sources], check=True, capture_output=True, text=True).stdout)["data"][0]
total = data["totals"]["lines"]
files = sorted((os.path.relpath(f["filename"]), f) for f in data["files"])
print("%-32s %6s %7s %8s" % ("file", "lines", "missed", "cover"))
for name, lines in [(name, f["summary"]["lines"]) for name, f in files] + [("TOTAL", total)]:
    print("%-32s %6d %7d %7.2f%%" % (name, lines["count"], lines["count"] - lines["covered"], lines["percent"]))
for name, f in files:
    with open(name, encoding="utf-8", errors="replace") as source:
        text = source.read().splitlines()
    for line in unrun_lines(f["segments"]):
        print(f"  not run: {name}:{line}:{text[line - 1]}")
print("Line coverage: %.2f%% (%d of %d lines); required: %.0f%%" % (total["percent"], total["covered"],
                                                                     total["count"], minimum))
sys.exit(total["percent"] < minimum)
