#!/usr/bin/env python3
"""Plain runs with and without sharing unchanged files (hard links): three
runs each, timed and measured for disk space.

usage: run-bench.py [--scratch /tmp/zelk-links-bench] [--files 10000]
                    [--mib 1024] [--seed 1] [--changed 5]

The tree is the copy benchmark's (bench/copy/run-bench.py: 10,000 files of
4 KiB to 1 MiB, about 1 GiB), generated under SCRATCH/tree. copy_bench.exe is
taken from ZELK_COPY_BENCH_BIN or built like the copy benchmark builds it.

For each setting (off, then on), in a fresh save folder keeping five
generations (nothing is pruned):
  1. first run (every file copied);
  2. second run, nothing changed;
  3. third run after CHANGED % of the files were rewritten (same size, new
     bytes, new time).
Each run is one copy_bench.exe process; the figure is RunBackup's own time.
Space is `du -s -B1` of the save folder (allocated blocks, each hard-linked
file counted once). Every generation is checked against the tree (paths,
sizes, bytes of every 25th file). The changed files are restored after each
setting, so both start from the same tree.
"""
import argparse
import importlib.util
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("copybench", os.path.join(HERE, "..", "copy", "run-bench.py"))
copybench = importlib.util.module_from_spec(spec)
spec.loader.exec_module(copybench)
ROOT = copybench.ROOT
KEEP = 5


def du(path):
    out = subprocess.run(["du", "-s", "-B1", path], check=True, capture_output=True, text=True).stdout
    return int(out.split()[0])


def run_once(exe, tree, save, work, link):
    # Output goes to a file, not a pipe: the Wine services a run starts inherit
    # its handles and would keep a pipe open long after the run has ended.
    with tempfile.TemporaryFile() as report:
        done = subprocess.run([copybench.WINE_RUN, exe, copybench.win(tree), copybench.win(save), str(KEEP),
                               "1" if link else "0"], cwd=work, stdout=report, stderr=subprocess.DEVNULL)
        report.seek(0)
        text = report.read().decode("cp932")
    out = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
    if done.returncode != 0 or out.get("result") != "ok":
        sys.exit("copy_bench.exe failed (%d): %s" % (done.returncode, out))
    return float(out["elapsed_s"])


def link_floor(exe, tree, scratch):
    """Seconds link_floor.exe takes to recreate the tree's folders and link
    every file (the best of two), split into listing, folders and links."""
    floor_exe = os.path.join(os.path.dirname(exe), "link_floor.exe")
    if not os.path.exists(floor_exe):
        subprocess.run(["cmake", "--build", os.path.dirname(os.path.dirname(exe)), "--target", "link_floor"],
                       check=True, stdout=subprocess.DEVNULL)
    best = None
    for _ in range(2):
        dest = os.path.join(scratch, "floor")
        copybench.clean(dest)
        with tempfile.TemporaryFile() as report:
            done = subprocess.run([copybench.WINE_RUN, floor_exe, copybench.win(tree), copybench.win(dest)],
                                  cwd=scratch, stdout=report, stderr=subprocess.DEVNULL)
            report.seek(0)
            out = dict(line.split("=", 1) for line in report.read().decode().splitlines() if "=" in line)
        copybench.clean(dest)
        if done.returncode != 0:
            sys.exit("link_floor.exe failed (%d): %s" % (done.returncode, out))
        split = tuple(float(out[k]) for k in ("list_s", "folders_s", "links_s"))
        if best is None or sum(split) < sum(best):
            best = split
    return best


def newest_generation(save, tree):
    names = sorted(n for n in os.listdir(save) if not n.startswith("~"))
    return os.path.join(save, names[-1], os.path.basename(tree))


def change_files(tree, plan, percent, seed):
    """Rewrites percent % of the files with new bytes of the same size;
    returns what is needed to put them back."""
    rng = random.Random(seed)
    chosen = rng.sample([rel for rel, _, _ in plan], len(plan) * percent // 100)
    saved = []
    for rel in chosen:
        path = os.path.join(tree, rel)
        with open(path, "rb") as f:
            data = f.read()
        st = os.stat(path)
        saved.append((path, data, st.st_atime_ns, st.st_mtime_ns))
        with open(path, "wb") as f:
            f.write(bytes(b ^ 0x5A for b in data[:64]) + data[64:])
    return saved


def restore(saved):
    for path, data, atime, mtime in saved:
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, ns=(atime, mtime))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scratch", default="/tmp/zelk-links-bench")
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--mib", type=int, default=1024)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--changed", type=int, default=5)
    args = ap.parse_args()
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    os.environ.setdefault("ZELK_WINEPREFIX", os.path.join(ROOT, "build", "copybench-wineprefix"))

    tree, plan = copybench.make_tree(scratch, args.files, args.mib, args.seed)
    exe = copybench.build_driver()
    source_files, source_folders = copybench.listing(tree)
    tree_bytes = du(tree)
    print("source: %d files, %d bytes, %d folders, %d bytes allocated"
          % (len(source_files), sum(source_files.values()), source_folders, tree_bytes), flush=True)

    server_env = dict(os.environ, WINEPREFIX=os.environ["ZELK_WINEPREFIX"], WINEDEBUG="-all")
    subprocess.run([copybench.WINE_RUN, "cmd", "/c", "exit"], check=True, cwd=scratch)
    subprocess.run(["wineserver", "-w"], env=server_env)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=server_env)
    results = {}
    try:
        for link in (False, True):
            save = os.path.join(scratch, "save")
            work = os.path.join(scratch, "work")
            copybench.clean(save)
            copybench.clean(work)
            os.makedirs(work)
            times, spaces = [], []
            saved = []
            for step in range(3):
                if step == 2:
                    saved = change_files(tree, plan, args.changed, args.seed + 17)
                    source_files, source_folders = copybench.listing(tree)
                subprocess.run(["sync"], check=True)
                time.sleep(1.1)  # generations are named by the second
                times.append(run_once(exe, tree, save, work, link))
                spaces.append(du(save))
                copybench.check_copy(source_files, source_folders, tree, newest_generation(save, tree))
                print("%s run %d: %.2f s, save folder %d bytes allocated"
                      % ("on " if link else "off", step + 1, times[-1], spaces[-1]), flush=True)
            restore(saved)
            results[link] = (times, spaces)
            copybench.clean(save)
            copybench.clean(work)
        floor = link_floor(exe, tree, scratch)
    finally:
        subprocess.run(["wineserver", "-k"], env=server_env)
        server.wait()

    print()
    print("| run | off s | on s | on/off | off space MiB | on space MiB |")
    print("|---|---|---|---|---|---|")
    labels = ("1 first", "2 unchanged", "3 %d %% changed" % args.changed)
    for i, label in enumerate(labels):
        off_t, on_t = results[False][0][i], results[True][0][i]
        print("| %s | %.2f | %.2f | %.3f | %.1f | %.1f |" % (label, off_t, on_t, on_t / off_t,
                                                              results[False][1][i] / 2**20,
                                                              results[True][1][i] / 2**20))
    listing, folders, links = floor
    print("floor (link_floor.exe, best of 2): list %.2f s + folders %.2f s + links %.2f s = %.2f s, "
          "%.3f x the unchanged run with the option off"
          % (listing, folders, links, listing + folders + links,
             (listing + folders + links) / results[False][0][1]))
    extra = results[True][1][1] - results[True][1][0]
    print("extra space of the unchanged run with links: %d bytes = %.2f %% of the tree (%d bytes allocated)"
          % (extra, 100.0 * extra / tree_bytes, tree_bytes))


if __name__ == "__main__":
    main()
