#!/usr/bin/env python3
"""A small mutation tester: how many faults planted in the engine and the game do the tests find?

From a seed it picks N mutation sites in src/ and game/ (every folder gets a share weighted by its
mutable lines), applies each to a scratch copy of the tree, rebuilds that copy incrementally
(Release, no sanitizers, ccache), runs the tests that execute the mutated line (known from a
per-test coverage map) with a time limit, and sorts each mutant into killed, survived, did not
build or timed out. Survivors are printed with file:line and their diff. The same seed on the same
code gives the same mutants.

    scripts/mutants.py --count 300 --seed 1 --out tests/mutants/baseline.txt
    scripts/mutants.py --baseline tests/mutants/baseline.txt    # the same mutants again; lists
                                                                # baseline kills that now survive
"""

import argparse
import hashlib
import json
import multiprocessing
import os
import random
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutants"
TREE = WORK / "tree"          # scratch copy of the sources, mutated one site at a time
RELEASE = WORK / "release"    # its Release build
COVER = ROOT / "build" / "coverage"  # the coverage build of `make coverage`, for the line -> tests map
PER_TEST = WORK / "per-test"  # one .gcda prefix per test
MAP_FILE = WORK / "line-map.json"

MUTATED_FOLDERS = ("src", "game")
# Tests that do not run the code under test (the package tests build and install a copy).
UNMAPPED_TESTS = re.compile(r"^Package\.")

# Each operator: a name and a function from a line to the list of mutated versions of it.
RELATIONAL = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ", " != ": " == "}
ARITHMETIC = {" + ": " - ", " - ": " + ", " * ": " / ", " / ": " * ", " += ": " -= ", " -= ": " += "}
LOGICAL = {" && ": " || ", " || ": " && "}
BOOLEAN = {"true": "false", "false": "true"}


def code_part(line):
    """The line with string and character literals and a trailing // comment blanked out, so that
    operators are only found in code. Same length as the line, so offsets stay valid."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\" and i + 1 < len(line):
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(" " if quote else c)
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            out.append(" " * (len(line) - i))
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def replacements(line, table):
    code = code_part(line)
    found = []
    for old, new in table.items():
        for m in re.finditer(re.escape(old), code):
            found.append(line[: m.start()] + new + line[m.end():])
    return found


def op_boolean(line):
    code = code_part(line)
    return [line[: m.start()] + BOOLEAN[m.group()] + line[m.end():] for m in re.finditer(r"\b(true|false)\b", code)]


def op_constant(line):
    code = code_part(line)
    found = []
    for m in re.finditer(r"(?<![\w.])(\d+)(\.\d+)?(f?)(?![\w.])", code):
        whole, frac, suffix = m.group(1), m.group(2) or "", m.group(3)
        if frac:
            value = f"{float(whole + frac) + 1:g}"
            value = value if "." in value or "e" in value else value + ".0"
        else:
            value = str(int(whole) + 1)
        found.append(line[: m.start()] + value + suffix + line[m.end():])
    return found


def matching_paren(code, start):
    depth = 0
    for i in range(start, len(code)):
        depth += {"(": 1, ")": -1}.get(code[i], 0)
        if depth == 0:
            return i
    return -1


def op_negate(line):
    code = code_part(line)
    found = []
    for m in re.finditer(r"\b(if|while) \(", code):
        open_at = m.end() - 1
        close_at = matching_paren(code, open_at)
        if close_at > 0:
            found.append(line[: open_at + 1] + "!(" + line[open_at + 1 : close_at] + ")" + line[close_at:])
    return found


def op_remove(line):
    """A call made for its effect, or an early return/continue, removed."""
    stripped = line.strip()
    if stripped in ("return;", "continue;", "break;"):
        return [line[: len(line) - len(line.lstrip())] + "; // removed"]
    code = code_part(stripped)
    if re.fullmatch(r"[A-Za-z_][\w:.>\-\[\]]*\(.*\);", code) and not re.match(r"(return|delete|new)\b", code):
        return [line[: len(line) - len(line.lstrip())] + "; // removed"]
    return []


def op_swap_ternary(line):
    code = code_part(line)
    m = re.search(r" \? ([^?:;]+) : ([^?:;]+?)(;|\)|,)", code)
    if not m:
        return []
    a, b = line[m.start(1) : m.end(1)], line[m.start(2) : m.end(2)]
    return [line[: m.start(1)] + b + " : " + a + line[m.end(2) :]]


OPERATORS = [
    ("relational", lambda l: replacements(l, RELATIONAL)),
    ("arithmetic", lambda l: replacements(l, ARITHMETIC)),
    ("logical", lambda l: replacements(l, LOGICAL)),
    ("boolean", op_boolean),
    ("constant", op_constant),
    ("negate", op_negate),
    ("remove", op_remove),
    ("swap-branches", op_swap_ternary),
]


def mutable(line):
    s = line.strip()
    return bool(s) and not s.startswith(("#", "//", "/*", "*", "static_assert", "namespace", "using ", "template"))


def source_files():
    listed = subprocess.run(["git", "ls-files", *MUTATED_FOLDERS], cwd=ROOT, capture_output=True, text=True).stdout
    return sorted(f for f in listed.split() if f.endswith((".cpp", ".h")))


def candidates(files):
    """Every (file, line number, operator, mutated line), grouped by folder."""
    by_folder = {}
    for f in files:
        lines = (ROOT / f).read_text().splitlines()
        in_block_comment = False
        for number, text in enumerate(lines, 1):
            if "/*" in text and "*/" not in text:
                in_block_comment = True
            if in_block_comment:
                in_block_comment = "*/" not in text
                continue
            if not mutable(text):
                continue
            folder = "/".join(f.split("/")[:2]) if f.count("/") > 1 else f.split("/")[0]
            for name, op in OPERATORS:
                for mutated in op(text):
                    if mutated != text:
                        by_folder.setdefault(folder, {}).setdefault((f, number), []).append((name, mutated))
    return by_folder


def pick(seed, count):
    """Mutants spread over the folders in proportion to their mutable lines (at least three each),
    one per line: an operator that applies to the line, then one of its places on the line."""
    by_folder = candidates(source_files())
    rng = random.Random(seed)
    total = sum(len(lines) for lines in by_folder.values())
    chosen = []
    for folder in sorted(by_folder):
        lines = sorted(by_folder[folder])
        share = max(3, round(count * len(lines) / total))
        for key in rng.sample(lines, min(share, len(lines))):
            options = by_folder[folder][key]
            name = rng.choice(sorted({op for op, _ in options}))
            mutated = rng.choice([text for op, text in options if op == name])
            chosen.append({"file": key[0], "line": key[1], "op": name, "mutated": mutated})
    chosen.sort(key=lambda m: (m["file"], m["line"]))
    for i, m in enumerate(chosen, 1):
        m["id"] = i
        m["original"] = (ROOT / m["file"]).read_text().splitlines()[m["line"] - 1]
    return chosen


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def tree_hash(*folders):
    out = run(["git", "ls-files", "-s", *folders], cwd=ROOT).stdout
    status = run(["git", "status", "--porcelain", *folders], cwd=ROOT).stdout
    return hashlib.sha1((out + status).encode()).hexdigest()


def configure(build, source, extra):
    if not (build / "build.ninja").exists() and not (build / "Makefile").exists():
        gen = ["-G", "Ninja"] if shutil.which("ninja") else []
        res = run(["cmake", "-S", str(source), "-B", str(build), *gen, *extra])
        if res.returncode:
            sys.exit(f"configure failed in {build}:\n{res.stdout}{res.stderr}")


def ctest_tests(build):
    """name -> (command, working folder, environment) for every test of a build."""
    data = json.loads(run(["ctest", "--show-only=json-v1"], cwd=build).stdout)
    tests = {}
    for t in data["tests"]:
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        env = dict(e.split("=", 1) for e in props.get("ENVIRONMENT", []))
        # A parameterised case's name carries its parameter after "  #"; it is known without it.
        name = t["name"].split("  #")[0]
        tests[name] = (t["command"], props.get("WORKING_DIRECTORY", str(build)), env, props.get("TIMEOUT", 300))
    return tests


def lines_run(prefix):
    """The lines of src/ and game/ that the .gcda files under one test's prefix count as run. The test
    programs' own objects are skipped: they hold no engine or game code worth a mutant."""
    gcdas = [p for p in prefix.rglob("*.gcda") if "/tests/CMakeFiles/" not in str(p)]
    for gcda in gcdas:
        gcno = Path("/" + str(gcda.relative_to(prefix))).with_suffix(".gcno")
        if gcno.exists():
            shutil.copy(gcno, gcda.with_suffix(".gcno"))
    executed = set()
    for chunk in range(0, len(gcdas), 50):
        res = run(["gcov", "--json-format", "--stdout", *map(str, gcdas[chunk : chunk + 50])], cwd=prefix)
        for doc in res.stdout.splitlines():
            if not doc.startswith("{"):
                continue
            report = json.loads(doc)
            for f in report["files"]:
                path = Path(f["file"])
                path = path if path.is_absolute() else Path(report["current_working_directory"]) / path
                try:
                    rel = str(path.resolve().relative_to(ROOT))
                except ValueError:
                    continue
                if rel.startswith(MUTATED_FOLDERS):
                    executed.update(f"{rel}:{ln['line_number']}" for ln in f["lines"] if ln["count"] > 0)
    return executed


def line_map(jobs):
    """Which tests execute which lines: a coverage build, each test run alone with its own .gcda
    prefix, read back with gcov. Kept until the sources or the tests change."""
    key = tree_hash("src", "game", "include", "tests")
    if MAP_FILE.exists():
        cached = json.loads(MAP_FILE.read_text())
        if cached.get("key") == key:
            return cached
    print("mapping lines to tests (coverage build, each test alone) ...", flush=True)
    configure(COVER, ROOT, ["-DCMAKE_BUILD_TYPE=Debug", "-DQM_BUILD_TESTS=ON",
                            "-DCMAKE_CXX_FLAGS=--coverage -O0", "-DCMAKE_EXE_LINKER_FLAGS=--coverage"])
    if run(["cmake", "--build", str(COVER), "-j", str(jobs)]).returncode:
        sys.exit("coverage build failed")
    shutil.rmtree(PER_TEST, ignore_errors=True)
    tests = {n: t for n, t in ctest_tests(COVER).items() if not UNMAPPED_TESTS.match(n)}
    names = sorted(tests)
    procs = []
    for index, name in enumerate(names):
        command, cwd, env, _ = tests[name]
        prefix = PER_TEST / str(index)
        prefix.mkdir(parents=True)
        proc = subprocess.Popen(command, cwd=cwd, env={**os.environ, **env, "GCOV_PREFIX": str(prefix)},
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procs.append(proc)
        while len([p for p in procs if p.poll() is None]) >= jobs:
            time.sleep(0.05)
    for proc in procs:
        proc.wait()
    lines = {}
    with multiprocessing.Pool(2 * jobs) as pool:
        for name, executed in zip(names, pool.map(lines_run, [PER_TEST / str(i) for i in range(len(names))])):
            for line in executed:
                lines.setdefault(line, set()).add(name)
    result = {"key": key, "lines": {k: sorted(v) for k, v in lines.items()}}
    MAP_FILE.write_text(json.dumps(result))
    return result


def sync_tree():
    """The scratch copy: the tracked files of the real tree (with their uncommitted changes)."""
    files = run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT).stdout.split()
    TREE.mkdir(parents=True, exist_ok=True)
    for f in files:
        src, dst = ROOT / f, TREE / f
        if not src.is_file():
            continue
        if not dst.exists() or dst.read_bytes() != src.read_bytes():
            dst.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(src, dst)


def share_libraries():
    """The scratch copy builds the engine and the game as shared libraries that the programs do not
    relink against: a mutant then costs one compile and one library link, not a link of every test
    program."""
    for cmake_list, target in (("src/CMakeLists.txt", "qm_engine"), ("game/CMakeLists.txt", "qm_game")):
        path = TREE / cmake_list
        text = path.read_text()
        shared = text.replace(f"add_library({target} STATIC", f"add_library({target} SHARED")
        if shared != text:
            path.write_text(shared)


def targets_for(tests, names):
    """The build targets a set of tests runs: executables of the build named in their commands."""
    targets = set()
    for name in names:
        for arg in tests[name][0]:
            p = Path(arg)
            if str(p).startswith(str(RELEASE)) and p.name and not p.suffix:
                targets.add(p.name)
    return sorted(targets)


def test_groups(names, tests, shared):
    """The tests as runs: the cases of one test program in one process (a gtest filter naming them
    all, stopping at the first failure) when the program passes run whole, every other test alone."""
    groups = {}
    for name in names:
        command, cwd, env, _ = tests[name]
        filters = [a for a in command if a.startswith("--gtest_filter=")]
        if filters and command[0] in shared:
            key = (command[0], cwd, tuple(sorted(env.items())))
            groups.setdefault(key, []).append(name)
        else:
            groups[(name,)] = [name]
    runs = []
    for key, members in groups.items():
        if len(key) == 1:
            runs.append((members, tests[members[0]][0], tests[members[0]][1], tests[members[0]][2]))
        else:
            # Each case by its own filter: a parameterised case's test name carries its parameter,
            # whose text would break the filter (a '-' starts the patterns to leave out).
            cases = [a[len("--gtest_filter="):] for n in members for a in tests[n][0] if a.startswith("--gtest_filter=")]
            command = [key[0], "--gtest_fail_fast", "--gtest_filter=" + ":".join(cases)]
            runs.append((members, command, key[1], dict(key[2])))
    return runs


def run_gtest(command, cwd, env, timeout):
    return subprocess.run(command, cwd=cwd, env={**os.environ, **env}, capture_output=True, text=True,
                          errors="replace", timeout=timeout)


def run_tests(names, tests, durations, limit, shared, first=None, budget=0):
    """Runs the tests that see a mutant, quickest programs first (the program of the test `first`
    before all); returns ("killed", test), ("timed out", test) or ("survived", None). With a
    budget (seconds), no further program starts once it is spent: the mutant then survived the
    tests that ran, which the second value says."""
    runs = test_groups(names, tests, shared)
    lead = tests[first][0][0] if first in tests else None
    runs.sort(key=lambda r: (r[1][0] != lead, sum(durations.get(n, 1.0) for n in r[0])))
    started, ran = time.monotonic(), 0
    for members, command, cwd, env in runs:
        if budget and time.monotonic() - started > budget:
            return "survived", f"cut after {budget:g} s: {ran} of {len(names)} tests run"
        ran += len(members)
        expected = sum(durations.get(n, 10.0) for n in members)
        timeout = limit * len(members) if limit else 3 * expected + 10
        failed_before = set()  # cases that failed in this run but passed on their own
        while True:
            try:
                res = run_gtest(command, cwd, env, timeout)
            except subprocess.TimeoutExpired:
                return "timed out", members[0] if len(members) == 1 else command[0].rsplit("/", 1)[-1]
            if res.returncode == 0:
                break
            # "[  FAILED  ] Suite.Case" or, for a parameterised case, "[  FAILED  ] P/Suite.Case/x, where ..."
            failed = re.search(r"^\[  FAILED  \] ([^\s,]+)", res.stdout, re.M)
            if not failed or failed.group(1) in failed_before or len(failed_before) >= 3:
                return "killed", failed.group(1) if failed else members[0]
            # A timing-bound window test can fail now and then on its own (the held-key test did under
            # load, until the input manager dropped key repeats split over two frames). A kill counts when the case fails on its own twice, or fails again in the
            # same run (a fault that shows only after the cases before it fails there every time).
            case = failed.group(1)
            passes = 0
            for _ in range(2):
                try:
                    again = run_gtest([command[0], "--gtest_filter=" + case], cwd, env, timeout)
                except subprocess.TimeoutExpired:
                    return "timed out", case
                passes += again.returncode == 0 and "[  PASSED  ] 1 test." in again.stdout
            if passes == 0:
                return "killed", case
            print(f"      {case} failed once and passed on its own: its run is repeated", flush=True)
            failed_before.add(case)
    return "survived", None


def unmutated_durations(jobs, tests):
    """Each test's time on the unmutated copy (for its time limit), the tests that fail there, and
    the test programs whose cases also pass together in one process (those run grouped). Kept
    until the sources or the tests change."""
    cache = WORK / "unmutated.json"
    key = tree_hash("src", "game", "include", "tests")
    if cache.exists():
        kept = json.loads(cache.read_text())
        if kept.get("key") == key:
            return kept["durations"], set(kept["failing"]), set(kept["shared"])
    durations, failing, shared = measure_unmutated(jobs, tests)
    cache.write_text(json.dumps({"key": key, "durations": durations, "failing": sorted(failing),
                                 "shared": sorted(shared)}))
    return durations, failing, shared


def measure_unmutated(jobs, tests):
    junit = WORK / "unmutated.xml"
    run(["ctest", "-j", str(jobs), "--output-junit", str(junit)], cwd=RELEASE)
    durations, failing = {}, set()
    for m in re.finditer(r'<testcase name="([^"]+)"[^>]*time="([0-9.]+)"[^>]*status="(\w+)"', junit.read_text()):
        name = m.group(1).split("  #")[0]  # a parameterised case's name carries its parameter after "  #"
        durations[name] = float(m.group(2))
        if m.group(3) not in ("run", "passed"):
            failing.add(name)
    shared = set()
    programs = {}
    for name, (command, cwd, env, _) in tests.items():
        if any(a.startswith("--gtest_filter=") for a in command) and name not in failing:
            programs.setdefault(command[0], (cwd, env, []))[2].append(name)
    for program, (cwd, env, names) in sorted(programs.items()):
        budget = 3 * sum(durations.get(n, 10.0) for n in names) + 30
        cases = [a[len("--gtest_filter="):] for n in names for a in tests[n][0] if a.startswith("--gtest_filter=")]
        try:
            res = subprocess.run([program, "--gtest_filter=" + ":".join(cases)], cwd=cwd, env={**os.environ, **env},
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=budget)
            if res.returncode == 0:
                shared.add(program)
        except subprocess.TimeoutExpired:
            pass
    print("test programs run whole: " + ", ".join(sorted(Path(p).name for p in shared)), flush=True)
    return durations, failing, shared


def diff_of(m):
    return f"--- {m['file']}:{m['line']}\n-{m['original'].strip()}\n+{m['mutated'].strip()}"


def load_baseline(path):
    header, mutants = {}, []
    for line in Path(path).read_text().splitlines():
        if line.startswith("# ") and ":" in line:
            k, v = line[2:].split(":", 1)
            header[k.strip()] = v.strip()
        elif line.startswith("{"):
            m = json.loads(line)
            m["baseline"] = m.pop("result")
            m["baseline_by"] = m.pop("by", None)
            mutants.append(m)
    return header, mutants


def write_result(args, mutants, counts):
    """The seed, the code's hash, the counts and every mutant run so far with its outcome."""
    if not args.out:
        return
    with open(args.out, "w") as out:
        out.write(f"# seed: {args.seed}\n# count: {len(mutants)}\n")
        out.write(f"# code: {tree_hash('src', 'game', 'include')}\n")
        out.write("# " + ", ".join(f"{k}: {v}" for k, v in counts.items()).replace(": ", "= ") + "\n")
        for m in mutants:
            if "result" not in m:
                continue
            record = {k: m[k] for k in ("id", "file", "line", "op", "original", "mutated", "result", "by")}
            if args.baseline:
                record["baseline"] = m.get("baseline")
            out.write(json.dumps(record) + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--time-limit", type=float, default=0, help="seconds per test (default: 3x its time + 10)")
    ap.add_argument("--out", help="write the mutants and their outcomes here")
    ap.add_argument("--baseline", help="run the mutants of this earlier result; list its kills that now survive")
    ap.add_argument("--kills-only", action="store_true",
                    help="with --baseline: run only its killed mutants, against every test, the program of the "
                         "baseline's killing test first (no line map; the tests may have been renamed)")
    ap.add_argument("--budget", type=float, default=0,
                    help="seconds of testing per mutant; a survivor is then one of the tests that ran in it")
    ap.add_argument("--ids", help="run only the mutants with these ids (FIRST-LAST), e.g. to share a run out")
    ap.add_argument("--list", action="store_true", help="print the mutants and stop")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = ap.parse_args()

    if args.baseline:
        header, mutants = load_baseline(args.baseline)
        args.seed = int(header.get("seed", args.seed))
        for m in mutants:
            now = (ROOT / m["file"]).read_text().splitlines()[m["line"] - 1]
            if now != m["original"]:
                sys.exit(f"{m['file']}:{m['line']} changed since the baseline; its mutants no longer apply")
    else:
        mutants = pick(args.seed, args.count)
    if args.ids:
        first, last = (int(v) for v in args.ids.split("-"))
        mutants = [m for m in mutants if first <= m["id"] <= last]
    if args.list:
        for m in mutants:
            print(f"{m['id']:4} {m['file']}:{m['line']} [{m['op']}]\n     {m['mutated'].strip()}")
        return 0

    if args.kills_only and not args.baseline:
        sys.exit("--kills-only needs --baseline")
    cmap = {"lines": {}} if args.kills_only else line_map(args.jobs)
    sync_tree()
    share_libraries()
    configure(RELEASE, TREE, ["-DCMAKE_BUILD_TYPE=Release", "-DQM_BUILD_TESTS=ON", "-DCMAKE_POSITION_INDEPENDENT_CODE=ON",
                              "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"])
    print("building the unmutated copy ...", flush=True)
    if run(["cmake", "--build", str(RELEASE), "-j", str(args.jobs)]).returncode:
        sys.exit("the unmutated copy does not build")
    tests = ctest_tests(RELEASE)
    durations, failing, shared = unmutated_durations(args.jobs, tests)
    if failing:
        print("these tests fail without a mutant and are not used: " + ", ".join(sorted(failing)))
        tests = {n: t for n, t in tests.items() if n not in failing}

    counts = {"killed": 0, "survived": 0, "did not build": 0, "timed out": 0}
    if args.kills_only:
        counts["not run"] = 0
    started = time.monotonic()
    for m in mutants:
        if args.kills_only and m["baseline"] != "killed":
            m["result"], m["by"] = "not run", None
            counts["not run"] += 1
            continue
        if args.kills_only:
            seen_by = sorted(n for n in tests if not UNMAPPED_TESTS.match(n))
        else:
            seen_by = [t.split("  #")[0] for t in cmap["lines"].get(f"{m['file']}:{m['line']}", [])]
            seen_by = [t for t in seen_by if t in tests]
        path = TREE / m["file"]
        original = path.read_text()
        lines = original.splitlines(keepends=True)
        lines[m["line"] - 1] = m["mutated"] + "\n"
        path.write_text("".join(lines))
        try:
            if not seen_by:
                m["result"], m["by"] = "survived", "no test runs this line"
            else:
                build = run(["cmake", "--build", str(RELEASE), "-j", str(args.jobs), "--target",
                             *(targets_for(tests, seen_by) or ["all"])])
                if build.returncode:
                    m["result"], m["by"] = "did not build", None
                else:
                    m["result"], m["by"] = run_tests(seen_by, tests, durations, args.time_limit, shared,
                                                       m.get("baseline_by"), args.budget)
        finally:
            path.write_text(original)
        counts[m["result"]] += 1
        was = ""
        if args.baseline and m.get("baseline") == "killed" and m["result"] == "survived":
            was = "  (killed in the baseline)"
        print(f"[{m['id']:3}/{len(mutants)}] {m['result']:13} {m['file']}:{m['line']} {m['op']}{was}", flush=True)
        write_result(args, mutants, counts)

    print(f"\n{len(mutants)} mutants in {time.monotonic() - started:.0f} s: " +
          ", ".join(f"{v} {k}" for k, v in counts.items()))
    survivors = [m for m in mutants if m["result"] == "survived"]
    if survivors:
        print("\nSurvivors:")
        for m in survivors:
            print(diff_of(m) + (f"   ({m['by']})" if m.get("by") else ""))
    lost = []
    if args.baseline:
        lost = [m for m in mutants if m.get("baseline") == "killed" and m["result"] != "killed"]
        print(f"\nBaseline kills no longer killed: {len(lost)}")
        for m in lost:
            print(diff_of(m))
    write_result(args, mutants, counts)
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
