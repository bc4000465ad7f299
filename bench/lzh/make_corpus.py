#!/usr/bin/env python3
"""Builds the LZH benchmark corpus (about 500 MiB by default) in a folder:

  text/        generated prose-like text in files of 4 KiB .. 8 MiB (~40 %)
  source/      C, C++ and Python sources copied from this system (~30 %)
  compressed/  already-compressed data: gzip streams and random bytes
               standing in for images and archives (~30 %)

The same seed and the same system give the same corpus.
usage: make_corpus.py DEST [--mib 500]
"""
import argparse
import gzip
import os
import random
import shutil

WORDS = ("the of and to in is was that for it with as on be at by this had not are but from or have an they "
         "which one you were all her she there would their we him been has when who will more no if out so said "
         "what up its about into than them can only other new some could time these two may then do first any my "
         "now such like our over man me even most made after also did many before must through back years where "
         "much your way well down should because each just those people how too little state good very make world "
         "still own see men work long get here between both life being under never day same another know while "
         "last might us great old year off come since against go came right used take three backup archive "
         "generation folder history target interval settings window").split()


def write_text(dest, budget, rng):
    os.makedirs(dest, exist_ok=True)
    written = 0
    index = 0
    while written < budget:
        size = min(budget - written, rng.choice([4 << 10, 32 << 10, 256 << 10, 1 << 20, 8 << 20]))
        parts = []
        length = 0
        weights = [1.0 / (i + 1) for i in range(len(WORDS))]
        while length < size:
            words = rng.choices(WORDS, weights=weights, k=4096)
            for k in range(0, len(words), rng.randint(8, 20)):
                sentence = " ".join(words[k:k + rng.randint(8, 20)]).capitalize() + ". "
                parts.append(sentence)
                length += len(sentence)
            parts.append("\r\n\r\n")
        data = "".join(parts).encode()[:size]
        with open(os.path.join(dest, "doc%04d.txt" % index), "wb") as f:
            f.write(data)
        written += len(data)
        index += 1
    return written


def copy_sources(dest, budget):
    roots = ["/usr/include", "/usr/lib/python3.11", "/usr/share/perl", "/usr/lib/x86_64-linux-gnu/perl"]
    exts = (".h", ".hpp", ".c", ".cc", ".cpp", ".py", ".pm", ".tcc", "")
    written = 0
    rounds = 0
    while written < budget and rounds < 8:
        for root in roots:
            for dirpath, _, filenames in sorted(os.walk(root)):
                for name in sorted(filenames):
                    src = os.path.join(dirpath, name)
                    if not name.endswith(exts) or os.path.islink(src) or not os.path.isfile(src):
                        continue
                    rel = os.path.relpath(src, "/")
                    target = os.path.join(dest, "r%d" % rounds, rel)
                    os.makedirs(os.path.dirname(target), exist_ok=True)
                    shutil.copyfile(src, target)
                    written += os.path.getsize(target)
                    if written >= budget:
                        return written
        rounds += 1
    return written


def write_compressed(dest, budget, rng):
    os.makedirs(dest, exist_ok=True)
    written = 0
    index = 0
    while written < budget:
        size = min(budget - written, rng.choice([64 << 10, 512 << 10, 2 << 20, 16 << 20]))
        if index % 3 == 0:
            # A gzip stream of text: what .gz and .zip members hold.
            text = b" ".join(rng.choice(WORDS).encode() for _ in range(size // 2))
            data = gzip.compress(text, 6)[:size]
            name = "pack%04d.gz" % index
        else:
            data = rng.randbytes(size)
            name = "photo%04d.jpg" % index
        with open(os.path.join(dest, name), "wb") as f:
            f.write(data)
        written += len(data)
        index += 1
    return written


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dest")
    ap.add_argument("--mib", type=int, default=500)
    args = ap.parse_args()
    total = args.mib << 20
    rng = random.Random(20030715)
    os.makedirs(args.dest, exist_ok=True)
    t = write_text(os.path.join(args.dest, "text"), total * 4 // 10, rng)
    s = copy_sources(os.path.join(args.dest, "source"), total * 3 // 10)
    c = write_compressed(os.path.join(args.dest, "compressed"), total - t - s, rng)
    print("corpus %s: text %.1f MiB, source %.1f MiB, compressed %.1f MiB" % (args.dest, t / 2**20, s / 2**20, c / 2**20))


if __name__ == "__main__":
    main()
