#!/usr/bin/python3
"""Says why tests were skipped, from ctest's JUnit file (--output-junit): each
skipped test, and each case skipped within a test's output, with the reason
that the output gives. Usage: skipped.py JUNIT_FILE"""

import re
import sys
import xml.etree.ElementTree as ElementTree

# GoogleTest's reason follows "file:line: Skipped"; unittest's and ours are on the line.
REASON = re.compile(r"^.*: Skipped\n(.*)$|^SKIPPED: (.*)$| \.\.\. skipped (.*)$", re.MULTILINE)

for case in ElementTree.parse(sys.argv[1]).getroot().iter("testcase"):
    reasons = [next(filter(None, found)) for found in REASON.findall(case.findtext("system-out") or "")]
    if case.find("skipped") is not None and not reasons:
        reasons = [case.find("skipped").get("message")]
    for reason in reasons:
        print(f"  skipped {case.get('name')}: {reason}")
