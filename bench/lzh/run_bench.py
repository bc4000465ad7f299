#!/usr/bin/env python3
"""UNLHA32.DLL against jlha (and zip, 7-Zip) on the benchmark corpus.

Our DLL is called through unlhacall.exe under Wine as a backup run calls
it: one "a -a1 -d1 -n1 -r2x1" call per target into the same archive, in one
process (-lh5-, level-2 headers). Peers: `jlha co52` (Debian's jlha-utils,
-lh5-, level-2 headers), `zip -r -6` and `7zz a -tzip -mx5 -mmt2`. The
tools alternate over --rounds rounds; wall time (best and median), CPU
time, MiB/s, sizes and the ratios to jlha are printed. A last tool is our
DLL again pinned to one core (`taskset -c 0`). Our archive is then tested
with lhasa (not timed). --memory as in the zip benchmark.

usage: run_bench.py [--corpus DIR] [--mib 500] [--bin build/windows/bin] [--rounds 2] [--memory] [--compare-bin DIR]
Note: on Debian `lha` is jlha's front end; lhasa's command is `lhasa`.
"""
import argparse
import os
import shutil
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
        cmds = os.path.join(work, "cmd-%s.txt" % os.path.basename(archive))
        with open(cmds, "wb") as f:
            for base, name in targets:
                f.write(('a -a1 -d1 -n1 -r2x1 "%s" "%s" "%s"\r\n'
                         % (archiver_bench.win(archive), archiver_bench.win(base), name)).encode("cp932"))
        if not targets:
            return [archiver_bench.WINE_RUN, os.path.join(args.bin, "unlhacall.exe"), "--version"]
        return [archiver_bench.WINE_RUN, os.path.join(args.bin, "unlhacall.exe"), archiver_bench.win(cmds)]

    def check(archive):
        p = subprocess.run(["lhasa", "t", archive], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        ok = p.returncode == 0 and b"CRC error" not in p.stdout
        return "lhasa t on the DLL's archive: %s" % ("passes" if ok else "FAILS")

    args.check = check
    names = ["text", "compressed", "source"]
    peers = []
    if shutil.which("jlha"):
        peers.append(("jlha co52", lambda a: ["jlha", "co52", a] + names, "lzh"))
    else:
        print("jlha is not installed (Debian: jlha-utils): no jlha figures")
    peers += [
        ("zip -r -6", lambda a: ["zip", "-r", "-6", "-q", a] + names, "zip"),
        ("7zz a -tzip -mx5 -mmt2", lambda a: ["7zz", "a", "-tzip", "-mx5", "-mmt2", a] + names, "zip"),
    ]
    archiver_bench.run("lzh", dll_argv, peers, args)


if __name__ == "__main__":
    main()
