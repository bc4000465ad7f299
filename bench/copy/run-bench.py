#!/usr/bin/env python3
"""Times one plain-copy backup run of Zelk (copy_bench.exe) against
`xcopy /E /I /H /K /Y` of the same tree, both under Wine in the same prefix,
and prints files/s, MB/s and their ratio.

usage: run-bench.py [--scratch /tmp/zelk-copy-bench] [--rounds 4]
                    [--files 10000] [--mib 1024] [--seed 1]

The tree (10,000 files of 4 KiB to 1 MiB, about 1 GiB, in 392 folders) is
generated under SCRATCH/tree and reused while its manifest matches.
copy_bench.exe is built into build/copybench-windows (configured like
scripts/build.sh windows), or taken from ZELK_COPY_BENCH_BIN (a folder holding
copy_bench.exe, e.g. build/windows/bin, built with
`cmake --build build/windows --target copy_bench`).
ZELK_WINEPREFIX selects the Wine prefix, default build/copybench-wineprefix.

Each round runs both tools once, alternating which goes first (use an even
number of rounds); every copy is moved out of the way and the disk synced
after its check, and deleted at the end (see bench/scratch_trash.py: a run
right after mass deletions measures the file system, not the tool). The page cache
cannot be dropped here: the source tree is read from memory in every run.
The figures are the best wall time of each tool; the median is printed too.
Every copy is checked: same relative paths, same sizes, and the bytes of
every 25th file.
"""
import argparse
import filecmp
import hashlib
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import scratch_trash  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")
GENERATOR_VERSION = 1
MIN_SIZE = 4 * 1024
MAX_SIZE = 1024 * 1024
# Folders: 8 top-level, 8 below each, 5 below each of those.
FANOUT = (8, 8, 5)


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def folder_list():
    folders = []
    for a in range(FANOUT[0]):
        top = "d%02d" % a
        folders.append(top)
        for b in range(FANOUT[1]):
            mid = os.path.join(top, "s%02d" % b)
            folders.append(mid)
            for c in range(FANOUT[2]):
                folders.append(os.path.join(mid, "t%02d" % c))
    return folders


def plan_tree(files, mib, seed):
    """(relative path, size, content offset) of every file. Sizes are spread
    over 4 KiB .. 1 MiB on a log scale, weighted to the small end
    (4 KiB * 256^(u^2), median about 16 KiB), then scaled so that the total is
    about mib MiB."""
    rng = random.Random(seed)
    folders = folder_list()
    raw = [MIN_SIZE * (MAX_SIZE / MIN_SIZE) ** (rng.random() ** 2) for _ in range(files)]
    scale = mib * 1024 * 1024 / sum(raw)
    plan = []
    for i, r in enumerate(raw):
        size = max(MIN_SIZE, min(MAX_SIZE, int(r * scale)))
        folder = folders[rng.randrange(len(folders))]
        name = "f%05d.%s" % (i, rng.choice(("dat", "txt", "bin", "log", "jpg")))
        plan.append((os.path.join(folder, name), size, rng.randrange(MAX_SIZE)))
    return folders, plan


def manifest_text(files, mib, seed, plan):
    digest = hashlib.sha256(repr(plan).encode()).hexdigest()
    total = sum(size for _, size, _ in plan)
    return "generator %d\nfiles %d\nmib %d\nseed %d\nbytes %d\nplan %s\n" % (
        GENERATOR_VERSION, files, mib, seed, total, digest)


def make_tree(scratch, files, mib, seed):
    tree = os.path.join(scratch, "tree")
    manifest = os.path.join(scratch, "manifest.txt")
    folders, plan = plan_tree(files, mib, seed)
    text = manifest_text(files, mib, seed, plan)
    if os.path.isdir(tree) and os.path.exists(manifest) and open(manifest).read() == text:
        print("tree: reusing %s" % tree)
        return tree, plan
    print("tree: generating %d files in %s" % (files, tree), flush=True)
    if os.path.exists(manifest):
        os.remove(manifest)
    shutil.rmtree(tree, ignore_errors=True)
    # Contents are windows of one seeded 2 MiB pool, each file starting at
    # its own offset and led by its own name, so no two files are equal.
    pool = random.Random(seed * 7919 + 1).randbytes(2 * MAX_SIZE)
    for folder in folders:
        os.makedirs(os.path.join(tree, folder))
    for rel, size, offset in plan:
        head = rel.encode() + b"\n"
        with open(os.path.join(tree, rel), "wb") as f:
            f.write((head + pool[offset:offset + size])[:size])
    with open(manifest, "w") as f:
        f.write(text)
    return tree, plan


def build_driver():
    given = os.environ.get("ZELK_COPY_BENCH_BIN")
    if given:
        exe = os.path.join(given, "copy_bench.exe")
        if not os.path.exists(exe):
            sys.exit("%s not found (build it with --target copy_bench)" % exe)
        return exe
    build = os.path.join(ROOT, "build", "copybench-windows")
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "toolchain-mingw64.cmake"),
                        "-DZELK_WERROR=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "--target", "copy_bench", "-j2"], check=True)
    return os.path.join(build, "bin", "copy_bench.exe")


def listing(tree):
    """Relative path -> size of every file under tree; folder count."""
    files = {}
    folders = 0
    for top, dirs, names in os.walk(tree):
        folders += len(dirs)
        for n in names:
            p = os.path.join(top, n)
            files[os.path.relpath(p, tree)] = os.path.getsize(p)
    return files, folders


def check_copy(source_files, source_folders, tree, copy):
    files, folders = listing(copy)
    if files != source_files or folders != source_folders:
        missing = len(set(source_files) - set(files))
        sys.exit("incomplete copy in %s: %d files (%d missing), %d bytes, %d folders; source %d files, "
                 "%d bytes, %d folders" % (copy, len(files), missing, sum(files.values()), folders,
                                           len(source_files), sum(source_files.values()), source_folders))
    for rel in sorted(source_files)[::25]:
        if not filecmp.cmp(os.path.join(tree, rel), os.path.join(copy, rel), shallow=False):
            sys.exit("contents differ: %s" % rel)
    return len(files), sum(files.values())


def clean(path):
    scratch_trash.discard(path)
    subprocess.run(["sync"], check=True)


def run_zelk(exe, tree, scratch):
    """Wall seconds, in-process seconds, path of the copied tree."""
    work = os.path.join(scratch, "zelk-work")
    save = os.path.join(scratch, "zelk-save")
    clean(work)
    clean(save)
    os.makedirs(work)
    start = time.monotonic()
    done = subprocess.run([WINE_RUN, exe, win(tree), win(save)], cwd=work, capture_output=True)
    wall = time.monotonic() - start
    out = dict(line.split("=", 1) for line in done.stdout.decode("cp932").splitlines() if "=" in line)
    if done.returncode != 0 or out.get("result") != "ok":
        sys.exit("copy_bench.exe failed (%d): %s %s" % (done.returncode, out, done.stderr.decode(errors="replace")))
    generations = os.listdir(save)
    if len(generations) != 1:
        sys.exit("expected one generation in %s, found %s" % (save, generations))
    return wall, float(out["elapsed_s"]), os.path.join(save, generations[0], os.path.basename(tree))


def run_xcopy(tree, scratch):
    dst = os.path.join(scratch, "xcopy-dst")
    clean(dst)
    start = time.monotonic()
    done = subprocess.run([WINE_RUN, "cmd", "/c", "xcopy", "/E", "/I", "/H", "/K", "/Y", win(tree), win(dst)],
                          capture_output=True)
    wall = time.monotonic() - start
    if done.returncode != 0:
        sys.exit("xcopy failed (%d): %s" % (done.returncode, done.stdout.decode("cp932", errors="replace")[-500:]))
    return wall, dst


def wine_start(scratch):
    start = time.monotonic()
    subprocess.run([WINE_RUN, "cmd", "/c", "exit"], check=True, cwd=scratch)
    return time.monotonic() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scratch", default="/tmp/zelk-copy-bench")
    ap.add_argument("--rounds", type=int, default=4)
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--mib", type=int, default=1024)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    os.environ.setdefault("ZELK_WINEPREFIX", os.path.join(ROOT, "build", "copybench-wineprefix"))

    tree, plan = make_tree(scratch, args.files, args.mib, args.seed)
    exe = build_driver()
    source_files, source_folders = listing(tree)
    total_bytes = sum(source_files.values())
    count = len(source_files)
    print("source: %d files, %d bytes (%.1f MiB), %d folders" % (count, total_bytes, total_bytes / 2**20,
                                                                  source_folders))

    # One persistent wineserver for the whole run, so that no run pays for
    # starting it; both tools start one Wine process per run.
    server_env = dict(os.environ, WINEPREFIX=os.environ["ZELK_WINEPREFIX"], WINEDEBUG="-all")
    subprocess.run([WINE_RUN, "cmd", "/c", "exit"], check=True, cwd=scratch)
    subprocess.run(["wineserver", "-w"], env=server_env)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=server_env)
    try:
        startup = min(wine_start(scratch) for _ in range(3))
        zelk, zelk_inner, xcopy = [], [], []
        for r in range(args.rounds):
            order = ("zelk", "xcopy") if r % 2 == 0 else ("xcopy", "zelk")
            for tool in order:
                if tool == "zelk":
                    wall, inner, copy = run_zelk(exe, tree, scratch)
                    zelk.append(wall)
                    zelk_inner.append(inner)
                    n, b = check_copy(source_files, source_folders, tree, copy)
                    clean(os.path.join(scratch, "zelk-save"))
                    print("round %d zelk : wall %.2f s (in process %.2f s), %d files, %d bytes"
                          % (r + 1, wall, inner, n, b), flush=True)
                else:
                    wall, copy = run_xcopy(tree, scratch)
                    xcopy.append(wall)
                    n, b = check_copy(source_files, source_folders, tree, copy)
                    clean(copy)
                    print("round %d xcopy: wall %.2f s, %d files, %d bytes" % (r + 1, wall, n, b), flush=True)
    finally:
        subprocess.run(["wineserver", "-k"], env=server_env)
        server.wait()
        for leftover in ("zelk-work", "zelk-save", "xcopy-dst"):
            scratch_trash.discard(os.path.join(scratch, leftover))

    mb = total_bytes / 1e6
    print()
    print("Wine start (cmd /c exit, best of 3): %.2f s" % startup)
    print("| | best wall s | median wall s | files/s | MB/s |")
    print("|---|---|---|---|---|")
    for name, times in (("Zelk copy_bench.exe", zelk), ("xcopy /E /I /H /K /Y", xcopy)):
        best = min(times)
        print("| %s | %.2f | %.2f | %.0f | %.1f |" % (name, best, statistics.median(times), count / best, mb / best))
    print("Zelk in-process (RunBackup only): best %.2f s, median %.2f s"
          % (min(zelk_inner), statistics.median(zelk_inner)))
    print("all rounds: zelk %s; xcopy %s" % (["%.2f" % t for t in zelk], ["%.2f" % t for t in xcopy]))
    print("time Zelk / xcopy (best): %.3f; (median): %.3f"
          % (min(zelk) / min(xcopy), statistics.median(zelk) / statistics.median(xcopy)))


if __name__ == "__main__":
    main()
