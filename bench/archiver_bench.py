"""Shared driver of the zip and lzh benchmarks (bench/zip/run-bench.py,
bench/lzh/run_bench.py): our DLL called the way a backup run calls it, one
call per target into the same archive, in one process under Wine, against
the peer tools on the same corpus, alternating over the rounds.

Targets: the corpus' top folders `text` and `compressed` and the two folders
of `source` (`include`, `generated`), each called with its own parent as the
base folder, as a backup run names its targets. The peer tools archive the
same trees in one run from the corpus folder (appending rewrites their
archives); their entry names carry "source/" in front of those below
`source`, a few bytes an entry, shown as "name bytes" below.

With --compare-bin DIR (an older build's bin folder), our DLL is timed
against that build's DLL instead of the peers, alternating, with the
ratios of this build over that one.
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tree_files(path):
    return [os.path.join(r, f) for r, _, fs in os.walk(path) for f in fs]


def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def make_corpus(corpus, mib):
    if not os.path.isdir(corpus):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make-corpus.py"), corpus, "--mib", str(mib)],
                       check=True)


def targets(corpus):
    """(base folder, name) of each target, in call order."""
    out = []
    for name in ("text", "compressed"):
        if os.path.isdir(os.path.join(corpus, name)):
            out.append((corpus, name))
    source = os.path.join(corpus, "source")
    if os.path.isdir(source):
        out += [(source, n) for n in sorted(os.listdir(source))]
    return out


def peak_rss_of(argv):
    """Runs argv in a fresh Python process and returns (peak RSS MiB of its
    children, wall seconds)."""
    code = ("import resource, subprocess, sys, time\n"
            "t = time.monotonic()\n"
            "r = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL)\n"
            "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, time.monotonic() - t, r.returncode)\n")
    p = subprocess.run([sys.executable, "-c", code] + argv, stdout=subprocess.PIPE, check=True)
    kib, wall, rc = p.stdout.split()
    if rc != b"0":
        sys.exit("failed: %s" % " ".join(argv))
    return int(kib) / 1024.0, float(wall)


class Tool:
    def __init__(self, name, run, path):
        self.name, self.run, self.path = name, run, path
        self.walls, self.cpus = [], []
        self.size = 0

    def once(self):
        if os.path.exists(self.path):
            os.remove(self.path)
        cpu = children_cpu()
        start = time.monotonic()
        self.run()
        self.walls.append(time.monotonic() - start)
        self.cpus.append(children_cpu() - cpu)
        self.size = os.path.getsize(self.path)


def run(fmt, dll_argv, peers, args):
    """fmt: "zip" or "lzh"; dll_argv(archive, work, cores) -> argv of one
    process making every call; peers: [(name, argv(archive), cwd is the corpus)]."""
    corpus = os.path.abspath(args.corpus)
    make_corpus(corpus, args.mib)
    files = tree_files(corpus)
    size = sum(os.path.getsize(f) for f in files)
    mib = size / (1 << 20)
    ts = targets(corpus)
    with tempfile.TemporaryDirectory(prefix="zelk-%s-bench-" % fmt) as work:
        def dll(cores):
            archive = os.path.join(work, "dll%s.%s" % (cores or "", fmt))
            argv = dll_argv(archive, work, ts)
            if cores:
                argv = ["taskset", "-c", cores] + argv
            return Tool("%s DLL%s" % ("ZIP32J" if fmt == "zip" else "UNLHA32",
                                      " (taskset -c %s)" % cores if cores else ""),
                        lambda: subprocess.run(argv, check=True, stdout=subprocess.DEVNULL), archive)

        def peer(name, argv_of, ext):
            archive = os.path.join(work, "%s.%s" % (name.split()[0], ext))
            return Tool(name, lambda: subprocess.run(argv_of(archive), cwd=corpus, check=True,
                                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), archive)

        compare = getattr(args, "compare_bin", None)
        if compare:
            compare = os.path.abspath(compare)
            args.bin = os.path.abspath(args.bin)
            # Our DLL against an older build's, and nothing else: the ratios
            # are this build's time and size over that one's.
            bin_dir = args.bin

            def older_argv(archive, work, ts_):
                return [compare + a[len(bin_dir):] if a.startswith(bin_dir) else a
                        for a in dll_argv(archive, work, ts_)]
            older = os.path.join(work, "older.%s" % fmt)
            tools = [dll(None), Tool("%s DLL of %s" % ("ZIP32J" if fmt == "zip" else "UNLHA32", compare),
                                     lambda: subprocess.run(older_argv(older, work, ts), check=True,
                                                            stdout=subprocess.DEVNULL), older)]
        else:
            tools = [dll(None)] + [peer(n, a, e) for n, a, e in peers]
        if not args.skip_one_core and not compare:
            tools.append(dll("0"))
        # Wine's own start, once warm.
        subprocess.run(dll_argv(os.path.join(work, "warm." + fmt), work, ts[:0]), stdout=subprocess.DEVNULL)
        start = time.monotonic()
        subprocess.run(dll_argv(os.path.join(work, "warm." + fmt), work, ts[:0]), stdout=subprocess.DEVNULL)
        wine_start = time.monotonic() - start
        for r in range(args.rounds):
            order = tools if r % 2 == 0 else list(reversed(tools))
            for t in order:
                t.once()
                print("  round %d: %-34s %7.2f s" % (r + 1, t.name, t.walls[-1]), flush=True)

        load = os.getloadavg()
        print()
        print("corpus: %.1f MiB (%d bytes), %d files; %d targets: %s" % (
            mib, size, len(files), len(ts), ", ".join(n for _, n in ts)))
        print("load average at the end: %.2f %.2f %.2f (2 cores; other jobs share the machine)" % load)
        print("Wine start-up of one process, included in the DLL times: %.2f s" % wine_start)
        ref = tools[1]
        head = "%-34s %8s %8s %8s %8s %7s %14s %8s %9s %9s" % (
            "tool", "best s", "median", "CPU s", "MiB/s", "", "bytes", "ratio", "t/" + ref.name.split()[0],
            "size/" + ref.name.split()[0])
        print(head)
        for t in tools:
            best = min(t.walls)
            med = statistics.median(t.walls)
            cpu = t.cpus[t.walls.index(best)]
            print("%-34s %8.2f %8.2f %8.2f %8.1f %7s %14d %7.2f%% %4.2f/%4.2f %9.4f" % (
                t.name, best, med, cpu, mib / best, "", t.size, 100.0 * t.size / size,
                best / min(ref.walls), med / statistics.median(ref.walls), t.size / ref.size))
        print("(t/%s: best/best and median/median)" % ref.name.split()[0])
        per_round = [a / b for a, b in zip(tools[0].walls, ref.walls)]
        print("%s / %s, round by round: %s; median %.3f" % (tools[0].name, ref.name,
                                                            ", ".join("%.3f" % x for x in per_round),
                                                            statistics.median(per_round)))
        print("all wall times: " + "; ".join("%s: %s" % (t.name, ", ".join("%.2f" % w for w in t.walls))
                                             for t in tools))
        check = args.check(tools[0].path) if args.check else None
        if check is not None:
            print(check)

        if args.memory:
            print()
            big = os.path.join(work, "big")
            os.makedirs(big)
            with open(os.path.join(big, "two-gib.bin"), "wb") as f:
                f.truncate(2 << 30)
            peak, wall = peak_rss_of(dll_argv(os.path.join(work, "big." + fmt), work, [(big, "two-gib.bin")]))
            print("2 GiB sparse file: %.1f s, peak RSS %.1f MiB" % (wall, peak))
            os.remove(os.path.join(big, "two-gib.bin"))
            small = os.path.join(work, "small")
            for i in range(100000):
                d = os.path.join(small, "d%03d" % (i // 1000))
                if i % 1000 == 0:
                    os.makedirs(d)
                with open(os.path.join(d, "f%05d.txt" % i), "w") as f:
                    f.write("file %d of the small-files run\n" % i * (1 + i % 7))
            peak, wall = peak_rss_of(dll_argv(os.path.join(work, "small." + fmt), work, [(work, "small")]))
            print("100,000 small files: %.1f s, peak RSS %.1f MiB" % (wall, peak))
