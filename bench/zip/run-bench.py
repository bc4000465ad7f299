#!/usr/bin/env python3
"""Archives the benchmark corpus through ZIP32J.DLL under Wine (zipcall.exe)
and with Info-ZIP `zip -r -6`, and prints throughput, archive sizes and the
ratios of both. Each tool runs --rounds times, alternating; the best wall
time counts (the machine is shared), and the CPU time of that run is shown. With --flat-memory it also archives a 2 GiB file through the
DLL and reports the peak memory of the Wine process.

usage: run-bench.py [--corpus DIR] [--mib 500] [--bin build/windows/bin]
The corpus is made with bench/make-corpus.py when DIR does not exist yet.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tree_size(path):
    return sum(os.path.getsize(os.path.join(r, f)) for r, _, fs in os.walk(path) for f in fs)


def cpu_of_children():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def timed(fn):
    """(wall seconds, CPU seconds of child processes) of fn()."""
    cpu = cpu_of_children()
    start = time.monotonic()
    fn()
    return time.monotonic() - start, cpu_of_children() - cpu


def run_dll(binary, work, archive, base, name):
    steps = os.path.join(work, "steps.txt")
    results = os.path.join(work, "results.txt")
    with open(steps, "wb") as f:
        f.write(("call\t1024\t\t-qrS \"%s\" \"%s\" \"%s\"\r\n" % (win(archive), win(base), name)).encode("cp932"))
    wine_run = os.path.join(ROOT, "cmake", "wine-run.sh")
    start = time.monotonic()
    subprocess.run([wine_run, os.path.join(binary, "zipcall.exe"), win(steps), win(results)], check=True)
    elapsed = time.monotonic() - start
    with open(results) as f:
        code = f.read().split("\t")[0]
    if code != "0":
        sys.exit("ZIP32J.DLL failed with %s" % code)
    return elapsed


def wine_start_time(binary, work):
    """Time of a zipcall run that only asks the version: Wine's own start-up."""
    steps = os.path.join(work, "v.txt")
    with open(steps, "w") as f:
        f.write("version\n")
    start = time.monotonic()
    subprocess.run([os.path.join(ROOT, "cmake", "wine-run.sh"), os.path.join(binary, "zipcall.exe"),
                    win(steps), win(os.path.join(work, "vr.txt"))], check=True)
    return time.monotonic() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus", default="/tmp/zelk-zip-bench/corpus")
    ap.add_argument("--mib", type=int, default=500)
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "windows", "bin"))
    ap.add_argument("--flat-memory", action="store_true")
    ap.add_argument("--rounds", type=int, default=2)
    args = ap.parse_args()
    corpus = os.path.abspath(args.corpus)
    if not os.path.isdir(corpus):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make-corpus.py"), corpus,
                        "--mib", str(args.mib)], check=True)
    base, name = os.path.dirname(corpus), os.path.basename(corpus)
    size = tree_size(corpus)
    mib = size / (1 << 20)

    with tempfile.TemporaryDirectory(prefix="zip-bench-") as work:
        wine_start_time(args.bin, work)  # warm up the Wine server
        startup = wine_start_time(args.bin, work)

        dll_zip = os.path.join(work, "dll.zip")
        ref_zip = os.path.join(work, "ref.zip")
        dll_runs, ref_runs = [], []
        for _ in range(args.rounds):
            for path in (dll_zip, ref_zip):
                if os.path.exists(path):
                    os.remove(path)
            dll_runs.append(timed(lambda: run_dll(args.bin, work, dll_zip, base, name)))
            ref_runs.append(timed(lambda: subprocess.run(["zip", "-r", "-6", "-q", ref_zip, name],
                                                         cwd=base, check=True)))
        (dll_time, dll_cpu), (ref_time, ref_cpu) = min(dll_runs), min(ref_runs)
        dll_size = os.path.getsize(dll_zip)
        ref_size = os.path.getsize(ref_zip)

        print("corpus: %.1f MiB, %d files" % (mib, sum(len(f) for _, _, f in os.walk(corpus))))
        print("%-22s %9s %9s %9s %12s %8s" % ("", "seconds", "CPU s", "MiB/s", "bytes", "ratio"))
        print("%-22s %9.2f %9.2f %9.1f %12d %7.2f%%" % ("ZIP32J.DLL (Wine)", dll_time, dll_cpu, mib / dll_time,
                                                         dll_size, 100.0 * dll_size / size))
        print("%-22s %9.2f %9.2f %9.1f %12d %7.2f%%" % ("zip -r -6 (native)", ref_time, ref_cpu, mib / ref_time,
                                                         ref_size, 100.0 * ref_size / size))
        print("Wine start-up of one call: %.2f s (included above)" % startup)
        print("size DLL / zip: %.4f (goal <= 1.01)" % (dll_size / ref_size))
        print("time DLL / zip: %.3f (goal <= 1.2)" % (dll_time / ref_time))

        print("all wall times, DLL: %s; zip: %s" % (", ".join("%.2f" % r[0] for r in dll_runs),
                                                    ", ".join("%.2f" % r[0] for r in ref_runs)))
        if args.flat_memory:
            big_dir = os.path.join(work, "big")
            os.makedirs(big_dir)
            with open(os.path.join(big_dir, "two-gib.bin"), "wb") as f:
                f.truncate(2 << 30)
            t = run_dll(args.bin, work, os.path.join(work, "big.zip"), big_dir, "two-gib.bin")
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            print("2 GiB file: %.1f s; peak RSS of any process run so far (corpus and 2 GiB file): %.1f MiB"
                  % (t, peak / 1024.0))


if __name__ == "__main__":
    main()
