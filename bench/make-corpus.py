#!/usr/bin/env python3
"""Builds an archiver benchmark corpus (about 500 MiB by default) in a folder:

  text/        prose-like text and log lines, files of 4 KiB .. 8 MiB (~40 %)
  source/      C and C++ headers copied from /usr/include, spread over
               nested folders (~30 %; generated code when that runs short)
  compressed/  already-compressed data: gzip streams of text and seeded
               random bytes standing in for images and archives (~30 %)

The same seed on the same system gives the same corpus. Shared by the zip
and lzh benchmarks.
usage: make-corpus.py DEST [--mib 500] [--seed 1]
"""
import argparse
import gzip
import os
import random

WORDS = ("the of and to in is was that for it with as on be at by this had not are but from or have an they "
         "which one you were all her she there would their we him been has when who will more no if out so said "
         "what up its about into than them can only other new some could time these two may then do first any my "
         "now such like our over man me even most made after also did many before must through back years where "
         "much your way well down should because each just those people how too little state good very make world "
         "still own see men work long get here between both life being under never day same another know while "
         "last might us great old year off come since against go came right used take three backup archive "
         "generation folder history target interval settings window report quarterly figures customer order "
         "invoice shipment delivered pending approved rejected account balance").split()
SIZES = [4 << 10, 16 << 10, 64 << 10, 256 << 10, 1 << 20, 4 << 20, 8 << 20]


def text_block(rng, size, weights):
    parts, length = [], 0
    while length < size:
        if rng.random() < 0.3:  # a run of log lines
            for _ in range(200):
                line = "2003-07-%02d %02d:%02d:%02d [%s] %s %d\r\n" % (
                    rng.randint(1, 31), rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59),
                    rng.choice(("INFO", "WARN", "ERROR", "DEBUG")),
                    " ".join(rng.choices(WORDS, weights=weights, k=rng.randint(4, 12))), rng.randint(0, 99999))
                parts.append(line)
                length += len(line)
        else:
            words = rng.choices(WORDS, weights=weights, k=2000)
            k = 0
            while k < len(words):
                n = rng.randint(6, 22)
                sentence = " ".join(words[k:k + n]).capitalize() + ". "
                parts.append(sentence)
                length += len(sentence)
                k += n
            parts.append("\r\n\r\n")
    return "".join(parts).encode("ascii")[:size]


def write_text(dest, budget, rng):
    weights = [1.0 / (i + 1) for i in range(len(WORDS))]
    written, index = 0, 0
    while written < budget:
        size = min(budget - written, rng.choice(SIZES))
        folder = os.path.join(dest, "text", "part%02d" % (index % 17))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "doc%05d.txt" % index), "wb") as f:
            f.write(text_block(rng, size, weights))
        written += size
        index += 1
    return written


def generated_source(rng, size):
    names = ["count", "index", "buffer", "result", "entry", "offset", "length", "header", "name", "value"]
    out, length, fn = [], 0, 0
    while length < size:
        a, b = rng.sample(names, 2)
        body = ("static int Function%d(const char* %s, int %s) {\n  int total = 0;\n"
                "  for (int i = 0; i < %s; ++i) {\n    if (%s[i] == '\\\\') total += %d;\n  }\n"
                "  return total;\n}\n\n") % (fn, a, b, b, a, rng.randint(1, 9))
        out.append(body)
        length += len(body)
        fn += 1
    return "".join(out).encode("ascii")[:size]


def write_source(dest, budget, rng):
    written, index = 0, 0
    headers = []
    for root, dirs, files in os.walk("/usr/include"):
        dirs.sort()
        for name in sorted(files):
            if name.endswith((".h", ".hpp", ".tcc")) or "." not in name:
                headers.append(os.path.join(root, name))
    for path in headers:
        if written >= budget:
            break
        try:
            with open(path, "rb") as f:
                data = f.read(budget - written)
        except OSError:
            continue
        if not data:
            continue
        rel = os.path.relpath(path, "/usr/include")
        target = os.path.join(dest, "source", "include", rel)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        written += len(data)
    while written < budget:
        size = min(budget - written, rng.choice(SIZES[:4]))
        folder = os.path.join(dest, "source", "generated", "mod%02d" % (index % 23))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "unit%05d.cpp" % index), "wb") as f:
            f.write(generated_source(rng, size))
        written += size
        index += 1
    return written


def write_compressed(dest, budget, rng):
    weights = [1.0 / (i + 1) for i in range(len(WORDS))]
    written, index = 0, 0
    while written < budget:
        size = min(budget - written, rng.choice(SIZES))
        folder = os.path.join(dest, "compressed", "set%02d" % (index % 7))
        os.makedirs(folder, exist_ok=True)
        if index % 3 == 0:
            data = gzip.compress(text_block(rng, size * 3, weights), compresslevel=9, mtime=0)[:size]
            name = "log%05d.gz" % index
        else:
            data = rng.randbytes(size)
            name = "photo%05d.jpg" % index
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        written += len(data)
        index += 1
    return written


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dest")
    ap.add_argument("--mib", type=int, default=500)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    total = args.mib << 20
    rng = random.Random(args.seed)
    done = write_text(args.dest, total * 40 // 100, rng)
    done += write_source(args.dest, total * 30 // 100, rng)
    done += write_compressed(args.dest, total - done, rng)
    print("corpus: %.1f MiB in %s" % (done / (1 << 20), args.dest))


if __name__ == "__main__":
    main()
