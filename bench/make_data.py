#!/usr/bin/env python3
"""Makes the benchmark's data in one folder (all from a fixed seed):

  pack/GAME.fat, pack/GAME.mix   about 20,000 entries, about 600 MiB, 20 entry
                                 types, sparse and shuffled layout
  tree/GAME/TYPE/NNNNNNNN.ext    the same entries as files, and entries.tar
  edits/NNNNNNNN.ext, insert.log 10% of the entries edited (-50% .. +50%)
                                 and a log that takes them
  scan/dNNN/eNN/...              100,000 files in 1,000 folders, some *.fat

usage: make_data.py DIR [--scale F]   (F shrinks the pack, for a quick try)
       make_data.py --edit LOG         rewrites 10% of the files that a result
                                       log names, in place (-50% .. +50%), as a
                                       user edits an extracted tree
"""
import os
import random
import struct
import subprocess
import sys

BLOCK = 2048
TYPES = ["tga", "wav", "txt", "dat", "mdl", "anm", "fnt", "pal", "map", "scr",
         "bmp", "mid", "cfg", "lvl", "spr", "snd", "tex", "obj", "lst", "bin"]


def entry_sizes(rng, scale):
    n = int(20000 * scale)
    sizes = []
    for i in range(n):
        r = rng.random()
        if r < 0.0025:
            sizes.append(0)
        elif r < 0.0029:
            sizes.append(8 * 1024 * 1024)
        elif r < 0.0379:
            sizes.append(rng.randint(64 * 1024, 1024 * 1024))
        else:
            sizes.append(rng.randint(1024, 16 * 1024))
    return sizes


def write_pack(out, rng, sizes, names):
    order = list(range(len(sizes)))
    rng.shuffle(order)
    starts = [0] * len(sizes)
    pos = 0
    with open(os.path.join(out, "pack", "GAME.mix"), "wb") as mix:
        for k in order:
            pos += rng.randint(0, 3) * BLOCK  # a gap before some entries
            starts[k] = pos // BLOCK
            mix.seek(pos)
            mix.write(rng.randbytes(sizes[k]) if sizes[k] < 65536 else
                      (rng.randbytes(65536) * (sizes[k] // 65536 + 1))[:sizes[k]])
            pos += (sizes[k] + BLOCK - 1) // BLOCK * BLOCK
        mix.truncate(pos)
    with open(os.path.join(out, "pack", "GAME.fat"), "wb") as fat:
        fat.write(struct.pack("<iI", len(sizes), 0))
        for k, size in enumerate(sizes):
            fat.write(struct.pack("<16siiI", names[k].encode(), starts[k], size, 0))
    return starts


def rel_name(k, name):
    ext = name.rsplit(".", 1)[1]
    return os.path.join("GAME", ext.upper(), "%08X.%s" % (k, ext.lower()))


def write_tree(out, sizes, names, starts):
    with open(os.path.join(out, "pack", "GAME.mix"), "rb") as mix:
        for k, size in enumerate(sizes):
            if size == 0:
                continue
            path = os.path.join(out, "tree", rel_name(k, names[k]))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            mix.seek(starts[k] * BLOCK)
            with open(path, "wb") as f:
                f.write(mix.read(size))
    subprocess.run(["tar", "-cf", os.path.join(out, "entries.tar"), "-C",
                    os.path.join(out, "tree"), "GAME"], check=True)


def write_edits(out, rng, sizes, names):
    os.makedirs(os.path.join(out, "edits"), exist_ok=True)
    lines = ["#Format: FAT", "#Source: " + os.path.join(out, "pack", "GAME.fat")]
    for k, size in enumerate(sizes):
        if rng.random() < 0.10:
            new = max(0, int(size * rng.uniform(0.5, 1.5)))
            path = os.path.join(out, "edits", "%08X.%s" % (k, names[k].rsplit(".", 1)[1]))
            with open(path, "wb") as f:
                f.write(rng.randbytes(min(new, 65536)) * (new // 65536) + rng.randbytes(new % 65536))
            lines.append(path)
        else:
            lines.append("NULL")
    with open(os.path.join(out, "insert.log"), "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def write_scan_tree(out):
    root = os.path.join(out, "scan")
    for d in range(100):
        for e in range(10):
            folder = os.path.join(root, "d%03d" % d, "e%02d" % e)
            os.makedirs(folder, exist_ok=True)
            for f in range(100):
                name = "f%03d.%s" % (f, "FAT" if f % 20 == 0 else "fat" if f % 10 == 0 else "bin")
                open(os.path.join(folder, name), "wb").close()


def edit_extracted(log):
    rng = random.Random(20261209)
    with open(log, newline="") as f:
        lines = f.read().split("\r\n")
    edited = 0
    for line in lines:
        if not line or line.startswith("#") or line == "NULL" or rng.random() >= 0.10:
            continue
        new = max(0, int(os.path.getsize(line) * rng.uniform(0.5, 1.5)))
        with open(line, "wb") as f:
            f.write(rng.randbytes(min(new, 65536)) * (new // 65536) + rng.randbytes(new % 65536))
        edited += 1
    print("%d extracted files edited" % edited)


def main():
    if sys.argv[1] == "--edit":
        edit_extracted(sys.argv[2])
        return
    out = os.path.abspath(sys.argv[1])
    scale = float(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--scale" else 1.0
    rng = random.Random(20261208)
    os.makedirs(os.path.join(out, "pack"), exist_ok=True)
    sizes = entry_sizes(rng, scale)
    names = ["entry%05d.%s" % (k, TYPES[rng.randrange(len(TYPES))]) for k in range(len(sizes))]
    starts = write_pack(out, rng, sizes, names)
    write_tree(out, sizes, names, starts)
    write_edits(out, rng, sizes, names)
    write_scan_tree(out)
    print("%d entries, %d bytes of entry data" % (len(sizes), sum(sizes)))


if __name__ == "__main__":
    main()
