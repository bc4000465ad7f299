#!/usr/bin/env python3
"""The goals of four run features, each measured side by side with the run
it is meant to beat, through copy_bench.exe (one CBackupEngine::RunBackup,
no window) under Wine.

usage: run-bench.py [--scratch /tmp/zelk-features-bench] [--rounds 4]
                    [--sections exclusions,unchanged,verify,sharing,before]
                    [--before-bin DIR] [--big-rounds 3] [--tree-scratch /tmp/zelk-copy-bench]

Sections (the default runs all but "before"):
  exclusions  plain runs over the copy benchmark's tree (10,000 files, 1 GiB)
              with patterns that leave out half of the files by name
              ("f????0.*;...;f????8.*": every even-numbered file) and by folder
              ("d00\\;d01\\;d02\\;d03\\": 4 of the 8 top folders), and with six
              patterns that match nothing, each against the run without
              patterns. Goals: half left out <= 0.6 x, matching nothing <= 1.05 x.
  unchanged   a run with SkipUnchanged that finds nothing changed since the
              previous one (which it times as an ordinary timed run), against a
              full plain run (goal <= 0.15 x) and against a full zip run (goal
              <= 0.05 x); the unchanged zip run is shown too.
  verify      plain run with Verify against without (goal <= 1.6 x); zip with
              Verify against without (goal <= 1.3 x), when the engine reads
              archives back (a zip run with --verify on a one-file tree prints
              verified=1); otherwise it says "not measurable yet" and skips it.
  sharing     on 100 files of 10 MiB: the second run with nothing changed,
              sharing unchanged files on against off (goal <= 0.10 x), and the
              save folder's growth with sharing on (goal <= 1 % of the tree).
  before      plain runs of this build's copy_bench.exe against the one in
              --before-bin (an older build), alternating: the same run before
              and after a change.

Each round runs every variant of the sections once, fresh save folder each
(except the unchanged runs, which keep theirs), in an order reversed every
other round. Per variant: best and median of RunBackup's own time; per goal:
the ratio best/best and the median of the per-round ratios (which cancels
much of the load's drift between rounds). One persistent wineserver serves
every run. copy_bench.exe is taken from ZELK_COPY_BENCH_BIN or built like
bench/copy/run-bench.py builds it; the zip runs need ZIP32J.DLL beside it.
"""
import argparse
import importlib.util
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("copybench", os.path.join(HERE, "..", "copy", "run-bench.py"))
copybench = importlib.util.module_from_spec(spec)
spec.loader.exec_module(copybench)
ROOT = copybench.ROOT

NAME_HALF = ";".join("f????%d.*" % d for d in range(0, 10, 2))
FOLDER_HALF = ";".join("d%02d\\" % d for d in range(4))
NOTHING = "*.tmp;*.bak;~*;Thumbs.db;cache\\;node_modules\\"


def du(path):
    out = subprocess.run(["du", "-s", "-B1", path], check=True, capture_output=True, text=True).stdout
    return int(out.split()[0])


class Runner:
    """Runs copy_bench.exe; output goes to a file, since Wine services a run
    starts could hold a pipe open."""

    def __init__(self, exe, scratch):
        self.exe, self.scratch = exe, scratch

    def run(self, tree, save, work, switches=(), positional=(), exe=None, allowed=("ok",)):
        os.makedirs(work, exist_ok=True)
        with tempfile.TemporaryFile() as report:
            argv = [copybench.WINE_RUN, exe or self.exe] + list(switches) + [copybench.win(tree), copybench.win(save)]
            done = subprocess.run(argv + list(positional), cwd=work, stdout=report, stderr=subprocess.DEVNULL)
            report.seek(0)
            text = report.read().decode("cp932", errors="replace")
        out = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
        out.setdefault("result", "failed" if done.returncode else "ok")  # an older copy_bench says ok/failed only
        if out["result"] not in allowed:
            sys.exit("copy_bench %s failed (%d): %s" % (" ".join(switches), done.returncode, out))
        out["elapsed_s"] = float(out["elapsed_s"])
        return out

    def fresh(self, name):
        """Empty save and work folders of a variant."""
        save = os.path.join(self.scratch, "save-" + name)
        work = os.path.join(self.scratch, "work-" + name)
        copybench.clean(save)
        copybench.clean(work)
        return save, work


class Variant:
    def __init__(self, name, switches=(), positional=(), exe=None, check=None, keep=False, allowed=("ok",)):
        self.name, self.switches, self.positional, self.exe = name, switches, positional, exe
        self.check, self.keep, self.allowed = check, keep, allowed
        self.times, self.outputs = [], []

    def once(self, runner, tree):
        if self.keep:
            save = os.path.join(runner.scratch, "save-" + self.name)
            work = os.path.join(runner.scratch, "work-" + self.name)
        else:
            save, work = runner.fresh(self.name)
        subprocess.run(["sync"], check=True)
        out = runner.run(tree, save, work, self.switches, self.positional, self.exe, self.allowed)
        if self.check:
            self.check(out, save)
        if not self.keep:
            copybench.clean(save)
            copybench.clean(work)
        self.times.append(out["elapsed_s"])
        self.outputs.append(out)
        return out


def expect(result, files=None, files_range=None, verified=None):
    def check(out, save):
        if out["result"] != result:
            sys.exit("expected result=%s: %s" % (result, out))
        n = int(out.get("files", -1))
        if files is not None and n != files:
            sys.exit("expected files=%d: %s" % (files, out))
        if files_range and not files_range[0] <= n <= files_range[1]:
            sys.exit("expected files in %s: %s" % (files_range, out))
        if verified is not None and out.get("verified") != verified:
            sys.exit("expected verified=%s: %s" % (verified, out))
    return check


def archives_verified(runner, scratch):
    """Whether a zip run with Verify reads its archive back, tried on a
    tree of one file."""
    tree = os.path.join(scratch, "probe-tree")
    os.makedirs(tree, exist_ok=True)
    with open(os.path.join(tree, "probe.txt"), "w") as f:
        f.write("probe\n")
    save, work = runner.fresh("probe")
    out = runner.run(tree, save, work, ("--format", "zip", "--verify"))
    copybench.clean(save)
    copybench.clean(work)
    return out.get("verified") == "1"


def rounds_of(variants, runner, tree, rounds, load):
    for r in range(rounds):
        order = variants if r % 2 == 0 else list(reversed(variants))
        load.append(os.getloadavg()[0])
        for v in order:
            out = v.once(runner, tree)
            print("  round %d %-22s %7.2f s  %s files=%s excluded=%s verified=%s" % (
                r + 1, v.name, out["elapsed_s"], out["result"], out.get("files"), out.get("excluded"),
                out.get("verified")), flush=True)


def ratio_line(label, num, den, goal):
    per_round = [a / b for a, b in zip(num.times, den.times)]
    best = min(num.times) / min(den.times)
    med = statistics.median(per_round)
    met = "met" if med <= goal else "MISSED"
    return ("| %s | %.2f / %.2f | %.2f / %.2f | %.3f | %.3f | <= %.2f | %s |"
            % (label, min(num.times), min(den.times), statistics.median(num.times), statistics.median(den.times),
               best, med, goal, met), per_round)


def print_table(title, lines):
    print()
    print("### " + title)
    print("| comparison | best s (this / against) | median s | ratio best/best | median of round ratios "
          "| goal | |")
    print("|---|---|---|---|---|---|---|")
    for line, per_round in lines:
        print(line)
    for line, per_round in lines:
        print("  rounds %s: %s" % (line.split("|")[1].strip(), ", ".join("%.3f" % x for x in per_round)))


def make_big_tree(scratch, files=100, mib=10, seed=3):
    """files of mib MiB each in 10 folders, seeded random bytes."""
    tree = os.path.join(scratch, "big-tree")
    marker = os.path.join(scratch, "big-manifest.txt")
    text = "files %d mib %d seed %d\n" % (files, mib, seed)
    if os.path.isdir(tree) and os.path.exists(marker) and open(marker).read() == text:
        return tree
    copybench.clean(tree)
    rng = random.Random(seed)
    for i in range(files):
        folder = os.path.join(tree, "g%02d" % (i % 10))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "big%03d.bin" % i), "wb") as f:
            f.write(rng.randbytes(mib << 20))
    with open(marker, "w") as f:
        f.write(text)
    return tree


def sharing(runner, scratch, rounds, load):
    """Second run with nothing changed, sharing on and off, on the big tree."""
    tree = make_big_tree(scratch)
    tree_bytes = du(tree)
    times = {False: [], True: []}
    growth = {False: [], True: []}
    for r in range(rounds):
        load.append(os.getloadavg()[0])
        for link in ((False, True) if r % 2 == 0 else (True, False)):
            name = "share-on" if link else "share-off"
            save, work = runner.fresh(name)
            positional = ("5", "1" if link else "0")
            runner.run(tree, save, work, positional=positional)
            first = du(save)
            subprocess.run(["sync"], check=True)
            time.sleep(1.1)  # generations are named by the second
            out = runner.run(tree, save, work, positional=positional)
            growth[link].append(du(save) - first)
            times[link].append(out["elapsed_s"])
            print("  round %d %-9s second run %.2f s, save folder grew %d bytes" % (
                r + 1, name, out["elapsed_s"], growth[link][-1]), flush=True)
            copybench.clean(save)
            copybench.clean(work)
    on, off = Variant("sharing on"), Variant("sharing off")
    on.times, off.times = times[True], times[False]
    lines = [ratio_line("unchanged files, sharing on / off (100 x 10 MiB)", on, off, 0.10)]
    extra = max(growth[True])
    return lines, "save folder growth of the second run with sharing on: %d bytes = %.3f %% of the tree " \
                  "(%d bytes allocated; goal <= 1 %%: %s); off: %.1f %%" % (
                      extra, 100.0 * extra / tree_bytes, tree_bytes, "met" if extra <= tree_bytes / 100 else "MISSED",
                      100.0 * statistics.median(growth[False]) / tree_bytes)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scratch", default="/tmp/zelk-features-bench")
    ap.add_argument("--rounds", type=int, default=4)
    ap.add_argument("--big-rounds", type=int, default=3)
    ap.add_argument("--sections", default="exclusions,unchanged,verify,sharing")
    ap.add_argument("--before-bin", help="folder of an older build's copy_bench.exe (section before)")
    ap.add_argument("--tree-scratch", default="/tmp/zelk-copy-bench", help="where the copy benchmark's tree is")
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--mib", type=int, default=1024)
    args = ap.parse_args()
    sections = set(args.sections.split(","))
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    os.environ.setdefault("ZELK_WINEPREFIX", os.path.join(ROOT, "build", "copybench-wineprefix"))
    # The copy benchmark's tree, shared with it.
    tree, plan = copybench.make_tree(os.path.abspath(args.tree_scratch), args.files, args.mib, 1)
    exe = copybench.build_driver()
    runner = Runner(exe, scratch)
    n = args.files
    full = expect("ok", files=n)

    plain = Variant("plain", check=full)
    variants = []
    if sections & {"exclusions", "verify", "unchanged"}:
        variants.append(plain)
    if "exclusions" in sections:
        by_name = Variant("exclude by name", ("--exclude", NAME_HALF), check=expect("ok", files=n // 2))
        by_folder = Variant("exclude by folder", ("--exclude", FOLDER_HALF),
                            check=expect("ok", files_range=(n * 4 // 10, n * 6 // 10)))
        nothing = Variant("exclude nothing", ("--exclude", NOTHING), check=full)
        variants += [by_name, by_folder, nothing]
    zipped = Variant("zip", ("--format", "zip"), check=full)
    zip_verifies = "verify" in sections and archives_verified(runner, scratch)
    if "unchanged" in sections or zip_verifies:
        variants.append(zipped)
    if "unchanged" in sections:
        same = Variant("unchanged plain", ("--skip-unchanged",), keep=True, check=expect("unchanged"),
                       allowed=("unchanged",))
        same_zip = Variant("unchanged zip", ("--skip-unchanged", "--format", "zip"), keep=True,
                           check=expect("unchanged"), allowed=("unchanged",))
        variants += [same, same_zip]
    if "verify" in sections:
        verified = Variant("plain verify", ("--verify",), check=expect("ok", files=n, verified="1"))
        zip_verified = Variant("zip verify", ("--format", "zip", "--verify"),
                               check=expect("ok", files=n, verified="1"))
        variants += [verified] + ([zip_verified] if zip_verifies else [])
    if "before" in sections:
        if not args.before_bin:
            sys.exit("section before needs --before-bin")
        # An older copy_bench prints no counts: its copy is counted on disk.
        def whole_copy(out, save):
            files, _ = copybench.listing(save)
            if len(files) != n:
                sys.exit("the older build's run holds %d files, not %d" % (len(files), n))
        before = Variant("plain before", exe=os.path.join(args.before_bin, "copy_bench.exe"), check=whole_copy)
        after = Variant("plain after", check=full)
        variants += [before, after]

    source_files, source_folders = copybench.listing(tree)
    print("tree: %s, %d files, %d bytes, %d folders" % (tree, len(source_files), sum(source_files.values()),
                                                        source_folders), flush=True)
    server_env = dict(os.environ, WINEPREFIX=os.environ["ZELK_WINEPREFIX"], WINEDEBUG="-all")
    subprocess.run([copybench.WINE_RUN, "cmd", "/c", "exit"], check=True, cwd=scratch)
    subprocess.run(["wineserver", "-w"], env=server_env)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=server_env)
    load = []
    tables = []
    try:
        if "unchanged" in sections:
            # The previous runs the unchanged ones find: full runs that
            # record the generation's state.
            for v in (same, same_zip):
                save, work = runner.fresh(v.name)
                out = runner.run(tree, save, work, v.switches)
                print("  prepared %-16s %7.2f s  %s files=%s" % (v.name, out["elapsed_s"], out["result"],
                                                                  out.get("files")), flush=True)
        if variants:
            rounds_of(variants, runner, tree, args.rounds, load)
        if "exclusions" in sections:
            tables.append(("Exclusions (plain, %d files)" % n, [
                ratio_line("half left out by name / no patterns", by_name, plain, 0.6),
                ratio_line("half left out by folder / no patterns", by_folder, plain, 0.6),
                ratio_line("patterns matching nothing / no patterns", nothing, plain, 1.05)]))
        if "unchanged" in sections:
            tables.append(("Unchanged runs (%d files)" % n, [
                ratio_line("unchanged plain / full plain", same, plain, 0.15),
                ratio_line("unchanged plain / full zip", same, zipped, 0.05),
                ratio_line("unchanged zip / full zip", same_zip, zipped, 0.05)]))
        if "verify" in sections:
            lines = [ratio_line("plain verify / plain", verified, plain, 1.6)]
            if zip_verifies:
                lines.append(ratio_line("zip verify / zip", zip_verified, zipped, 1.3))
            tables.append(("Verify (%d files)" % n, lines))
        if "before" in sections:
            tables.append(("Plain run before / after (%d files)" % n, [
                ratio_line("after / before", after, before, 1.05)]))
        if "sharing" in sections:
            lines, space = sharing(runner, scratch, args.big_rounds, load)
            tables.append(("Sharing unchanged files (100 x 10 MiB)", lines))
    finally:
        subprocess.run(["wineserver", "-k"], env=server_env)
        server.wait()
        for name in os.listdir(scratch):
            if name.startswith(("save-", "work-")):
                copybench.clean(os.path.join(scratch, name))

    print()
    print("load average (1 min) at the start of each round: %s; now %.2f %.2f %.2f"
          % (", ".join("%.2f" % x for x in load), *os.getloadavg()))
    for title, lines in tables:
        print_table(title, lines)
    if "verify" in sections and not zip_verifies:
        print("zip verify / zip: not measurable yet (this engine does not read archives back: a zip run with "
              "--verify says verified=0)")
    if "sharing" in sections:
        print(space)
    print()
    print("all times: " + "; ".join("%s: %s" % (v.name, ", ".join("%.2f" % t for t in v.times)) for v in variants))


if __name__ == "__main__":
    main()
