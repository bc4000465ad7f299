#!/usr/bin/env python3
"""Many small files: Zelk's plain, zip and lzh runs over a tree of 100,000
files of 100 to 1,000 bytes in 100 folders, on 1 and 2 threads, side by side
with the floors under them, all in one run under Wine.

usage: run-bench.py [--scratch /tmp/zelk-small-files] [--files 100000]
                    [--folders 100] [--seed 1] [--rounds 1]
                    [--bin build/windows/bin] [--tiny]

The tree is made here, natively (Wine would take minutes), under
SCRATCH/tree and kept while its manifest matches. Floors
(small_files_floor.exe): walk + CopyFileExW of every file, and walk +
open/read/close of every file, each on 1 and 2 threads. Zelk: a plain run
through copy_bench.exe (RunBackup's own time), and one call of ZIP32J.DLL
("-qrS", zipcall.exe) and of UNLHA32.DLL ("a -a1 -d1 -n1 -r2x1",
unlhacall.exe) on the tree as a backup run makes it; the archiver times are
the calling process' wall time less the same process' start-up with no
call. One thread is the process' affinity set to one processor before it
starts (small_files_floor.exe spawn), which the program reads as its
thread count. The peak working set of each Zelk process is printed, and the
archives of 1 and 2 threads are compared byte for byte. --tiny makes a tree
of 40 files and checks only that everything ran and agreed (the bench test).
"""
import argparse
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import scratch_trash  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")
GENERATOR_VERSION = 1
WORDS = ("backup generation folder archive target copy plain zip lzh file time size name list run "
         "schedule option save keep history source read write thread pool queue entry header").split()


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_tree(tree, files, folders, seed):
    manifest = tree + ".manifest"  # beside the tree, not in it
    want = "v%d files=%d folders=%d seed=%d\n" % (GENERATOR_VERSION, files, folders, seed)
    if os.path.exists(manifest) and open(manifest).read() == want:
        return
    if os.path.exists(tree):
        shutil.rmtree(tree)
    os.makedirs(tree)
    rnd = random.Random(seed)
    per = (files + folders - 1) // folders
    for i in range(files):
        folder = os.path.join(tree, "d%03d" % (i // per))
        if i % per == 0:
            os.makedirs(folder)
        size = rnd.randint(100, 1000)
        text = []
        length = 0
        while length < size:
            w = rnd.choice(WORDS) + (" " if rnd.random() < 0.9 else "\r\n")
            text.append(w)
            length += len(w)
        with open(os.path.join(folder, "f%06d.txt" % i), "wb") as f:
            f.write("".join(text).encode()[:size])
    with open(manifest, "w") as f:
        f.write(want)


def run(argv, cwd):
    # Output to a file, not a pipe: Wine's services inherit the handles.
    with tempfile.TemporaryFile() as report:
        done = subprocess.run(argv, cwd=cwd, stdout=report, stderr=subprocess.STDOUT)
        report.seek(0)
        text = report.read().decode("cp932", "replace")
    out = {}
    for line in text.splitlines():
        if "=" in line:
            k, v = line.split("=", 1)
            out[k.strip()] = v.strip()
    if done.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (done.returncode, " ".join(argv), text[-2000:]))
    return out


def fresh(path):
    # Synced, so that no run pays for writing back the one before.
    scratch_trash.discard(path)
    subprocess.run(["sync"], check=True)
    os.makedirs(path)
    return path


class Bench:
    def __init__(self, args):
        self.args = args
        self.bin = os.path.abspath(args.bin)
        self.floor = os.path.join(self.bin, "small_files_floor.exe")
        self.scratch = os.path.abspath(args.scratch)
        self.tree = os.path.join(self.scratch, "tree")
        # The tree sits in SCRATCH/tree; the archivers' base folder is SCRATCH.
        self.work = os.path.join(self.scratch, "work")

    def spawn(self, threads, exe, *args):
        mask = "1" if threads == 1 else "0"
        return run([WINE_RUN, self.floor, "spawn", mask, win(os.path.join(self.bin, exe))] + list(args),
                   fresh(self.work))

    def copy_floor(self, threads):
        dest = os.path.join(self.scratch, "floor-copy")
        scratch_trash.discard(dest)
        subprocess.run(["sync"], check=True)
        out = run([WINE_RUN, self.floor, "copy", win(self.tree), win(dest), str(threads)], self.scratch)
        scratch_trash.discard(dest)
        return float(out["copy_s"])

    def read_floor(self, threads):
        out = run([WINE_RUN, self.floor, "read", win(self.tree), str(threads)], self.scratch)
        return float(out["read_s"])

    def plain(self, threads):
        save = os.path.join(self.scratch, "save")
        scratch_trash.discard(save)
        out = self.spawn(threads, "copy_bench.exe", win(self.tree), win(save), "2")
        if out.get("result") != "ok":
            sys.exit("plain run failed: %s" % out)
        copied = sum(len(fs) for _, _, fs in os.walk(save))
        scratch_trash.discard(save)
        return float(out["elapsed_s"]), float(out["peak_ws_mib"]), copied

    def archive(self, fmt, threads, keep_as):
        archive = os.path.join(self.scratch, "run." + fmt)
        if os.path.exists(archive):
            os.remove(archive)
        steps = os.path.join(self.scratch, "steps-" + fmt)
        if fmt == "zip":
            with open(steps, "wb") as f:
                f.write(('call\t1024\t\t-qrS "%s" "%s" "tree"\r\n' % (win(archive), win(self.scratch))).encode())
            out = self.spawn(threads, "zipcall.exe", win(steps), win(steps + ".out"))
        else:
            with open(steps, "wb") as f:
                f.write(('a -a1 -d1 -n1 -r2x1 "%s" "%s" "tree"\r\n' % (win(archive), win(self.scratch))).encode())
            out = self.spawn(threads, "unlhacall.exe", win(steps))
        os.replace(archive, keep_as)
        return float(out["child_s"]), float(out["peak_ws_mib"])

    def start_up(self, fmt):
        if fmt == "zip":
            steps = os.path.join(self.scratch, "steps-version")
            with open(steps, "wb") as f:
                f.write(b"version\r\n")
            return float(self.spawn(2, "zipcall.exe", win(steps), win(steps + ".out"))["child_s"])
        return float(self.spawn(2, "unlhacall.exe", "--version")["child_s"])


def digest(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scratch", default="/tmp/zelk-small-files")
    ap.add_argument("--files", type=int, default=100000)
    ap.add_argument("--folders", type=int, default=100)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--rounds", type=int, default=1)
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "windows", "bin"))
    ap.add_argument("--tiny", action="store_true")
    ap.add_argument("--archivers-only", action="store_true", help="no copy floor, no plain run")
    args = ap.parse_args()
    if args.tiny:
        args.files, args.folders, args.rounds = 40, 4, 1
    b = Bench(args)
    os.makedirs(b.scratch, exist_ok=True)
    make_tree(b.tree, args.files, args.folders, args.seed)
    tree_bytes = sum(os.path.getsize(os.path.join(r, f)) for r, _, fs in os.walk(b.tree) for f in fs)

    b.read_floor(2)  # Wine and the page cache warm
    best = {}
    peaks = {}
    archives = {}

    def keep(key, value):
        best[key] = min(best.get(key, value), value)
        print("  %s, %d thread%s: %.2f s" % (key[0], key[1], "s" if key[1] > 1 else "", value), flush=True)

    starts = {fmt: b.start_up(fmt) for fmt in ("zip", "lzh")}
    for _ in range(args.rounds):
        for threads in (1, 2):
            keep(("read floor", threads), b.read_floor(threads))
            if not args.archivers_only:
                keep(("copy floor", threads), b.copy_floor(threads))
                seconds, peak, copied = b.plain(threads)
                if copied != args.files:
                    sys.exit("the plain run copied %d files of %d" % (copied, args.files))
                keep(("Zelk plain", threads), seconds)
                peaks[("plain", threads)] = peak
            for fmt in ("zip", "lzh"):
                path = os.path.join(b.scratch, "%s-%d.%s" % (fmt, threads, fmt))
                seconds, peak = b.archive(fmt, threads, path)
                keep(("Zelk " + fmt, threads), max(seconds - starts[fmt], 0.0))
                peaks[(fmt, threads)] = peak
                archives[(fmt, threads)] = path

    same = {fmt: digest(archives[(fmt, 1)]) == digest(archives[(fmt, 2)]) for fmt in ("zip", "lzh")}
    with zipfile.ZipFile(archives[("zip", 2)]) as z:
        bad = z.testzip()
        zipped = sum(1 for i in z.infolist() if not i.filename.endswith("/"))
    load = os.getloadavg()
    print("tree: %d files of 100-1,000 bytes (%d bytes) in %d folders" % (args.files, tree_bytes, args.folders))
    print("load average at the end: %.2f %.2f %.2f (2 cores, shared)" % load)
    print("archiver process start-up, taken off their times: zip %.2f s, lzh %.2f s" % (starts["zip"], starts["lzh"]))
    print("%-12s %10s %10s" % ("seconds", "1 thread", "2 threads"))
    for name in ("copy floor", "read floor", "Zelk plain", "Zelk zip", "Zelk lzh"):
        if (name, 1) in best:
            print("%-12s %10.2f %10.2f" % (name, best[(name, 1)], best[(name, 2)]))
    print("peak working set MiB: " + ", ".join("%s %d thread%s %.1f" % (k[0], k[1], "s" if k[1] > 1 else "", v)
                                              for k, v in sorted(peaks.items())))
    goals = [] if args.archivers_only else [
        ("plain", best[("Zelk plain", 2)] / best[("copy floor", 2)], 1.2, "2-thread copy floor")]
    goals += [("zip", best[("Zelk zip", 2)] / best[("read floor", 2)], 1.3, "2-thread read floor"),
             ("lzh", best[("Zelk lzh", 2)] / best[("read floor", 2)], 1.3, "2-thread read floor")]
    for name, ratio, goal, floor in goals:
        print("%-5s 2 threads: %.2f x the %s (goal %.1f x): %s" % (name, ratio, floor, goal,
                                                                 "met" if ratio <= goal else "MISSED"))
    print("archives of 1 and 2 threads byte-identical: zip %s, lzh %s" % (
        "yes" if same["zip"] else "NO", "yes" if same["lzh"] else "NO"))
    print("zip read back (Python zipfile): %d files, %s" % (zipped, "CRCs good" if bad is None else "bad: " + bad))
    ok = all(same.values()) and bad is None and zipped == args.files
    print("result=%s" % ("ok" if ok else "failed"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
