#!/usr/bin/env python3
"""ZIP32J.DLL against Info-ZIP zip and 7-Zip on the benchmark corpus.

Our DLL is called through zipcall.exe under Wine as a backup run calls it:
one "-qrS" call per target into the same archive, in one process. Peers:
`zip -r -6` and `7zz a -tzip -mx5 -mmt2`. The tools alternate over
--rounds rounds; wall time (best and median), CPU time, MiB/s, sizes and
the ratios to zip are printed. A last tool is our DLL again pinned to one
core (`taskset -c 0`). --memory also archives a sparse 2 GiB file and
100,000 small files and prints the peak resident memory of each call.

usage: run-bench.py [--corpus DIR] [--mib 500] [--bin build/windows/bin] [--rounds 2] [--memory] [--compare-bin DIR]
The corpus is made with bench/make-corpus.py when DIR does not exist yet.
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import archiver_bench  # noqa: E402

ROOT = archiver_bench.ROOT


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus", default="/tmp/zelk-archiver-bench/corpus")
    ap.add_argument("--mib", type=int, default=500)
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "windows", "bin"))
    ap.add_argument("--rounds", type=int, default=2)
    ap.add_argument("--memory", action="store_true")
    ap.add_argument("--skip-one-core", action="store_true")
    ap.add_argument("--compare-bin", help="an older build's bin folder: its DLL against ours, no peers")
    args = ap.parse_args()

    def dll_argv(archive, work, targets):
        steps = os.path.join(work, "steps-%s.txt" % os.path.basename(archive))
        with open(steps, "wb") as f:
            f.write(b"version\r\n")
            for base, name in targets:
                f.write(("call\t1024\t\t-qrS \"%s\" \"%s\" \"%s\"\r\n"
                         % (archive and archiver_bench.win(archive), archiver_bench.win(base), name)).encode("cp932"))
        return [archiver_bench.WINE_RUN, os.path.join(args.bin, "zipcall.exe"), archiver_bench.win(steps),
                archiver_bench.win(steps + ".out")]

    def check(archive):
        p = subprocess.run(["unzip", "-tqq", archive], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return "unzip -t on the DLL's archive: %s" % ("passes" if p.returncode == 0 else "FAILS " + p.stdout.decode()[-500:])

    args.check = check
    names = ["text", "compressed", "source"]
    archiver_bench.run("zip", dll_argv, [
        ("zip -r -6", lambda a: ["zip", "-r", "-6", "-q", a] + names, "zip"),
        ("7zz a -tzip -mx5 -mmt2", lambda a: ["7zz", "a", "-tzip", "-mx5", "-mmt2", a] + names, "zip"),
    ], args)


if __name__ == "__main__":
    main()
