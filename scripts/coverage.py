#!/usr/bin/env python3
"""Line and branch coverage of the tests, summed per folder of engine and game code.

Builds the tests with --coverage (Debug, no sanitizers) into build/coverage, runs them all through
CTest, reads the counts back with gcovr and prints one row per folder. The per-file report is kept
in build/coverage/coverage.json.

    scripts/coverage.py [--jobs N] [--no-build]
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "coverage"
MEASURED = ("src", "include", "game")


def folder_of(path):
    parts = Path(path).parts
    return "/".join(parts[:2]) if len(parts) > 2 else parts[0]


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--no-build", action="store_true", help="read the counts of the last run only")
    args = ap.parse_args()

    if not args.no_build:
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        steps = [
            ["cmake", "-S", str(ROOT), "-B", str(BUILD), *generator, "-DCMAKE_BUILD_TYPE=Debug",
             "-DQM_BUILD_TESTS=ON", "-DCMAKE_CXX_FLAGS=--coverage -O0", "-DCMAKE_EXE_LINKER_FLAGS=--coverage"],
            ["cmake", "--build", str(BUILD), "-j", str(args.jobs)],
        ]
        for step in steps:
            if subprocess.run(step).returncode:
                return 1
        for stale in BUILD.rglob("*.gcda"):
            stale.unlink()
        # A failing test still leaves its counts; the run's verdict is printed, not hidden.
        subprocess.run(["ctest", "-j", str(args.jobs), "--output-on-failure", "-E", "^Package\\."], cwd=BUILD)

    report = BUILD / "coverage.json"
    filters = [arg for folder in MEASURED for arg in ("--filter", f"{ROOT}/{folder}/")]
    res = subprocess.run(["gcovr", "--root", str(ROOT), *filters, "--object-directory", str(BUILD),
                          "--exclude-unreachable-branches", "--exclude-throw-branches",
                          "--json-summary", "-o", str(report), str(BUILD)], capture_output=True, text=True)
    if res.returncode:
        print(res.stderr, file=sys.stderr)
        return 1

    totals = {}
    for f in json.loads(report.read_text())["files"]:
        row = totals.setdefault(folder_of(f["filename"]), [0, 0, 0, 0])
        row[0] += f["line_covered"]
        row[1] += f["line_total"]
        row[2] += f["branch_covered"]
        row[3] += f["branch_total"]
    all_rows = [sum(r[i] for r in totals.values()) for i in range(4)]

    def pct(a, b):
        return f"{100.0 * a / b:5.1f} %" if b else "    -  "

    print(f"\n{'folder':24} {'lines':>16} {'':>8} {'branches':>16} {'':>8}")
    for name in sorted(totals) + ["all"]:
        r = all_rows if name == "all" else totals[name]
        print(f"{name:24} {r[0]:>7} / {r[1]:<6} {pct(r[0], r[1])} {r[2]:>7} / {r[3]:<6} {pct(r[2], r[3])}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
