#!/usr/bin/env python3
"""Runs the benchmarks on identical trees and prints medians and ratios.

Every time is a ratio against another program measured in the same run on
an identical tree: the engine against a safe floor (the fastest deleter with
the engine's guarantee), against a bare Win32 path deleter (the floor under
Wine), against Wine's own `rd /s /q`, and against native `rm -rf`; a dropped
folder (listed as the intake lists it) against the same floors. The memory
figures are printed as they are.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH = os.path.join(ROOT, "build", "win32", "bench", "moxlyn_bench.exe")
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")
ENV = dict(os.environ, WINEPREFIX=os.path.join(ROOT, "build", "win32", "wineprefix-bench"))
# Wine runs on one CPU, each program and the Wine server together: on a
# virtual machine a wake-up across CPUs costs more than most calls' own work
# and varies by a fifth from run to run, more than the deleters differ by.
WINE_CPU = max(os.sched_getaffinity(0))


def on_wine_cpu():
    os.sched_setaffinity(0, {WINE_CPU})


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wine(*args):
    started = time.perf_counter()
    out = subprocess.run([WINE_RUN, *args], env=ENV, check=True, capture_output=True, text=True,
                         preexec_fn=on_wine_cpu).stdout
    return out, 1000 * (time.perf_counter() - started)


def bench(mode, folder, count=None, form=None):
    # The trees just made are written out first: no deleter pays for another's writes.
    os.sync()
    args = [BENCH, mode, windows_path(folder)] + ([str(count)] if count else [])
    args += [form] if form else []
    out, _ = wine(*args)
    fields = dict(item.split("=") for item in out.split()[1:] if "=" in item)
    return float(fields["ms"]), int(fields.get("peak_kib", 0)), float(fields.get("cpu_ms", 0))


def make_tree(path, kind):
    os.makedirs(path)
    if kind == "flat":
        for i in range(50000):
            open(os.path.join(path, "f%05d.tmp" % i), "w").close()
        return
    for a in range(40):
        for b in range(50):
            folder = os.path.join(path, "d%02d" % a, "e%02d" % b)
            os.makedirs(folder)
            for i in range(10):
                name = os.path.join(folder, "f%d.o" % i)
                open(name, "w").close()
                if kind == "readonly" and i == 0:
                    os.chmod(name, 0o444)


def median(values):
    return statistics.median(values)


def engine_cases(runs, scratch, only=()):
    wine(BENCH, "enumerate", windows_path(scratch))  # warm the Wine server
    # rd runs as its own Wine process: its start-up is measured and taken off.
    wine_start = median([wine("cmd", "/c", "exit")[1] for _ in range(3)])
    for kind, label in (("tree", "20,000 files in 2,000 folders"),
                        ("readonly", "the same, 10% read-only"),
                        ("flat", "50,000 files in one folder")):
        # The safe floor: the engine's guarantee and nothing more; the bare
        # floor: the path deleter. A dropped folder is listed as the intake
        # lists it (the folder, then its direct entries).
        if only and kind not in only:
            continue
        times = {"engine": [], "safe": [], "bare": [], "rd": [], "rm": []}
        if kind != "readonly":
            times["dropped"] = []
        cpu = {"engine": [], "safe": [], "dropped": []}
        peak = 0
        calls = []
        for run in range(runs):
            trees = {}
            for name in times:
                if name == "rd" and run > 0:
                    continue
                trees[name] = os.path.join(scratch, "%s-%s-%d" % (kind, name, run))
                make_tree(trees[name], kind)
            if run == 0:
                for mode in ("calls", "calls-safe") + (("calls-dropped",) if "dropped" in times else ()):
                    probe = os.path.join(scratch, "%s-%s" % (kind, mode))
                    make_tree(probe, kind)
                    calls.append(wine(BENCH, mode, windows_path(probe))[0].strip())
            # Each deleter goes first in turn.
            timed = [name for name in ("engine", "safe", "bare", "dropped") if name in times]
            for name in timed[run % len(timed):] + timed[:run % len(timed)]:
                ms, peak_kib, cpu_ms = bench("engine-dropped" if name == "dropped" else name,
                                             trees[name])
                times[name].append(ms)
                if name in cpu:
                    cpu[name].append(cpu_ms)
                if name == "engine":
                    peak = max(peak, peak_kib)
            if run == 0:  # rd takes minutes on the flat folder: one run is enough
                _, total = wine("cmd", "/c", "rd", "/s", "/q", windows_path(trees["rd"]))
                times["rd"].append(max(total - wine_start, 0.1))
            started = time.perf_counter()
            subprocess.run(["rm", "-rf", trees["rm"]], check=True)
            times["rm"].append(1000 * (time.perf_counter() - started))
            for name in ("engine", "safe", "bare", "dropped", "rd"):
                if name in trees and os.path.exists(trees[name]):
                    print("  warning: %s left %s behind" % (name, trees[name]))
                    subprocess.run(["rm", "-rf", trees[name]])
        m = {name: median(values) for name, values in times.items()}

        def against(name, floor):
            # Each run's deleters worked on trees made together, one after
            # another: the ratio is taken within a run, then its median, so
            # that what drifts between runs (the disk's journal, the page
            # cache) cancels out. The range is printed beside it.
            ratios = sorted(a / b for a, b in zip(times[name], times[floor]))
            return "%s/%s %.2f (%.2f-%.2f)" % ("engine", floor, median(ratios), ratios[0],
                                              ratios[-1])

        def cpu_against_safe(name):
            # The deleting thread's own CPU, which the Wine server's and the
            # disk's time does not blur.
            return "cpu %.2f" % (median(cpu[name]) / median(cpu["safe"]))

        print("%s (median of %d runs; per-run ratios, their range in brackets):" % (label, runs))
        print("  engine  %8.1f ms   %s   %s   %s   peak %d KiB"
              % (m["engine"], against("engine", "safe"), cpu_against_safe("engine"),
                 against("engine", "bare"), peak))
        if "dropped" in m:
            print("  dropped %8.1f ms   %s   %s   %s   (the folder and its direct entries listed)"
                  % (m["dropped"], against("dropped", "safe"), cpu_against_safe("dropped"),
                     against("dropped", "bare")))
        print("  safe    %8.1f ms   safe/bare   %.2f" % (m["safe"], m["safe"] / m["bare"]))
        print("  bare    %8.1f ms" % m["bare"])
        print("  rd /s   %8.1f ms   rd/engine   %.1f  (one run; Wine start-up of %.0f ms taken off)"
              % (m["rd"], m["rd"] / m["engine"], wine_start))
        print("  rm -rf  %8.1f ms   engine/rm   %.1f" % (m["rm"], m["engine"] / m["rm"]))
        for line in calls:
            print("  " + line)


def other_cases(runs, scratch):
    folder = os.path.join(scratch, "intake")
    os.makedirs(folder)
    for i in range(100000):
        open(os.path.join(folder, "entry%06d" % i), "w").close()
    intake = median([bench("intake", folder)[0] for _ in range(runs)])
    enum = median([bench("enumerate", folder)[0] for _ in range(runs)])
    print("drop intake of 100,000 entries: %.1f ms, bare enumeration %.1f ms, ratio %.2f"
          % (intake, enum, intake / enum))
    shutil.rmtree(folder)

    # Both forms of the list file: the code page, and UTF-8 for names it lacks.
    for form in ("cp", "utf8"):
        io = os.path.join(scratch, "io")
        os.makedirs(io)
        save = median([bench("list-save", io, 1000000, form)[0] for _ in range(runs)])
        load, load_peak, _ = zip(*[bench("list-load", io) for _ in range(runs)])
        write = median([bench("raw-write", io, 1000000, form)[0] for _ in range(runs)])
        read = median([bench("raw-read", io)[0] for _ in range(runs)])
        print("dellist.lst of 1,000,000 entries (%s): save %.1f ms (raw write %.1f, ratio %.2f), "
              "load %.1f ms (raw read %.1f, ratio %.2f), load peak %d KiB"
              % ("code page" if form == "cp" else "UTF-8", save, write, save / write,
                 median(load), read, median(load) / read, max(load_peak)))
        shutil.rmtree(io)

    logdir = os.path.join(scratch, "log")
    os.makedirs(logdir)
    log = []
    for _ in range(runs):
        for name in os.listdir(logdir):
            os.remove(os.path.join(logdir, name))
        log.append(bench("log", logdir, 100000)[0])
    raw = median([bench("raw-write", logdir, 100000)[0] for _ in range(runs)])
    print("log of 100,000 entries (time and name): %.1f ms, raw write of the paths %.1f ms, ratio %.2f"
          % (median(log), raw, median(log) / raw))
    shutil.rmtree(logdir)


def write_list(folder, count):
    """A dellist.lst of count entries like the benchmark's own sample entries."""
    prefix = (windows_path(folder) + "\\deep\\folder\\テスト\\file-").encode("cp932")
    with open(os.path.join(folder, "dellist.lst"), "wb") as out:
        step = 100000
        for start in range(0, count, step):
            out.write(b"".join(prefix + b"%d.txt\r\n" % i
                               for i in range(start, min(count, start + step))))


def memory_cases(scratch):
    """Printed figures, not timings: the peak memory of saving 1,000,000
    entries, and the largest list that loads and saves in one run."""
    folder = os.path.join(scratch, "memory")
    os.makedirs(folder)
    out, _ = wine(BENCH, "list-save", windows_path(folder), "1000000")
    fields = dict(item.split("=") for item in out.split() if "=" in item)
    print("save of 1,000,000 entries: peak %s KiB, the list alone %s KiB"
          % (fields["peak_kib"], fields["list_kib"]))
    largest = 0
    for millions in (1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 16):
        count = millions * 1000000
        write_list(folder, count)
        out, _ = wine(BENCH, "list-round-trip", windows_path(folder))
        fields = dict(item.split("=") for item in out.split() if "=" in item)
        size = os.path.getsize(os.path.join(folder, "dellist.lst"))
        print("  %d entries (%d MB): out of memory at %s, peak %s KiB"
              % (count, size // 1000000, fields["out_of_memory"], fields["peak_kib"]))
        if fields["out_of_memory"] != "none":
            break
        largest = count
    print("largest list that loads and saves: %d entries" % largest)
    shutil.rmtree(folder)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    parts = sys.argv[2:] or ["engine", "files", "memory"]
    if any(p in ("tree", "readonly", "flat") for p in parts):
        parts.append("engine")
    # A Wine server still running on this prefix may have started on another CPU.
    subprocess.run(["wineserver", "-k"], env=ENV, stderr=subprocess.DEVNULL)
    scratch = tempfile.mkdtemp(prefix="moxlyn-bench-", dir=os.path.join(ROOT, "build"))
    try:
        if "engine" in parts:
            engine_cases(runs, scratch, [p for p in parts if p in ("tree", "readonly", "flat")])
        if "files" in parts:
            other_cases(runs, scratch)
        if "memory" in parts:
            memory_cases(scratch)
    finally:
        subprocess.run(["chmod", "-R", "u+w", scratch])
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
