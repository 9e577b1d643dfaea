#!/usr/bin/env python3
"""The real program, built with AddressSanitizer, through arm, resume,
launch and exit under Xvfb and openbox, with a private system bus and a
stand-in logind. Fails on any leak LeakSanitizer reports outside the
suppressions in lsan.supp, or on any exit status but 0.

Usage: leak_run.py --build BUILD_DIR
"""
import argparse
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "bench"))
import run  # noqa: E402  (the benchmark's desktop session)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    session = run.Session(os.path.abspath(args.build))
    try:
        options = {
            "ASAN_OPTIONS": "detect_leaks=1",
            "LSAN_OPTIONS": "suppressions=" + os.path.join(HERE, "lsan.supp")
                            + ":print_suppressions=1",
        }
        log = open(session.path("vorundel.log"), "w+")
        proc, _ = run.arm_vorundel(session, options, stderr=log)
        session.emit_resume()
        session.read_stamp()
        status = proc.wait(run.DEADLINE)
        log.seek(0)
        report = log.read()
        print(report)
        if status != 0 or "ERROR: LeakSanitizer" in report:
            sys.exit(f"leak_run: exit status {status}")
        print("leak_run: armed, launched once, ended with status 0, no leak")
    finally:
        session.close()


if __name__ == "__main__":
    main()
