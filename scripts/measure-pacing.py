#!/usr/bin/env python3
"""Frame pacing of the real game during play, for both ways of drawing characters.

Runs the game from a build's run directory on a virtual X server of its own, once drawing
cell by cell ("batch_drawing:false") and once collecting each frame's characters
("batch_drawing:true"), each time with the same random seed and the same keys: Return skips
the splash screens, Space starts a game, then for the measured time the fish walks and jumps
(Space also starts a new game when the last one ended). The pacing probe (bench/pacing/) is
loaded into the game and writes one line per loop iteration. After the first second of play,
for the given number of seconds, this prints per method: the iterations' work time (from
showing the previous frame to going to sleep) and period, as p50 / p99 / max, the iterations
that overran the frame (no time left to sleep), the loop's own "Can't keep up!" reports, and
the processor share of the whole game process (all its threads). It measures and prints; it
asserts nothing. A capture of each run's window is left in the output folder.

With --rounds N the two methods take turns N times (per-cell, collected, per-cell, ...) and
each one's figures are over all its rounds, so that a change in the machine's load weighs on
both alike.

usage: measure-pacing.py BUILD_DIR [--seconds 30] [--rounds 1] [--out DIR]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

FRAME_MS = 33.0


def start_xserver():
    """Starts Xvfb on a display it chooses; returns (process, ':N')."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        server.kill()
        sys.exit("measure-pacing: Xvfb did not start")
    return server, ":" + number.decode().strip()


def xdotool(env, *arguments):
    return subprocess.run(["xdotool", *arguments], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout.strip()


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return False


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))] if ordered else float("nan")


def play(build, display, batched, seconds, out):
    """Runs one game; returns its measurements."""
    run_dir = os.path.abspath(os.path.join(build, "run"))
    probe = os.path.abspath(os.path.join(build, "pacing", "libqm_pacing_probe.so"))
    name = "batched" if batched else "per-cell"
    scratch = tempfile.mkdtemp(prefix="qm-pacing-")
    config = os.path.join(scratch, "qm-config.txt")
    with open(config, "w") as f:
        f.write("random_seed:4242,\nbatch_drawing:%s,\n" % ("true" if batched else "false"))
    records = os.path.join(scratch, "iterations.txt")
    log = os.path.join(scratch, "game.log")
    env = dict(os.environ, DISPLAY=display, QUILLMERE_CONFIG=config, QUILLMERE_LOG=log,
               QM_PACING_OUT=records, LD_PRELOAD=probe)
    keys_env = dict(os.environ, DISPLAY=display)
    game = subprocess.Popen([os.path.join(run_dir, "quillmere")], cwd=run_dir, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = ""

        def found():
            nonlocal window
            window = xdotool(keys_env, "search", "--name", "^Quillmere$").split("\n")[0]
            return window != ""
        if not wait_for(found, 30):
            sys.exit("measure-pacing: the game's window did not appear; log:\n" + read(log))
        xdotool(keys_env, "windowfocus", "--sync", window)
        xdotool(keys_env, "key", "--delay", "60", "Return")
        if not wait_for(lambda: "Pause::Pause(): Pause enabled." in read(log), 30):
            sys.exit("measure-pacing: no start screen; log:\n" + read(log))
        time.sleep(0.5)
        xdotool(keys_env, "key", "space")
        play_start = time.monotonic_ns()
        end = play_start + int((seconds + 1.0) * 1e9)
        step = 0
        captured = False
        while time.monotonic_ns() < end:
            # Walk right and left in turns, jumping now and then.
            walk = "d" if step % 4 < 2 else "a"
            xdotool(keys_env, "keydown", walk, "sleep", "0.4", "key", "space", "sleep", "0.3", "keyup", walk)
            step += 1
            if not captured and time.monotonic_ns() > play_start + int(seconds / 2 * 1e9):
                subprocess.run(["import", "-window", window, os.path.join(out, "pacing-%s.png" % name)],
                               env=keys_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                captured = True
        game.send_signal(signal.SIGTERM)
        game.wait(timeout=30)
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()

    first = play_start + int(1e9)
    last = play_start + int((seconds + 1.0) * 1e9)
    rows = []
    for line in read(records).split("\n"):
        parts = line.split()
        if len(parts) == 3:
            rows.append(tuple(int(p) for p in parts))
    measured = [(i, r) for i, r in enumerate(rows) if first <= r[0] < last and i + 1 < len(rows)]
    work, period = [], []
    overruns = 0
    for i, (start, sleep, _cpu) in measured:
        following = rows[i + 1][0]
        period.append((following - start) / 1e6)
        busy = ((sleep if sleep else following) - start) / 1e6
        work.append(busy)
        overruns += 1 if busy > FRAME_MS else 0
    cpu_share = float("nan")
    if len(measured) > 1:
        (_, a), (_, b) = measured[0], measured[-1]
        cpu_share = (b[2] - a[2]) / (b[0] - a[0])
    shutil.rmtree(scratch, ignore_errors=True)
    return {"name": name, "iterations": len(measured), "work": work, "period": period, "overruns": overruns,
            "reports": read(log).count("Can't keep up!") if os.path.exists(log) else 0, "cpu": cpu_share}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build", help="a build folder with run/quillmere and pacing/libqm_pacing_probe.so")
    parser.add_argument("--seconds", type=float, default=30.0, help="seconds measured after the first second")
    parser.add_argument("--rounds", type=int, default=1, help="turns of each method")
    parser.add_argument("--out", default=None, help="folder for the captures (default BUILD/pacing)")
    args = parser.parse_args()
    out = os.path.abspath(args.out or os.path.join(args.build, "pacing"))
    os.makedirs(out, exist_ok=True)
    server, display = start_xserver()
    try:
        runs = [play(args.build, display, batched, args.seconds, out)
                for _ in range(max(1, args.rounds)) for batched in (False, True)]
    finally:
        server.terminate()
        server.wait()
    results = []
    for name in ("per-cell", "batched"):
        mine = [r for r in runs if r["name"] == name]
        total = sum(r["iterations"] for r in mine)
        results.append({"name": name, "iterations": total, "work": sum((r["work"] for r in mine), []),
                        "period": sum((r["period"] for r in mine), []),
                        "overruns": sum(r["overruns"] for r in mine), "reports": sum(r["reports"] for r in mine),
                        "cpu": sum(r["cpu"] * r["iterations"] for r in mine) / total if total else float("nan"),
                        "per round": ", ".join("%d" % r["overruns"] for r in mine)})

    print("Frame pacing of the game in play, %d round(s) of %.0f s after the first second, frame %.0f ms (Xvfb,"
          " software OpenGL, load average %.1f on %d cores)" % (max(1, args.rounds), args.seconds, FRAME_MS,
                                                               os.getloadavg()[0], os.cpu_count()))
    print("%-9s %6s  %-24s %-24s %-16s %8s %6s" % ("drawing", "iters", "work p50/p99/max ms", "period p50/p99/max ms",
                                                   "overruns", "reports", "CPU"))
    for r in results:
        share = 100.0 * r["overruns"] / r["iterations"] if r["iterations"] else float("nan")
        print("%-9s %6d  %-24s %-24s %-16s %8d %5.1f%%" % (
            r["name"], r["iterations"],
            "%.1f / %.1f / %.1f" % (percentile(r["work"], 0.5), percentile(r["work"], 0.99), max(r["work"] or [0])),
            "%.1f / %.1f / %.1f" % (percentile(r["period"], 0.5), percentile(r["period"], 0.99),
                                    max(r["period"] or [0])),
            "%d (%.1f%%)" % (r["overruns"], share), r["reports"], 100.0 * r["cpu"]))
        if args.rounds > 1:
            print("%-9s overruns per round: %s" % ("", r["per round"]))
    if results[1]["cpu"] > 0:
        print("CPU share per-cell / batched: %.2f" % (results[0]["cpu"] / results[1]["cpu"]))
    print("Captures: %s/pacing-per-cell.png, %s/pacing-batched.png" % (out, out))


if __name__ == "__main__":
    main()
