#!/usr/bin/env python3
"""Archives one corpus three ways and prints speed and size side by side:

  UNLHA32.DLL  through tests' unlhacall.exe under Wine, the backup run's
               command line "a -a1 -d1 -n1 -r2x1" (-lh5-, level-2 headers)
  jlha         Debian's jlha-utils: "jlha co52" (-lh5-, level-2 headers)
  zip -r -6    Info-ZIP

The corpus is made by ../make-corpus.py (the zip benchmark's) when it is missing. Our archive is
then tested with lhasa (not timed).

usage: run_bench.py [--corpus DIR] [--mib 500] [--bin BUILD/bin] [--skip-jlha]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def win(path):
    return "Z:" + path.replace("/", "\\")


def timed(argv, cwd=None):
    start = time.monotonic()
    p = subprocess.run(argv, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    elapsed = time.monotonic() - start
    if p.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (p.returncode, " ".join(argv), p.stdout.decode(errors="replace")[-2000:]))
    return elapsed, p.stdout


def tree_size(path):
    total = 0
    for dirpath, _, filenames in os.walk(path):
        for n in filenames:
            total += os.path.getsize(os.path.join(dirpath, n))
    return total


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corpus", default="/tmp/zelk-lzh-corpus/corpus")
    ap.add_argument("--mib", type=int, default=500)
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "windows", "bin"))
    ap.add_argument("--skip-jlha", action="store_true")
    args = ap.parse_args()
    corpus = os.path.abspath(args.corpus)
    if not os.path.isdir(corpus):
        subprocess.run([sys.executable, os.path.join(HERE, "..", "make-corpus.py"), corpus, "--mib", str(args.mib)],
                       check=True)
    parent, name = os.path.split(corpus)
    size = tree_size(corpus)
    files = sum(len(f) for _, _, f in os.walk(corpus))
    out = tempfile.mkdtemp(prefix="zelk-lzh-bench-")
    wine_run = os.path.join(ROOT, "cmake", "wine-run.sh")
    unlhacall = os.path.join(args.bin, "unlhacall.exe")
    rows = []
    try:
        # Wine's own start, measured on a call that does no work.
        timed([wine_run, unlhacall, "--version"])
        wine_start, _ = timed([wine_run, unlhacall, "--version"])

        ours = os.path.join(out, "ours.lzh")
        cmdfile = os.path.join(out, "cmd.txt")
        with open(cmdfile, "wb") as f:
            f.write(('a -a1 -d1 -n1 -r2x1 "%s" "%s" "%s"' % (win(ours), win(parent), name)).encode("cp932"))
        t, _ = timed([wine_run, unlhacall, win(cmdfile)])
        rows.append(("UNLHA32.DLL (Wine)", t, os.path.getsize(ours), "incl. %.1f s Wine start" % wine_start))

        if not args.skip_jlha:
            jl = os.path.join(out, "jlha.lzh")
            t, _ = timed(["jlha", "co52", jl, name], cwd=parent)
            rows.append(("jlha co52", t, os.path.getsize(jl), ""))

        zp = os.path.join(out, "zip.zip")
        t, _ = timed(["zip", "-r", "-6", "-q", zp, name], cwd=parent)
        rows.append(("zip -r -6", t, os.path.getsize(zp), ""))

        p = subprocess.run(["lhasa", "t", ours], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        tested = "passes" if p.returncode == 0 and b"CRC error" not in p.stdout else "FAILS"
    finally:
        shutil.rmtree(out, ignore_errors=True)

    print("corpus: %s, %d files, %.1f MiB" % (corpus, files, size / 2**20))
    print("%-20s %9s %9s %14s %7s  %s" % ("tool", "seconds", "MiB/s", "archive bytes", "ratio", ""))
    for tool, t, archive, note in rows:
        print("%-20s %9.1f %9.1f %14d %6.2f%%  %s" % (tool, t, size / 2**20 / t, archive,
                                                      100.0 * archive / size, note))
    print("lhasa t on the UNLHA32.DLL archive: %s" % tested)


if __name__ == "__main__":
    main()
