#!/usr/bin/env python3
"""Benchmarks zerofill against dd, head and a raw write() loop.

For each of the six sizes it runs zerofill and each alternative in
alternating pairs (zerofill first in one pair, second in the next), after a
few untimed warm-up runs, every run on a fresh file. It reports medians of
wall time and CPU time (user + sys), the median of the per-pair ratios
alternative / zerofill, and the peak resident memory measured by GNU time.

Writes to --out-dir: results.md (the table, also printed), samples.csv (every
timed run) and, when gnuplot is installed, time-vs-size.png.

Usage: bench/run.py [--runs N] [--zerofill PATH] [--raw-writes PATH] ...
The simplest way: cmake --build --preset native --target bench
"""

import argparse
import csv
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BLOCK = 4096
SIZES_KB = (128, 256, 512, 1024, 2048, 4096)
HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.join(os.path.dirname(HERE), "build", "native")
TIME = "/usr/bin/time"


def blocks_of(size_kb):
    return size_kb // 2


class Tool:
    """One way of making the file: its argv and where its stdout goes."""

    def __init__(self, name, argv_of, stdout_is_file=False):
        self.name = name
        self.argv_of = argv_of          # (path, size_kb) -> argv
        self.stdout_is_file = stdout_is_file


def make_tools(zerofill, raw_writes):
    dd = shutil.which("dd")
    head = shutil.which("head")
    if dd is None or head is None:
        sys.exit("run.py: dd and head (coreutils) are needed")
    return [
        Tool("zerofill", lambda p, kb: [zerofill, p, str(kb)]),
        Tool("dd", lambda p, kb: [dd, "if=/dev/zero", "of=" + p, "bs=4096",
                                  "count=%d" % blocks_of(kb)]),
        # `head -c BYTES /dev/zero > FILE`: the child opens FILE as the shell
        # would, without paying for a shell.
        Tool("head", lambda p, kb: [head, "-c", str(blocks_of(kb) * BLOCK),
                                    "/dev/zero"], stdout_is_file=True),
        Tool("raw writes", lambda p, kb: [raw_writes, p, str(blocks_of(kb))]),
    ]


def spawn(argv, stdout_path=None):
    """Starts argv with stdout on /dev/null or on a truncated stdout_path."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, "/dev/null", os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0)]
    if stdout_path is None:
        actions.append((os.POSIX_SPAWN_OPEN, 1, "/dev/null", os.O_WRONLY, 0))
    else:
        actions.append((os.POSIX_SPAWN_OPEN, 1, stdout_path,
                        os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o666))
    return os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)


def fresh(path):
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


def run_timed(tool, path, size_kb):
    """(wall seconds, CPU seconds) of one run on a fresh file."""
    fresh(path)
    argv = tool.argv_of(path, size_kb)
    out = path if tool.stdout_is_file else None
    start = time.perf_counter()
    pid = spawn(argv, out)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("run.py: %s failed: %s" % (tool.name, " ".join(argv)))
    if os.path.getsize(path) != blocks_of(size_kb) * BLOCK:
        sys.exit("run.py: %s wrote a file of the wrong size" % tool.name)
    return wall, usage.ru_utime + usage.ru_stime


def run_rss(argv, path, stdout_is_file, work_dir):
    """Peak resident set in KiB of one run, as GNU time reports it."""
    if path is not None:
        fresh(path)
    report = os.path.join(work_dir, "rss.txt")
    pid = spawn([TIME, "-f", "%M", "-o", report] + argv,
                path if stdout_is_file else None)
    _, status, _ = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("run.py: failed under time: %s" % " ".join(argv))
    with open(report) as f:
        return int(f.read().split()[-1])


def fit_line(xs, ys):
    """Least squares y = a + b x, and R squared."""
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    b = sxy / sxx
    a = my - b * mx
    ss_tot = sum((y - my) ** 2 for y in ys)
    ss_res = sum((y - a - b * x) ** 2 for x, y in zip(xs, ys))
    return a, b, 1 - ss_res / ss_tot if ss_tot else 1.0


def machine_line():
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    distro = ""
    try:
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    distro = line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    return "%s, %d cores%s, Linux %s" % (
        distro or platform.system(), os.cpu_count() or 0,
        " (%s)" % model if model else "", platform.release())


def file_system_of(path):
    """The type of the file system holding path, from /proc/mounts."""
    best, kind = "", "unknown"
    try:
        with open("/proc/mounts") as f:
            for line in f:
                fields = line.split()
                mount, fs = fields[1], fields[2]
                if (path == mount or path.startswith(mount.rstrip("/") + "/")) \
                        and len(mount) >= len(best):
                    best, kind = mount, fs
    except OSError:
        pass
    return kind


def plot(out_dir, sizes, tools, med_wall, med_cpu):
    """time-vs-size.png by gnuplot; returns its path or a note why not."""
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        return None, ("no plot: gnuplot is not installed (Debian: apt-get "
                      "install gnuplot-nox)")
    data = os.path.join(out_dir, "time-vs-size.dat")
    with open(data, "w") as f:
        f.write("# MiB " + " ".join("wall_%d cpu_%d" % (i, i)
                                    for i in range(len(tools))) + "\n")
        for kb in sizes:
            row = ["%g" % (blocks_of(kb) * BLOCK / 2**20)]
            for t in tools:
                row += ["%.4f" % (med_wall[kb][t.name] * 1e3),
                        "%.4f" % (med_cpu[kb][t.name] * 1e3)]
            f.write(" ".join(row) + "\n")
    png = os.path.join(out_dir, "time-vs-size.png")

    def lines(kind):
        col = 2 if kind == "wall" else 3
        return ", ".join(
            "'%s' using 1:%d with linespoints lw 2 pt 7 ps 0.8 title '%s'"
            % (data, col + 2 * i, t.name) for i, t in enumerate(tools))

    script = "\n".join([
        "set terminal pngcairo size 1000,420 font ',10'",
        "set output '%s'" % png,
        "set multiplot layout 1,2 title 'zerofill and alternatives: "
        "median of warm runs (lower is better)'",
        "set xlabel 'file size (MiB)'", "set ylabel 'ms'",
        "set key top left", "set grid", "set xrange [0:*]", "set yrange [0:*]",
        "set xtics 0,1,8", "set mxtics 4",
        "set title 'wall time'", "plot " + lines("wall"),
        "set title 'CPU time (user + sys)'", "plot " + lines("cpu"),
        "unset multiplot", ""])
    run = subprocess.run([gnuplot], input=script.encode(),
                         stderr=subprocess.PIPE, check=False)
    if run.returncode != 0:
        return None, "no plot: gnuplot failed: " + run.stderr.decode().strip()
    return png, None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--zerofill", default=os.path.join(BUILD, "src",
                                                       "zerofill"))
    ap.add_argument("--raw-writes", default=os.path.join(BUILD, "bench",
                                                         "raw_writes"))
    ap.add_argument("--out-dir", default=os.path.join(BUILD, "bench",
                                                      "results"))
    ap.add_argument("--work-dir", help="where the files are written "
                    "(default: a temporary directory in --out-dir)")
    ap.add_argument("--runs", type=int, default=41,
                    help="timed pairs per alternative and size (default 41)")
    ap.add_argument("--warmup", type=int, default=3,
                    help="untimed runs of each tool per size (default 3)")
    ap.add_argument("--rss-runs", type=int, default=3,
                    help="runs under GNU time per tool and size (default 3)")
    ap.add_argument("--sizes", type=int, nargs="+", default=list(SIZES_KB),
                    choices=SIZES_KB, metavar="SIZE_IN_KB")
    args = ap.parse_args()

    for prog in (args.zerofill, args.raw_writes):
        if not os.access(prog, os.X_OK):
            sys.exit("run.py: %s not found; build first: cmake --preset "
                     "native && cmake --build --preset native" % prog)
    tools = make_tools(os.path.abspath(args.zerofill),
                       os.path.abspath(args.raw_writes))
    zf, alts = tools[0], tools[1:]
    has_time = os.access(TIME, os.X_OK)
    if not has_time:
        print("note: %s is missing, so no peak RSS column; on Debian: "
              "apt-get install time" % TIME, file=sys.stderr)

    os.makedirs(args.out_dir, exist_ok=True)
    work = args.work_dir or tempfile.mkdtemp(prefix="work-", dir=args.out_dir)
    os.makedirs(work, exist_ok=True)
    path = os.path.join(work, "bench.bin")
    sizes = sorted(set(args.sizes))

    wall = {kb: {t.name: [] for t in tools} for kb in sizes}
    cpu = {kb: {t.name: [] for t in tools} for kb in sizes}
    ratio_wall = {kb: {t.name: [] for t in alts} for kb in sizes}
    ratio_cpu = {kb: {t.name: [] for t in alts} for kb in sizes}
    rss = {kb: {} for kb in sizes}
    samples = []
    began = time.monotonic()
    try:
        # Warm every size first, then go round the sizes once per pair, so
        # that a slow spell of the machine spreads over all of them.
        print("warming up...", file=sys.stderr, flush=True)
        for kb in sizes:
            for _ in range(args.warmup):
                for t in tools:
                    run_timed(t, path, kb)
        for i in range(args.runs):
            if i % 10 == 0:
                print("pair %d of %d..." % (i + 1, args.runs), file=sys.stderr,
                      flush=True)
            for kb in sizes:
                for alt in alts:
                    pair = (zf, alt) if i % 2 == 0 else (alt, zf)
                    got = {}
                    for t in pair:
                        got[t.name] = run_timed(t, path, kb)
                        wall[kb][t.name].append(got[t.name][0])
                        cpu[kb][t.name].append(got[t.name][1])
                        samples.append((kb, i, alt.name, t.name) +
                                       got[t.name])
                    ratio_wall[kb][alt.name].append(
                        got[alt.name][0] / got[zf.name][0])
                    # CPU time can read 0 for a very short run; skip such a
                    # pair rather than divide by zero.
                    if got[zf.name][1] > 0:
                        ratio_cpu[kb][alt.name].append(
                            got[alt.name][1] / got[zf.name][1])
        if has_time:
            print("peak RSS runs...", file=sys.stderr, flush=True)
            for kb in sizes:
                for t in tools:
                    rss[kb][t.name] = statistics.median(
                        run_rss(t.argv_of(path, kb), path, t.stdout_is_file,
                                work) for _ in range(args.rss_runs))
        floor_rss = (statistics.median(run_rss(["/bin/true"], None, False, work)
                                       for _ in range(args.rss_runs))
                     if has_time else None)
    finally:
        fresh(path)
        for name in ("rss.txt",):
            fresh(os.path.join(work, name))
        if not args.work_dir:
            os.rmdir(work)
    elapsed = time.monotonic() - began

    med_wall = {kb: {n: statistics.median(v) for n, v in d.items()}
                for kb, d in wall.items()}
    med_cpu = {kb: {n: statistics.median(v) for n, v in d.items()}
               for kb, d in cpu.items()}

    with open(os.path.join(args.out_dir, "samples.csv"), "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["size_in_kb", "pair", "alternative", "tool", "wall_s",
                    "cpu_s"])
        for s in samples:
            w.writerow(s[:4] + ("%.6f" % s[4], "%.6f" % s[5]))

    out = []
    out.append("Machine: %s. Date: %s. %d timed pairs per alternative and "
               "size after %d warm-up runs of each tool; every run on a fresh "
               "file on %s. Medians; ratios are medians of the per-pair "
               "ratios alternative / zerofill (above 1: zerofill is faster). "
               "Wall and CPU time include starting the process. "
               "Run time %.0f s."
               % (machine_line(), datetime.date.today().isoformat(),
                  args.runs, args.warmup, file_system_of(os.path.realpath(work)),
                  elapsed))
    out.append("")
    head = ("| size_in_kb | file | tool | wall ms | CPU ms | wall ratio | "
            "CPU ratio |" + (" peak RSS KiB |" if has_time else ""))
    out.append(head)
    out.append("|" + "---|" * (head.count("|") - 1))
    for kb in sizes:
        for t in tools:
            if t is zf:
                rw = rc = "1"
            else:
                rw = "%.2f" % statistics.median(ratio_wall[kb][t.name])
                rc = ("%.2f" % statistics.median(ratio_cpu[kb][t.name])
                      if ratio_cpu[kb][t.name] else "n/a")
            size = blocks_of(kb) * BLOCK
            file_text = ("%d KiB" % (size // 1024) if size < 2**20 else
                         "%d MiB" % (size // 2**20))
            row = "| %d | %s | %s | %.2f | %.2f | %s | %s |" % (
                kb, file_text, t.name, med_wall[kb][t.name] * 1e3,
                med_cpu[kb][t.name] * 1e3, rw, rc)
            if has_time:
                row += " %d |" % rss[kb][t.name]
            out.append(row)
    if has_time:
        out.append("")
        out.append("Peak RSS as GNU time reports it (ru_maxrss); the same "
                   "method gives %d KiB for /bin/true, the floor for any "
                   "dynamically linked program here." % floor_rss)

    if len(sizes) >= 3:
        out.append("")
        out.append("Straight-line fit of the medians, time = start-up + "
                   "blocks x per-block cost:")
        out.append("")
        out.append("| tool | wall start-up ms | wall per block us | wall R^2 | "
                   "CPU start-up ms | CPU per block us | CPU R^2 |")
        out.append("|---|---|---|---|---|---|---|")
        xs = [blocks_of(kb) for kb in sizes]
        for t in tools:
            aw, bw, rw2 = fit_line(xs, [med_wall[kb][t.name] for kb in sizes])
            ac, bc, rc2 = fit_line(xs, [med_cpu[kb][t.name] for kb in sizes])
            out.append("| %s | %.2f | %.2f | %.4f | %.2f | %.2f | %.4f |" % (
                t.name, aw * 1e3, bw * 1e6, rw2, ac * 1e3, bc * 1e6, rc2))

    out.append("")
    cpu_ok = [kb for kb in sizes if med_cpu[kb]["zerofill"] <= med_cpu[kb]["dd"]]
    out.append("- CPU time no more than dd's: %s (%d of %d sizes)" % (
        "met" if len(cpu_ok) == len(sizes) else "NOT met at %s" % ", ".join(
            str(kb) for kb in sizes if kb not in cpu_ok),
        len(cpu_ok), len(sizes)))
    if has_time:
        rss_ok = [kb for kb in sizes if rss[kb]["zerofill"] < rss[kb]["dd"]]
        out.append("- peak RSS below dd's: %s (%d of %d sizes)" % (
            "met" if len(rss_ok) == len(sizes) else "NOT met at %s" %
            ", ".join(str(kb) for kb in sizes if kb not in rss_ok),
            len(rss_ok), len(sizes)))

    png, note = plot(args.out_dir, sizes, tools, med_wall, med_cpu)
    out.append("")
    out.append("Plot: %s, beside this table." % os.path.basename(png)
               if png else note)
    text = "\n".join(out) + "\n"
    with open(os.path.join(args.out_dir, "results.md"), "w") as f:
        f.write(text)
    sys.stdout.write(text)
    print("(saved in %s)" % args.out_dir, file=sys.stderr)


if __name__ == "__main__":
    main()
