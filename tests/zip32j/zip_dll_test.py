#!/usr/bin/env python3
"""ZIP32J.DLL under Wine, checked by independent tools.

Trees are prepared on the Linux side (Wine maps / as Z:), the DLL is driven
through zipcall.exe, and the archives are checked with Info-ZIP unzip and
zipinfo, with Python's zipfile and with 7-Zip (7zz): names (raw Shift-JIS
bytes, the Unicode path field, UTF-8 names), contents, times, attributes and
folder structure.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
import zlib

ARGS = None

FILE_ATTRIBUTE_READONLY = 0x01
FILE_ATTRIBUTE_HIDDEN = 0x02
FILE_ATTRIBUTE_SYSTEM = 0x04
FILE_ATTRIBUTE_DIRECTORY = 0x10
FILE_ATTRIBUTE_ARCHIVE = 0x20

UTF8_ENV = dict(os.environ, LC_ALL="C.UTF-8")


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def quoted(*texts):
    return " ".join('"%s"' % t for t in texts)


class CallResult:
    def __init__(self, fields):
        self.code = int(fields[0])
        self.overrun = fields[1] == "overrun"
        self.message = bytes.fromhex(fields[2]).decode("cp932") if len(fields) > 2 else ""


def run_steps(work, steps, prefix=()):
    """Runs zipcall.exe over steps (lists of str fields); one result per step.
    prefix: a command that runs zipcall (taskset)."""
    steps_path = os.path.join(work, "steps.txt")
    results_path = os.path.join(work, "results.txt")
    with open(steps_path, "wb") as f:
        for step in steps:
            f.write("\t".join(step).encode("cp932") + b"\r\n")
    if os.path.exists(results_path):
        os.remove(results_path)
    proc = subprocess.run(
        list(prefix) + [ARGS.wine_run, os.path.join(ARGS.bin, "zipcall.exe"), win(steps_path), win(results_path)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=1200)
    if proc.returncode != 0:
        raise AssertionError("zipcall failed: %r %r" % (proc.stdout, proc.stderr))
    with open(results_path, "rb") as f:
        lines = f.read().decode("ascii").splitlines()
    assert len(lines) == len(steps), lines
    return lines


def zip_call(work, line, size=1024, lock=""):
    return CallResult(run_steps(work, [["call", str(size), lock, line]])[0].split("\t"))


def extra_fields(extra):
    fields = {}
    pos = 0
    while pos + 4 <= len(extra):
        fid, length = struct.unpack_from("<HH", extra, pos)
        fields[fid] = extra[pos + 4:pos + 4 + length]
        pos += 4 + length
    return fields


def raw_name(info):
    """The stored name bytes (zipfile decodes names without bit 11 as cp437)."""
    return info.filename.encode("cp437") if not info.flag_bits & 0x800 else info.filename.encode()


def unicode_path(info):
    """(crc, utf-8 name) of the Info-ZIP Unicode Path field, or None."""
    field = extra_fields(info.extra).get(0x7075)
    if field is None:
        return None
    assert field[0] == 1
    return struct.unpack_from("<I", field, 1)[0], field[5:].decode("utf-8")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def unzip_test(archive):
    proc = subprocess.run(["unzip", "-t", archive], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, env=UTF8_ENV)
    return proc.returncode, proc.stdout.decode("utf-8", "replace")


def unzip_extract(archive, dest):
    os.makedirs(dest, exist_ok=True)
    subprocess.run(["unzip", "-q", "-o", archive, "-d", dest], check=True, env=UTF8_ENV)


def sevenzip_extract(archive, dest):
    os.makedirs(dest, exist_ok=True)
    subprocess.run(["7zz", "x", "-y", "-bso0", "-bsp0", "-o" + dest, archive], check=True, env=UTF8_ENV)


def zipfile_extract(archive, dest):
    with zipfile.ZipFile(archive, metadata_encoding="cp932") as z:
        z.extractall(dest)


def tree_of(root):
    """{relative path: bytes, or None for a folder} of everything below root."""
    found = {}
    for base, dirs, files in os.walk(root):
        for d in dirs:
            found[os.path.relpath(os.path.join(base, d), root)] = None
        for f in files:
            found[os.path.relpath(os.path.join(base, f), root)] = read(os.path.join(base, f))
    return found

# Names outside Shift-JIS (Korean, an emoji as a surrogate pair, accented
# Latin, Cyrillic, CJK that CP932 lacks) beside Shift-JIS names with a 0x5C
# trail byte.
FOREIGN_NAMES = ["한글.txt", "😀.txt", "café.txt", "Привет.txt", "Привіт.txt", "这个.txt", "𠮷野家.txt"]
SJIS_NAMES = ["表.txt", "ソース.txt", "能力.txt"]


def write_name_tree(root):
    """A tree of foreign and Shift-JIS names: files, folders, empty folders, at depth."""
    for i, name in enumerate(FOREIGN_NAMES + SJIS_NAMES):
        write(os.path.join(root, name), ("content %d of %s\n" % (i, name)).encode("utf-8") * (i + 1))
    write(os.path.join(root, "한국", "😀폴더", "café", "깊은.txt"), b"deep foreign")
    write(os.path.join(root, "表示", "ソ", "내용.txt"), b"foreign under sjis")
    os.makedirs(os.path.join(root, "빈폴더"))
    os.makedirs(os.path.join(root, "表示", "Пусто"))
    # A path of more than 260 characters below the target.
    deep = os.path.join(root, *(["한" * 40 + "%d" % i for i in range(8)]))
    write(os.path.join(deep, "끝.txt"), b"far down")


class ZipDllTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="zip32j-", dir=ARGS.work)

    def tearDown(self):
        for root, dirs, files in os.walk(self.work):
            for name in dirs + files:
                if not os.path.islink(os.path.join(root, name)):
                    os.chmod(os.path.join(root, name), 0o755)
        shutil.rmtree(self.work, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def assertValidArchive(self, archive):
        rc, out = unzip_test(archive)
        self.assertEqual(rc, 0, out)
        zinfo = subprocess.run(["zipinfo", archive], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, env=UTF8_ENV)
        self.assertEqual(zinfo.returncode, 0, zinfo.stdout)
        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())

    def assertSameTree(self, extracted, source):
        """Every file and folder of source is in extracted with the same bytes."""
        for root, dirs, files in os.walk(source):
            rel = os.path.relpath(root, source)
            for d in dirs:
                self.assertTrue(os.path.isdir(os.path.join(extracted, rel, d)), os.path.join(rel, d))
            for f in files:
                self.assertEqual(read(os.path.join(extracted, rel, f)), read(os.path.join(root, f)),
                                 os.path.join(rel, f))

    def test_version(self):
        self.assertEqual(run_steps(self.work, [["version"]]), ["100"])

    def test_file_target_keeps_name_contents_and_time(self):
        data = b"quarterly figures\r\n" * 500
        write(self.path("C", "Data", "Report.doc"), data)
        stamp = time.mktime((2021, 3, 4, 5, 6, 7, 0, 0, -1))
        os.utime(self.path("C", "Data", "Report.doc"), (stamp, stamp))
        archive = self.path("save", "03.07.15.14.05.09.zip")
        os.makedirs(self.path("save"))
        r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("C", "Data")), "Report.doc"))
        self.assertEqual(r.code, 0, r.message)
        self.assertEqual(r.message, "")
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            (info,) = z.infolist()
            self.assertEqual(info.filename, "Report.doc")
            self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED)
            self.assertEqual(info.flag_bits & 0x808, 0)  # no UTF-8 flag, no data descriptor
            self.assertEqual(info.create_system, 0)
            self.assertEqual(info.date_time, (2021, 3, 4, 5, 6, 6))  # DOS: two-second steps
            self.assertEqual(z.read(info), data)
            ut = extra_fields(info.extra)[0x5455]
            self.assertEqual(struct.unpack("<BI", ut), (1, int(stamp)))
        unzip_extract(archive, self.path("out"))
        self.assertEqual(read(self.path("out", "Report.doc")), data)
        self.assertEqual(int(os.stat(self.path("out", "Report.doc")).st_mtime), int(stamp))

    def test_folder_target_with_nested_hidden_system_empty_and_japanese_entries(self):
        base = self.path("base")
        data = self.path("base", "Data")
        write(os.path.join(data, "top.txt"), b"top level\n" * 100)
        write(os.path.join(data, "sub", "deep", "x.txt"), b"deep file")
        write(os.path.join(data, ".hidden"), b"dot file")
        write(os.path.join(data, "sys.dat"), b"system file")
        write(os.path.join(data, "ro.txt"), b"read only")
        write(os.path.join(data, "表示テスト.txt"), "日本語の内容".encode("utf-8"))
        write(os.path.join(data, "日本語フォルダ", "ソース.cpp"), b"int main() {}\n")
        os.makedirs(os.path.join(data, "empty"))
        os.makedirs(os.path.join(data, "sub", "empty2"))
        archive = self.path("a.zip")
        steps = [
            ["attr", win(os.path.join(data, "sys.dat")), str(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN)],
            ["attr", win(os.path.join(data, "ro.txt")), str(FILE_ATTRIBUTE_READONLY)],
            ["call", "1024", "", "-qrS " + quoted(win(archive), win(base), "Data")],
        ]
        results = run_steps(self.work, steps)
        self.assertEqual(results[:2], ["0", "0"])
        r = CallResult(results[2].split("\t"))
        self.assertEqual(r.code, 0, r.message)
        self.assertValidArchive(archive)

        expected = {
            "Data/", "Data/top.txt", "Data/sub/", "Data/sub/deep/", "Data/sub/deep/x.txt",
            "Data/.hidden", "Data/sys.dat", "Data/ro.txt", "Data/表示テスト.txt",
            "Data/日本語フォルダ/", "Data/日本語フォルダ/ソース.cpp", "Data/empty/",
            "Data/sub/empty2/",
        }
        with zipfile.ZipFile(archive) as z:
            infos = {raw_name(i).decode("cp932"): i for i in z.infolist()}
            self.assertEqual(set(infos), expected)
            for name, info in infos.items():
                attrs = info.external_attr & 0xFF
                self.assertEqual(bool(attrs & FILE_ATTRIBUTE_DIRECTORY), name.endswith("/"), name)
                self.assertEqual(info.flag_bits & 0x800, 0, name)
                up = unicode_path(info)
                if all(ord(c) < 128 for c in name):
                    self.assertIsNone(up, name)
                else:
                    self.assertEqual(up, (zlib.crc32(raw_name(info)), name), name)
            self.assertTrue(infos["Data/.hidden"].external_attr & FILE_ATTRIBUTE_HIDDEN)
            self.assertEqual(infos["Data/sys.dat"].external_attr & 0x07,
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN)
            self.assertEqual(infos["Data/ro.txt"].external_attr & 0x07, FILE_ATTRIBUTE_READONLY)
            self.assertEqual(infos["Data/top.txt"].external_attr & 0x07, 0)
            self.assertEqual(infos["Data/表示テスト.txt"].filename.encode("cp437"),
                             "Data/表示テスト.txt".encode("cp932"))
        listing = subprocess.run(["zipinfo", "-1", archive], stdout=subprocess.PIPE,
                                 env=UTF8_ENV, check=True).stdout.decode("utf-8").split("\n")
        self.assertIn("Data/日本語フォルダ/ソース.cpp", listing)
        unzip_extract(archive, self.path("out"))
        self.assertSameTree(self.path("out", "Data"), data)
        self.assertTrue(os.path.isdir(self.path("out", "Data", "sub", "empty2")))

    def test_archive_inside_its_target_and_hidden_files_without_S(self):
        write(self.path("b", "Data", "a.txt"), b"a")
        write(self.path("b", "Data", ".hidden"), b"h")
        archive = self.path("b", "Data", "backup.zip")
        a, b = win(archive), win(self.path("b"))
        results = run_steps(self.work, [
            ["call", "1024", "", "-qrS " + quoted(a, b, "Data")],
            ["call", "1024", "", "-qr " + quoted(a, b, "Data")],
        ])
        for line in results:
            self.assertEqual(line.split("\t")[0], "0", line)
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist(), ["Data/", "Data/.hidden", "Data/a.txt",
                                            "Data(2)/", "Data(2)/a.txt"])

    def test_same_names_get_free_variants(self):
        for n in ("1", "2"):
            write(self.path("b" + n, "x.txt"), b"file " + n.encode())
            write(self.path("b" + n, "Data", "in.txt"), b"folder " + n.encode())
        write(self.path("b1", "X.TXT.d", "keep"), b"")
        archive = self.path("a.zip")
        lines = [quoted(win(archive), win(self.path(b)), name)
                 for name in ("x.txt", "Data") for b in ("b1", "b2")]
        results = run_steps(self.work, [["call", "1024", "", "-qrS " + l] for l in lines])
        for line in results:
            self.assertEqual(line.split("\t")[0], "0", line)
        # Both names in one call: each gets the next free variant.
        r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("b1")), "x.txt", "x.txt"))
        self.assertEqual(r.code, 0, r.message)
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist(), ["x.txt", "x(2).txt", "Data/", "Data/in.txt",
                                            "Data(2)/", "Data(2)/in.txt", "x(3).txt", "x(4).txt"])
            self.assertEqual(z.read("x.txt"), b"file 1")
            self.assertEqual(z.read("x(2).txt"), b"file 2")
            self.assertEqual(z.read("Data(2)/in.txt"), b"folder 2")

    def test_empty_incompressible_and_compressible_files(self):
        write(self.path("b", "empty.bin"), b"")
        noise = os.urandom(3 << 20)
        write(self.path("b", "noise.bin"), noise)
        text = b"".join(b"line %d of a text file\n" % i for i in range(200000))
        write(self.path("b", "text.txt"), text)
        archive = self.path("a.zip")
        r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("b")),
                                                 "empty.bin", "noise.bin", "text.txt"))
        self.assertEqual(r.code, 0, r.message)
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            empty, stored, deflated = z.infolist()
            self.assertEqual((empty.compress_type, empty.file_size, empty.compress_size),
                             (zipfile.ZIP_STORED, 0, 0))
            self.assertEqual((stored.compress_type, stored.compress_size),
                             (zipfile.ZIP_STORED, len(noise)))
            self.assertEqual(deflated.compress_type, zipfile.ZIP_DEFLATED)
            self.assertLess(deflated.compress_size, len(text) // 4)
            self.assertEqual(z.read(stored), noise)
            self.assertEqual(z.read(deflated), text)

    def test_one_core_and_every_core_write_the_same_archive(self):
        # Files of several deflate chunks (compressible, and incompressible
        # ones stored), many small ones; two targets appended to one archive.
        text = b"".join(b"line %d of a text file\n" % i for i in range(150000))
        write(self.path("b", "t", "text.txt"), text)
        write(self.path("b", "t", "noise.bin"), os.urandom(3 << 20))
        for i in range(40):
            write(self.path("b", "t", "small", "s%02d.txt" % i), b"small file %d\n" % i * (i + 1))
        write(self.path("b", "second.txt"), text[:100000])
        archives = []
        for prefix in ((), ("taskset", "-c", "0")):
            archive = self.path("a%d.zip" % len(archives))
            lines = [["call", "1024", "", "-qrS " + quoted(win(archive), win(self.path("b")), name)]
                     for name in ("t", "second.txt")]
            results = run_steps(self.work, lines, prefix)
            self.assertEqual([r.split("\t")[0] for r in results], ["0", "0"], results)
            self.assertValidArchive(archive)
            archives.append(archive)
        self.assertEqual(read(archives[0]), read(archives[1]))
        sevenzip_extract(archives[0], self.path("x"))
        self.assertSameTree(self.path("x"), self.path("b"))

    def test_append_to_infozip_archive_keeps_old_entries_untouched(self):
        write(self.path("old", "old.txt"), b"made by Info-ZIP\n" * 50)
        write(self.path("old", "dir", "o2.txt"), b"second")
        archive = self.path("a.zip")
        subprocess.run(["zip", "-q", "-r", archive, "old.txt", "dir"], cwd=self.path("old"), check=True)
        before = read(archive)
        with zipfile.ZipFile(archive) as z:
            old_names = z.namelist()
        cd_offset = struct.unpack_from("<I", before, len(before) - 6)[0]
        write(self.path("new", "new.txt"), b"added later")
        write(self.path("new", "old.txt"), b"same name, other file")
        r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("new")), "new.txt", "old.txt"))
        self.assertEqual(r.code, 0, r.message)
        after = read(archive)
        self.assertEqual(after[:cd_offset], before[:cd_offset])
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist(), old_names + ["new.txt", "old(2).txt"])
            self.assertEqual(z.read("old.txt"), b"made by Info-ZIP\n" * 50)
            self.assertEqual(z.read("old(2).txt"), b"same name, other file")

    def test_non_zip_at_archive_path_is_left_untouched(self):
        write(self.path("b", "x.txt"), b"x")
        for content in (b"just some text, not an archive\n" * 3, b"", b"PK\x05\x06" + b"\0" * 10):
            write(self.path("a.zip"), content)
            r = zip_call(self.work, "-qrS " + quoted(win(self.path("a.zip")), win(self.path("b")), "x.txt"))
            self.assertNotEqual(r.code, 0)
            self.assertNotEqual(r.message, "")
            self.assertEqual(read(self.path("a.zip")), content)

    def test_malformed_command_lines_fail_without_archive(self):
        write(self.path("b", "x.txt"), b"x")
        a, b = win(self.path("a.zip")), win(self.path("b"))
        lines = [
            "-qrX " + quoted(a, b, "x.txt"),          # unknown switch
            "-qrS " + quoted(a, b),                   # no name
            "-qrS " + quoted(a),                      # no base folder
            "",                                       # nothing at all
            '-qrS "%s" "%s" "x.txt' % (a, b),         # quote left open
            "-qrS " + quoted(a, b, "..\\b\\x.txt"),  # leaves the base folder
            "-qrS " + quoted(a, b, "C:\\x.txt"),     # absolute name
        ]
        results = run_steps(self.work, [["call", "1024", "", l] for l in lines])
        for line, result in zip(lines, results):
            r = CallResult(result.split("\t"))
            self.assertNotEqual(r.code, 0, line)
            self.assertNotEqual(r.message, "", line)
            self.assertFalse(r.overrun)
        self.assertEqual(CallResult(results[0].split("\t")).message, "Unknown switch -X.")
        self.assertFalse(os.path.exists(self.path("a.zip")))

    def test_unreadable_sources_are_left_out_and_reported(self):
        write(self.path("b", "first.txt"), b"first target\n" * 100)
        write(self.path("b", "Second", "a.txt"), b"a")
        write(self.path("b", "Second", "locked.txt"), b"locked")
        archive = self.path("a.zip")
        a, b = win(archive), win(self.path("b"))
        steps = [
            ["call", "1024", "", "-qrS " + quoted(a, b, "first.txt")],
            ["call", "1024", "", "-qrS " + quoted(a, b, "missing.txt")],
            ["call", "1024", win(self.path("b", "Second", "locked.txt")), "-qrS " + quoted(a, b, "Second")],
            ["call", "1024", "", "-qrS " + quoted(a, b, "first.txt", "gone.txt")],
        ]
        results = [CallResult(l.split("\t")) for l in run_steps(self.work, steps)]
        self.assertEqual(results[0].code, 0, results[0].message)
        # Each call completes the archive with what it could read and
        # reports the rest at the start of its output.
        for r, left in zip(results[1:], ["missing.txt", "locked.txt", "gone.txt"]):
            self.assertEqual(r.code, 6, r.message)
            self.assertRegex(r.message, r"^Left out: 1\r\n.*\\%s\t\S.*\r\n$" % left.replace(".", r"\."))
        self.assertValidArchive(archive)
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist(), ["first.txt", "Second/", "Second/a.txt", "first(2).txt"])
            self.assertEqual(z.read("first(2).txt"), b"first target\n" * 100)

    def test_failure_on_first_target_of_new_archive_leaves_no_file(self):
        r = zip_call(self.work, "-qrS " + quoted(win(self.path("a.zip")), win(self.work), "missing"))
        self.assertEqual(r.code, 6, r.message)
        self.assertFalse(os.path.exists(self.path("a.zip")))

    def test_output_buffer_limits(self):
        a, b = win(self.path("a.zip")), win(self.path("b"))
        write(self.path("b", "x.txt"), b"x")
        bad = "-qrZ " + quoted(a, b, "x.txt")
        results = run_steps(self.work, [
            ["call", "5", "", bad],
            ["call", "1", "", bad],
            ["call", "0", "", bad],
            ["call", "1024", "", "-rS " + quoted(a, b, "x.txt")],
        ])
        r5, r1, r0, verbose = [CallResult(l.split("\t")) for l in results]
        self.assertEqual((r5.message, r5.overrun), ("Unkn", False))
        self.assertEqual((r1.message, r1.overrun), ("", False))
        self.assertEqual((r0.message, r0.overrun), ("", False))
        self.assertNotEqual(r0.code, 0)
        self.assertEqual(verbose.code, 0)
        self.assertIn("adding: x.txt", verbose.message)

    def test_names_outside_the_code_page_arrive_exact_in_every_reader(self):
        base = self.path("base")
        data = os.path.join(base, "Data")
        write_name_tree(data)
        write(os.path.join(base, "表.txt"), b"file target one")
        write(os.path.join(base, "b2", "表.txt"), b"file target two")
        archive = self.path("a.zip")
        lines = [quoted(win(archive), win(base), "Data"), quoted(win(archive), win(base), "表.txt"),
                 quoted(win(archive), win(os.path.join(base, "b2")), "表.txt")]
        for r in run_steps(self.work, [["call", "1024", "", "-qrS " + l] for l in lines]):
            self.assertEqual(r.split("\t")[0], "0", r)
        self.assertValidArchive(archive)
        self.assertGreater(max(len(p) for p in tree_of(data)), 260)

        expected = {os.path.join("Data", p): c for p, c in tree_of(data).items()}
        expected["表.txt"] = b"file target one"
        expected["表(2).txt"] = b"file target two"
        expected["Data"] = None
        with zipfile.ZipFile(archive) as z:
            shown = []
            for info in z.infolist():
                if info.flag_bits & 0x800:
                    # Bit 11 only for names Shift-JIS cannot hold; no stand-in.
                    name = info.filename
                    self.assertRaises(UnicodeEncodeError, name.encode, "cp932")
                    self.assertIsNone(unicode_path(info), name)
                else:
                    name = raw_name(info).decode("cp932")
                    if not name.isascii():
                        self.assertEqual(unicode_path(info), (zlib.crc32(raw_name(info)), name), name)
                shown.append(name)
            self.assertEqual(len(shown), len(set(shown)))
            self.assertEqual({n.rstrip("/") for n in shown}, set(expected))
            self.assertIn("Data/빈폴더/", shown)
            self.assertIn("Data/表示/Пусто/", shown)

        # unzip and 7-Zip take the Unicode Path field and bit 11; Python's
        # zipfile takes bit 11 and reads the other names as Shift-JIS.
        extractors = (("unzip", unzip_extract), ("7zz", sevenzip_extract), ("zipfile", zipfile_extract))
        for reader, extract in extractors:
            out = self.path("out-" + reader)
            extract(archive, out)
            self.assertEqual(tree_of(out), expected, reader)

    def test_save_folder_inside_the_target_stays_out_of_every_generation(self):
        target = self.path("base", "Target")
        write(os.path.join(target, "doc.txt"), b"document\n" * 1000)
        write(os.path.join(target, "save", "user-file.txt"), b"not ours either")
        # The archive is named through a link to the target, so that only
        # its identity can tell that it lies in the target.
        os.symlink(target, self.path("link"))
        sizes = []
        for run in range(3):
            archive = self.path("link", "save", "~ZelkStaging.%d.zip" % run)
            r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("base")), "Target"))
            self.assertEqual(r.code, 0, r.message)
            self.assertValidArchive(archive)
            with zipfile.ZipFile(archive) as z:
                self.assertEqual(z.namelist(), ["Target/", "Target/doc.txt"])
            sizes.append(os.path.getsize(archive))
        self.assertEqual(len(set(sizes)), 1, sizes)

    def test_failures_name_the_file_and_the_cause(self):
        write(self.path("b", "Data", "a.txt"), b"a")
        write(self.path("b", "Data", "잠긴.txt"), b"locked")
        archive = self.path("a.zip")
        a, b = win(archive), win(self.path("b"))
        results = run_steps(self.work, [
            ["call", "1024", "", "-qrS " + quoted(a, b, "missing.txt")],
            ["call", "60", "", "-qrS " + quoted(a, b, "missing.txt")],
        ])
        missing, short = [CallResult(l.split("\t")) for l in results]
        self.assertEqual(missing.code, 6)
        self.assertTrue(missing.message.startswith("Left out: 1\r\n" + b + "\\missing.txt\t"), missing.message)
        self.assertGreater(len(missing.message), len("Left out: 1\r\n" + b + "\\missing.txt\t\r\n"))
        self.assertFalse(short.overrun)
        # Only whole lines: the header alone when the line does not fit.
        self.assertEqual(short.message, "Left out: 1\r\n")
        # A locked file whose name Shift-JIS cannot hold: the report names
        # its folder and gives the system's reason.
        lock = "@" + ("Z:" + self.path("b", "Data", "잠긴.txt").replace("/", "\\")).encode("utf-8").hex()
        r = CallResult(run_steps(self.work, [["call", "1024", lock, "-qrS " + quoted(a, b, "Data")]])[0].split("\t"))
        self.assertEqual(r.code, 6, r.message)
        self.assertIn(b + "\\Data\\", r.message)
        self.assertRegex(r.message, r"\.txt\t\S")
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(z.namelist(), ["Data/", "Data/a.txt"])

    def test_file_of_4_gib_and_more_gets_zip64_records(self):
        if not ARGS.big_file:
            self.skipTest("slow: run with --big-file")
        size = (4 << 30) + 5
        big = self.path("b", "big.bin")
        os.makedirs(self.path("b"))
        with open(big, "wb") as f:
            f.seek(size - 5)
            f.write(b"!END!")
        write(self.path("b", "after.txt"), b"after the big one")
        archive = self.path("a.zip")
        r = zip_call(self.work, "-qrS " + quoted(win(archive), win(self.path("b")), "big.bin", "after.txt"))
        self.assertEqual(r.code, 0, r.message)
        rc, out = unzip_test(archive)
        self.assertEqual(rc, 0, out)
        with zipfile.ZipFile(archive) as z:
            info = z.getinfo("big.bin")
            self.assertEqual(info.file_size, size)
            self.assertIn(0x0001, extra_fields(info.extra))
            self.assertEqual(z.read("after.txt"), b"after the big one")
            with z.open(info) as f:
                tail = b""
                while True:
                    chunk = f.read(1 << 24)
                    if not chunk:
                        break
                    tail = (tail + chunk)[-5:]
            self.assertEqual(tail, b"!END!")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--big-file", action="store_true")
    ARGS, rest = parser.parse_known_args()
    ARGS.work = os.path.abspath(ARGS.work)
    os.makedirs(ARGS.work, exist_ok=True)
    if ARGS.big_file:
        rest += ["-k", "4_gib"]
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
