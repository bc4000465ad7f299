#!/usr/bin/env python3
"""UNLHA32.DLL under Wine, its archives read by lhasa.

Trees are prepared on the Linux side (Wine maps / as Z:), the library is
called through unlhacall.exe with command lines in Shift-JIS, and every
archive is listed, tested and extracted by lhasa: entries byte-identical,
names, folders and times as expected. Entry headers are also read here
directly (level, OS id, attributes, end mark), independently of the
library's own reader.
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

FAILURES = []
LEFT_OUT = 0x8006  # the archive is complete, some sources were left out


def check(cond, what):
    if not cond:
        FAILURES.append(what)
        print("FAIL:", what)
    return cond


def win(path):
    return "Z:" + path.replace("/", "\\")


class Env:
    def __init__(self, args, root):
        self.args = args
        self.root = root
        self.calls = 0

    def unlha(self, line, bufsize=None, prefix=()):
        """Calls Unlha with line (a str, sent as Shift-JIS; several lines make
        several calls in one process); returns (result, message).
        prefix: a command that runs unlhacall (taskset)."""
        self.calls += 1
        cmdfile = os.path.join(self.root, "cmd%d.txt" % self.calls)
        with open(cmdfile, "wb") as f:
            f.write(line.encode("cp932"))
        argv = list(prefix) + [self.args.wine_run, os.path.join(self.args.bin, "unlhacall.exe"), win(cmdfile)]
        if bufsize is not None:
            argv.append(str(bufsize))
        p = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        out = p.stdout.decode("cp932", "replace").replace("\r\n", "\n")
        lines = out.split("\n", 1)
        if not lines[0].startswith("result "):
            check(False, "unlhacall did not run: %r" % out)
            return None, out
        return int(lines[0].split()[1]), (lines[1] if len(lines) > 1 else "").strip()

    def lhasa(self, *args):
        p = subprocess.run([self.args.lhasa] + list(args), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=120)
        return p.returncode, p.stdout

    def listing(self, archive):
        """(method, name) pairs from `lhasa v`; names as lhasa prints them."""
        rc, out = self.lhasa("v", archive)
        check(rc == 0, "lhasa v %s exits 0" % archive)
        entries = []
        for line in out.split(b"\n"):
            if line.startswith(b"["):
                cols = line.split(None, 9)
                entries.append((cols[4].decode(), cols[9].decode("latin-1")))
        return entries

    def tested(self, archive):
        rc, out = self.lhasa("t", archive)
        return rc == 0 and b"CRC error" not in out

    def extract(self, archive):
        """Extracts with lhasa into a fresh folder; returns {relative path bytes: content or None for folders}."""
        dest = tempfile.mkdtemp(dir=self.root, prefix="x")
        rc, out = self.lhasa("xfw=" + dest, archive)
        check(rc == 0, "lhasa x %s exits 0: %r" % (archive, out[-300:]))
        found = {}
        base = dest.encode()
        for dirpath, dirnames, filenames in os.walk(base):
            for d in dirnames:
                found[os.path.relpath(os.path.join(dirpath, d), base)] = None
            for n in filenames:
                full = os.path.join(dirpath, n)
                with open(full, "rb") as f:
                    found[os.path.relpath(full, base)] = f.read()
        return dest, found


def read_headers(archive):
    """Level-2 headers read directly: list of dicts; raises on anything unexpected."""
    with open(archive, "rb") as f:
        data = f.read()
    pos = 0
    entries = []
    while True:
        if data[pos] == 0:
            return entries, pos, len(data)
        size = struct.unpack_from("<H", data, pos)[0]
        method = data[pos + 2:pos + 7].decode()
        packed, original, mtime = struct.unpack_from("<III", data, pos + 7)
        level, os_id = data[pos + 20], chr(data[pos + 23])
        e = {"method": method, "packed": packed, "original": original, "mtime": mtime, "level": level,
             "os": os_id, "name": b"", "dir": b"", "attr": None, "header_size": size}
        ext = pos + 24
        next_size = struct.unpack_from("<H", data, ext)[0]
        ext += 2
        while next_size:
            kind = data[ext]
            body = data[ext + 1:ext + next_size - 2]
            if kind == 0x01:
                e["name"] = body
            elif kind == 0x02:
                e["dir"] = body
            elif kind == 0x40:
                e["attr"] = struct.unpack("<H", body)[0]
            elif kind == 0x44:
                e["uname"] = body.decode("utf-16-le")
            elif kind == 0x45:
                e["udir"] = body.decode("utf-16-le")
            ext += next_size
            next_size = struct.unpack_from("<H", data, ext - 2)[0]
        e["path"] = (e["dir"].replace(b"\xff", b"/") + e["name"]).rstrip(b"/")
        if "uname" in e or "udir" in e:
            e["upath"] = (e.get("udir", "").replace("\\", "/") + e.get("uname", "")).rstrip("/")
        entries.append(e)
        pos += size + packed


def make_file(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)


def text_bytes(n, seed):
    rng = random.Random(seed)
    words = ["backup", "archive", "generation", "folder", "the", "of", "target", "history", "\r\n"]
    out = []
    size = 0
    while size < n:
        w = rng.choice(words) + " "
        out.append(w)
        size += len(w)
    return "".join(out).encode()[:n]


def line(archive, base, *names):
    quoted = " ".join('"%s"' % n for n in names)
    return 'a -a1 -d1 -n1 -r2x1 "%s" "%s" %s' % (win(archive), win(base), quoted)


def case_file_and_tree(env):
    src = os.path.join(env.root, "src")
    report = text_bytes(300000, 1)
    make_file(os.path.join(src, "Report.doc"), report)
    os.utime(os.path.join(src, "Report.doc"), (1058277909, 1058277909))  # 2003-07-15 14:05:09 UTC
    tree = {
        "Data/sub/a.txt": text_bytes(5000, 2),
        "Data/.hidden": b"hidden by its dot under Wine",
        "Data/zero": b"",
        "Data/\u8868\u793a\u30c6\u30b9\u30c8.txt": "\u65e5\u672c\u8a9e".encode("utf-8") * 300,
        "Data/\u30d5\u30a9\u30eb\u30c0/\u30bd\u30d5\u30c8.bin": bytes(range(256)) * 64,
        "Data/random.bin": random.Random(3).randbytes(200000),
        "Data/mib.bin": text_bytes(1 << 20, 4) + b"x",
    }
    for rel, content in tree.items():
        make_file(os.path.join(src, rel), content)
    os.makedirs(os.path.join(src, "Data/empty"))
    archive = os.path.join(env.root, "03.07.15.14.05.09.lzh")
    rc, msg = env.unlha(line(archive, src, "Report.doc"))
    check(rc == 0, "file target: result 0 (%s)" % msg)
    rc, msg = env.unlha(line(archive, src, "Data"))
    check(rc == 0, "folder target: result 0 (%s)" % msg)

    listed = env.listing(archive)
    methods = dict((name, method) for method, name in listed)
    check(methods.get("Report.doc") == "-lh5-", "Report.doc compressed with -lh5-: %r" % listed)
    check(methods.get("Data/random.bin") == "-lh0-", "incompressible file stored with -lh0-")
    check(methods.get("Data/zero") == "-lh0-", "empty file stored with -lh0-")
    check(methods.get("Data/mib.bin") == "-lh5-", "1 MiB text compressed")
    for folder in ("Data/", "Data/empty/", "Data/sub/"):
        check(methods.get(folder) == "-lhd-", "folder entry %s listed as -lhd-" % folder)
    check(len(listed) == 12, "twelve entries listed: %r" % listed)
    check(env.tested(archive), "lhasa t passes")

    dest, found = env.extract(archive)
    check(found.get(b"Report.doc") == report, "Report.doc extracted byte-identical")
    for rel, content in tree.items():
        # lhasa keeps the stored Shift-JIS bytes of names as they are.
        key = rel.encode("cp932")
        check(found.get(key) == content, "%s extracted byte-identical under its Shift-JIS name" % rel)
    check(b"Data/empty" in found and found[b"Data/empty"] is None, "empty folder extracted")
    check(os.stat(os.path.join(dest, "Report.doc")).st_mtime == 1058277909, "Report.doc keeps its time")

    headers, end, size = read_headers(archive)
    check(end == size - 1, "one end-of-archive byte after the last entry")
    check(all(h["level"] == 2 and h["os"] == "W" for h in headers), "level-2 headers with OS id W")
    attrs = dict((h["path"], h["attr"]) for h in headers)
    check(attrs.get(b"Data") is not None and attrs[b"Data"] & 0x10, "folder entry has the directory attribute")
    check(attrs.get(b"Data/.hidden") is not None and attrs[b"Data/.hidden"] & 0x02, "hidden file keeps its attribute")
    japanese_dir = "Data/\u30d5\u30a9\u30eb\u30c0".encode("cp932")
    check(any(h["dir"] == japanese_dir.replace(b"/", b"\xff") + b"\xff" for h in headers),
          "Japanese folder name in the directory header with 0xFF separators")
    return archive, src


def case_same_name_twice(env, archive, src):
    rc, msg = env.unlha(line(archive, src, "Report.doc"))
    check(rc == 0, "same file again: result 0 (%s)" % msg)
    rc, msg = env.unlha(line(archive, src, "Data"))
    check(rc == 0, "same folder again: result 0 (%s)" % msg)
    names = [name for _, name in env.listing(archive)]
    check("Report(2).doc" in names, "second Report.doc stored as Report(2).doc")
    check("Data(2)/" in names and "Data(2)/sub/a.txt" in names and "Data(2)/empty/" in names,
          "second Data tree stored under Data(2): %r" % names)
    check(names.count("Report.doc") == 1 and names.count("Data/sub/a.txt") == 1, "first copies kept once")
    check(env.tested(archive), "lhasa t passes after appending")
    _, found = env.extract(archive)
    check(found.get(b"Data(2)/sub/a.txt") == found.get(b"Data/sub/a.txt") is not None, "both copies extracted")


def case_refusals(env):
    src = os.path.join(env.root, "refuse")
    make_file(os.path.join(src, "a.txt"), b"a" * 100)
    # Not an LZH archive: untouched, refused.
    notlzh = os.path.join(env.root, "notes.lzh")
    original = b"These are my notes, not an archive.\r\n" * 50
    make_file(notlzh, original)
    rc, msg = env.unlha(line(notlzh, src, "a.txt"))
    check(rc not in (0, None), "a text file at the archive path is refused")
    check("not an LZH archive" in msg, "refusal says why: %r" % msg)
    with open(notlzh, "rb") as f:
        check(f.read() == original, "the text file is left as it was")
    # Malformed command lines: a reason, no archive.
    archive = os.path.join(env.root, "never.lzh")
    bad = [
        ('x -a1 "%s" "%s" "a.txt"' % (win(archive), win(src)), "Unsupported command"),
        ('a -a1 -z1 "%s" "%s" "a.txt"' % (win(archive), win(src)), "Unknown switch -z"),
        ('a -a1 -d1 "%s" "%s"' % (win(archive), win(src)), "Usage"),
        ('a -a1 "%s" "%s" "a.txt' % (win(archive), win(src)), "quote"),
        ('a -r9 "%s" "%s" "a.txt"' % (win(archive), win(src)), "Unsupported switch -r9"),
        ('a "%s" "%s" "..\\a.txt"' % (win(archive), win(src)), "not below the base"),
        ("", "Empty command line"),
    ]
    for cmdline, expected in bad:
        rc, msg = env.unlha(cmdline)
        check(rc not in (0, None) and expected in msg, "refused %r with %r: got %r %r" % (cmdline, expected, rc, msg))
    check(not os.path.exists(archive), "no archive made by refused command lines")
    # A missing target in a new archive leaves no file behind.
    rc, msg = env.unlha(line(archive, src, "missing.txt"))
    check(rc == LEFT_OUT and msg.startswith("Left out: 1") and "missing.txt\t" in msg,
          "missing target left out and reported: %r %r" % (rc, msg))
    check(not os.path.exists(archive), "no archive left for a run that added nothing")
    # A tiny output buffer is never overrun (the driver would crash or garble).
    rc, msg = env.unlha('a -z "%s" "%s" "a.txt"' % (win(archive), win(src)), bufsize=8)
    check(rc not in (0, None) and len(msg.encode("cp932")) <= 7, "message cut to the buffer: %r" % msg)


def case_failure_keeps_earlier_entries(env):
    src = os.path.join(env.root, "fail")
    first = text_bytes(40000, 9)
    make_file(os.path.join(src, "first.txt"), first)
    archive = os.path.join(env.root, "fail.lzh")
    rc, msg = env.unlha(line(archive, src, "first.txt", "second-missing.txt"))
    check(rc == LEFT_OUT and "second-missing.txt\t" in msg, "missing second target reported: %r" % msg)
    check([n for _, n in env.listing(archive)] == ["first.txt"], "archive holds the first target")
    check(env.tested(archive), "archive after the failure passes lhasa t")
    # Larger than a level-2 header can describe: left out, archive intact.
    huge = os.path.join(src, "huge.bin")
    with open(huge, "wb") as f:
        f.truncate((1 << 32) + 1)
    rc, msg = env.unlha(line(archive, src, "huge.bin"))
    check(rc == LEFT_OUT and "huge.bin\t" in msg and "too large" in msg, "4 GiB file left out: %r" % msg)
    os.remove(huge)
    _, found = env.extract(archive)
    check(found == {b"first.txt": first}, "archive still holds exactly the first target")
    headers, end, size = read_headers(archive)
    check(end == size - 1, "archive ends with its end mark after the failures")


# Names outside Shift-JIS (Korean, an emoji as a surrogate pair, accented
# Latin, Ukrainian Cyrillic, CJK that CP932 lacks) beside Shift-JIS names,
# Russian Cyrillic and names with a 0x5C trail byte.
FOREIGN_TREE = {
    "한글.txt": b"korean", "😀.txt": b"emoji", "café.txt": b"accent", "Привет.txt": b"russian",
    "Привіт.txt": b"ukrainian", "这个.txt": b"chinese one", "那个.txt": b"chinese two",
    "𠮷野家.txt": b"outside the BMP", "表.txt": b"sjis 0x5c", "ソース.txt": b"sjis 0x5c too",
    "能力.txt": b"sjis 0x5c three", "한국/😀폴더/café/깊은.txt": b"deep foreign",
    "表示/ソ/내용.txt": b"foreign under sjis", "__.txt": b"a real name like a stand-in",
}
FOREIGN_EMPTY = ["빈폴더", "表示/Пусто"]


def exact_path(h):
    return h.get("upath", h["path"].decode("cp932"))


def case_foreign_names(env):
    src = os.path.join(env.root, "foreign")
    data = os.path.join(src, "Data")
    for rel, content in FOREIGN_TREE.items():
        make_file(os.path.join(data, rel), content)
    for rel in FOREIGN_EMPTY:
        os.makedirs(os.path.join(data, rel))
    deep = os.path.join(data, *["한" * 40 + str(i) for i in range(8)])
    make_file(os.path.join(deep, "끝.txt"), b"more than 260 characters down")
    files = {os.path.relpath(os.path.join(b, f), src): open(os.path.join(b, f), "rb").read()
             for b, _, fs in os.walk(data) for f in fs}
    folders = {os.path.relpath(os.path.join(b, d), src) for b, ds, _ in os.walk(data) for d in ds} | {"Data"}
    archive = os.path.join(env.root, "foreign.lzh")
    for run in (1, 2):
        rc, msg = env.unlha(line(archive, src, "Data"))
        check(rc == 0, "foreign names, run %d: result 0 (%s)" % (run, msg))
    check(env.tested(archive), "lhasa t passes on foreign names")

    headers, end, size = read_headers(archive)
    raw = [h["path"] for h in headers]
    check(len(raw) == len(set(p.lower() for p in raw)), "every Shift-JIS name unique in the archive")
    exact = {exact_path(h): h for h in headers}
    want = {}
    for copy in ("Data", "Data(2)"):
        for rel, content in files.items():
            want[copy + rel[4:]] = content
        for rel in folders:
            want[copy + rel[4:]] = None
    check(set(exact) == set(want), "exact names of both copies: %r" % sorted(set(exact) ^ set(want))[:6])
    for h in headers:
        name = exact_path(h)
        try:
            plain = name.encode("cp932") == h["path"]
        except UnicodeEncodeError:
            plain = False
        check(plain == ("upath" not in h), "Unicode headers exactly where the Shift-JIS name stands in: %r" % name)
    check(max(len(p) for p in exact) > 260, "a path of more than 260 characters")

    _, found = env.extract(archive)
    for path, h in exact.items():
        check(h["path"] in found and found[h["path"]] == want.get(path),
              "lhasa extracts %r under %r with its own content" % (path, h["path"]))
    check(len(found) == len(headers), "lhasa extracts as many files and folders as there are entries")


def case_save_folder_inside_target(env):
    target = os.path.join(env.root, "within", "Target")
    make_file(os.path.join(target, "doc.txt"), text_bytes(20000, 5))
    make_file(os.path.join(target, "save", "user-file.txt"), b"kept out")
    link = os.path.join(env.root, "link")
    os.symlink(target, link)
    sizes = []
    for run in range(3):
        archive = os.path.join(link, "save", "~ZelkStaging.%d.lzh" % run)
        rc, msg = env.unlha(line(archive, os.path.dirname(target), "Target"))
        check(rc == 0, "save folder inside the target, run %d: %s" % (run, msg))
        check([n for _, n in env.listing(archive)] == ["Target/", "Target/doc.txt"],
              "the save folder stays out of the archive: %r" % env.listing(archive))
        sizes.append(os.path.getsize(archive))
    check(len(set(sizes)) == 1, "archive sizes stay flat: %r" % sizes)
    os.unlink(link)


def case_one_core_and_every_core(env):
    """Files of several segments (text coded, noise stored) and small ones, two
    targets appended in one process: the same archive from one core and from
    every core, extracted whole by lhasa."""
    src = os.path.join(env.root, "cores")
    text = text_bytes(3500000, 7)
    make_file(os.path.join(src, "t", "text.txt"), text)
    make_file(os.path.join(src, "t", "noise.bin"), random.Random(8).randbytes(3 << 20))
    for i in range(40):
        make_file(os.path.join(src, "t", "small", "s%02d.txt" % i), b"small file %d\r\n" % i * (i + 1))
    make_file(os.path.join(src, "second.txt"), text[:100000])
    archives = []
    for prefix in ((), ("taskset", "-c", "0")):
        archive = os.path.join(env.root, "cores%d.lzh" % len(archives))
        result, message = env.unlha(line(archive, src, "t") + "\r\n" + line(archive, src, "second.txt"),
                                    prefix=prefix)
        check(result == 0, "two targets with %r: %r" % (prefix, message))
        check(env.tested(archive), "lhasa t passes on %s" % archive)
        archives.append(archive)
    with open(archives[0], "rb") as a, open(archives[1], "rb") as b:
        check(a.read() == b.read(), "one core and every core write the same archive")
    _, found = env.extract(archives[0])
    check(found.get(b"t/text.txt") == text and found.get(b"second.txt") == text[:100000]
          and found.get(b"t/small/s39.txt") == b"small file 39\r\n" * 40,
          "lhasa extracts the same contents")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--wine-run", required=True)
    ap.add_argument("--lhasa", default="lhasa")
    args = ap.parse_args()
    root = tempfile.mkdtemp(prefix="zelk-unlha-")
    env = Env(args, root)
    try:
        p = subprocess.run([args.wine_run, os.path.join(args.bin, "unlhacall.exe"), "--version"],
                           stdout=subprocess.PIPE, timeout=120)
        check(p.stdout.strip() == b"100", "UnlhaGetVersion gives 100: %r" % p.stdout)
        archive, src = case_file_and_tree(env)
        case_same_name_twice(env, archive, src)
        case_refusals(env)
        case_failure_keeps_earlier_entries(env)
        case_foreign_names(env)
        case_save_folder_inside_target(env)
        case_one_core_and_every_core(env)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if FAILURES:
        print("%d check(s) failed" % len(FAILURES))
        return 1
    print("all checks passed (%d library calls)" % env.calls)
    return 0


if __name__ == "__main__":
    sys.exit(main())
