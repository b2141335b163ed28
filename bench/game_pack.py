#!/usr/bin/env python3
"""A game's pack for the benchmarks of patches, mods and replacing entries.

    game_pack.py WORK ENTRIES MIB SEED [--modded] [--edits K]

Writes WORK/game/GAME.fat and GAME.mix: ENTRIES entries of about MIB MiB in
all, each half random bytes and half a repeated pattern, in the dense
layout. --modded also writes WORK/mod/, the same pack with a tenth of its
entries changed (new data of 0.5 to 1.5 times the old length). --edits K
writes K edited files WORK/edit/NNNNNNNN.dat for K entries and
WORK/pairs, one "ENTRY=FILE" a line. The same arguments give the same bytes.
"""
import argparse, os, random, struct

ap = argparse.ArgumentParser()
ap.add_argument("work")
ap.add_argument("entries", type=int)
ap.add_argument("mib", type=float)
ap.add_argument("seed", type=int)
ap.add_argument("--modded", action="store_true")
ap.add_argument("--edits", type=int, default=0)
a = ap.parse_args()
rng = random.Random(a.seed)
n = a.entries
mean = a.mib * 1024 * 1024 / n


def body(size):
    half = size // 2
    return rng.randbytes(half) + (b"PACKWRIGHT" * (size // 10 + 1))[: size - half]


def pack(folder, datas):
    os.makedirs(folder, exist_ok=True)
    index = struct.pack("<iI", len(datas), 0)
    with open(f"{folder}/GAME.mix", "wb") as mix:
        at = 0
        for k, d in enumerate(datas):
            index += (b"e%05d.dat" % k).ljust(16, b"\0") + struct.pack("<iiI", at // 2048, len(d), 0)
            pad = -len(d) % 2048
            mix.write(d + b"\0" * pad)
            at += len(d) + pad
    with open(f"{folder}/GAME.fat", "wb") as fat:
        fat.write(index)


datas = [body(max(0, int(rng.uniform(0.2, 1.8) * mean))) for _ in range(n)]
pack(f"{a.work}/game", datas)
if a.modded:
    for k in rng.sample(range(n), n // 10):
        datas[k] = body(max(0, int(len(datas[k]) * rng.uniform(0.5, 1.5))))
    pack(f"{a.work}/mod", datas)
if a.edits:
    os.makedirs(f"{a.work}/edit", exist_ok=True)
    with open(f"{a.work}/pairs", "w") as pairs:
        for k in sorted(rng.sample(range(n), a.edits)):
            path = f"{a.work}/edit/{k:08X}.dat"
            with open(path, "wb") as f:
                f.write(body(int(mean * rng.uniform(0.5, 1.5))))
            pairs.write(f"{k}={path}\n")
