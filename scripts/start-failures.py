#!/usr/bin/env python3
"""Reads a CTest JUnit report and prints the failed tests, joined by '|', when every failure is
Wine's start failure: the program ended with exit code 1 before any of its code ran, and Wine's
loader said it could not map the shared user data. Exits 1 (printing nothing) when any failure is
something else, or when nothing failed."""
import sys
import xml.etree.ElementTree as ET

SIGNATURE = "failed to map the shared user data"

def main(path):
    failed, start_failures = [], []
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.get("status") not in ("fail", "failed") and case.find("failure") is None:
            continue
        failed.append(case.get("name"))
        out = case.findtext("system-out") or ""
        if SIGNATURE in out and float(case.get("time") or 0) < 2.0:
            start_failures.append(case.get("name"))
    if not failed or len(start_failures) != len(failed):
        return 1
    print("|".join(n.replace(".", "\\.") for n in start_failures))
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
