#!/usr/bin/env python3
"""One line for a preset's CTest JUnit report: tests passed, failed and
skipped, with the reasons the skipped ones gave. Exits 1 when a test failed,
when none ran, or when there is no report (the preset did not build).
Usage: summary.py PRESET REPORT"""
import re
import sys
import xml.etree.ElementTree as ET


def outcome(case):
    if case.find("skipped") is not None or case.get("status") == "disabled":
        return "skipped"
    # "notrun" without a skip: its fixture failed
    if case.find("failure") is not None or case.get("status") == "notrun":
        return "failed"
    return "passed"


def main(preset, report):
    try:
        cases = list(ET.parse(report).getroot().iter("testcase"))
    except (OSError, ET.ParseError):
        print(f"  {preset}: FAILED before its tests ran (configure or build)")
        return 1
    count = {"passed": 0, "failed": 0, "skipped": 0}
    reasons = set()
    for case in cases:
        kind = outcome(case)
        count[kind] += 1
        if kind == "skipped":
            output = case.findtext("system-out") or ""
            reasons.update(re.findall(r"SKIPPED: (.*)", output))
    counts = ", ".join(f"{n} {kind}" for kind, n in count.items())
    why = "".join(f" ({reason})" for reason in sorted(reasons))
    print(f"  {preset}: {counts}{why}")
    if count["failed"] or not cases:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
