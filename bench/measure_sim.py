#!/usr/bin/env python3
"""Measures velkar-sim builds side by side, in one run on one machine, for the figures of
bench/sim_figures.md: start-up CPU time and page faults (--frames 0), replay verification in
frames per CPU-second (a long soak recording), the peak memory of a short replay, and the
stage frame mean and p99 of --bench. Each figure is the median of several runs, and the
programs take turns so that a busy moment of the machine falls on all of them alike.

    bench/measure_sim.py NAME=PATH/velkar-sim [NAME=PATH/velkar-sim ...] [--runs N]

The recordings are made by the first program and played by all of them; each playback must
match (exit status 0), or the measurement stops."""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile

LONG_FRAMES = 75000
SHORT_FRAMES = 600
STAGE_FRAMES = 13000
TIME = "/usr/bin/time"


def run(argv, stdin=subprocess.DEVNULL):
    """Runs argv to its end; returns (exit status, stdout, stderr, rusage of the child)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(argv, stdin=stdin, stdout=out, stderr=err)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return proc.returncode, out.read().decode(), err.read().decode(), usage


def cpu(usage):
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("programs", nargs="+", help="NAME=PATH of a velkar-sim")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    programs = []
    for spec in args.programs:
        name, _, path = spec.partition("=")
        if not path or not os.access(path, os.X_OK):
            sys.exit(f"measure_sim: {spec}: expected NAME=PATH of an executable velkar-sim")
        programs.append((name, path))

    work = tempfile.mkdtemp(prefix="velkar-measure-")
    peak_file = os.path.join(work, "peak")
    if not os.access(TIME, os.X_OK):
        sys.exit(f"measure_sim: {TIME} (package time) measures the peak memory; install it")
    long_replay = os.path.join(work, "long.vkr")
    short_replay = os.path.join(work, "short.vkr")
    start_script = os.path.join(work, "start.txt")
    with open(start_script, "w") as f:
        f.write("0 100\n")
    first = programs[0][1]
    for path, frames, seed in ((long_replay, LONG_FRAMES, 7), (short_replay, SHORT_FRAMES, 3)):
        status, _, err, _ = run([first, "--soak", str(seed), "--frames", str(frames),
                                 "--record", path])
        if status != 0:
            sys.exit(f"measure_sim: recording {path} failed: {err.strip()}")

    figures = {name: {k: [] for k in ("startup_ms", "startup_faults", "replay_fps",
                                      "short_peak_mb", "stage_mean_us", "stage_p99_us")}
               for name, _ in programs}
    for _ in range(args.runs):
        for name, path in programs:
            f = figures[name]
            status, _, err, usage = run([path, "--frames", "0"])
            if status != 0:
                sys.exit(f"measure_sim: {name} --frames 0: {err.strip()}")
            f["startup_ms"].append(cpu(usage) * 1000)
            f["startup_faults"].append(usage.ru_minflt + usage.ru_majflt)
            status, _, err, usage = run([path, "--replay", long_replay])
            if status != 0:
                sys.exit(f"measure_sim: {name} --replay (long): {err.strip()}")
            f["replay_fps"].append(LONG_FRAMES / cpu(usage))
            # A child's peak resident memory counts the memory of the process it was started
            # from up to its exec (with vfork, this script's own): GNU time, a small program,
            # starts it with fork and reports the peak of the program alone.
            status, _, err, usage = run([TIME, "-f", "%M", "-o", peak_file, path, "--replay",
                                         short_replay])
            if status != 0:
                sys.exit(f"measure_sim: {name} --replay (short): {err.strip()}")
            with open(peak_file) as peak:
                f["short_peak_mb"].append(int(peak.read().split()[-1]) / 1024)
            status, out, err, _ = run([path, "--god", "--hold", "10", "--input", start_script,
                                       "--frames", str(STAGE_FRAMES), "--bench"])
            m = re.search(r"mean_us=([\d.]+) .*p99_us=([\d.]+)", out)
            if status != 0 or m is None:
                sys.exit(f"measure_sim: {name} --bench: {err.strip()} {out.strip()}")
            f["stage_mean_us"].append(float(m.group(1)))
            f["stage_p99_us"].append(float(m.group(2)))

    rows = [
        ("velkar-sim --frames 0: CPU ms", "startup_ms", "{:.1f}"),
        ("velkar-sim --frames 0: page faults", "startup_faults", "{:.0f}"),
        (f"--replay, {LONG_FRAMES}-frame soak: frames per CPU-second", "replay_fps", "{:.0f}"),
        (f"--replay, {SHORT_FRAMES}-frame soak: peak resident MB", "short_peak_mb", "{:.1f}"),
        (f"--bench, {STAGE_FRAMES} stage frames: mean us", "stage_mean_us", "{:.1f}"),
        (f"--bench, {STAGE_FRAMES} stage frames: p99 us", "stage_p99_us", "{:.1f}"),
    ]
    names = [name for name, _ in programs]
    print(f"medians of {args.runs} runs each, {os.cpu_count()} CPUs, "
          f"{os.uname().sysname} {os.uname().machine}")
    print()
    print("| figure | " + " | ".join(names) + " |" + (" ratio |" if len(names) == 2 else ""))
    print("|---|" + "---|" * len(names) + ("---|" if len(names) == 2 else ""))
    for label, key, fmt in rows:
        medians = [statistics.median(figures[name][key]) for name in names]
        line = "| " + label + " | " + " | ".join(fmt.format(v) for v in medians) + " |"
        if len(names) == 2:
            line += f" {medians[1] / medians[0]:.2f}x |" if medians[0] else " - |"
        print(line)


if __name__ == "__main__":
    main()
