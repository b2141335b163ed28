#!/usr/bin/env python3
"""Writes a small sample pack, DEMO.fat and DEMO.mix, into the folder given:
a few Targa pictures, texts, an INI block text and binary data, for the
screenshot of the contents window; and title-night.tga beside it, an edited
title picture that the screenshot shows replacing the pack's own."""
import math
import struct
import sys
from pathlib import Path


def targa(width, height, pixel):
    rows = []
    for y in range(height):  # stored bottom row first
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, height - 1 - y)
            row += bytes((b, g, r))
        rows.append(bytes(row))
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0)
    footer = b"\0" * 8 + b"TRUEVISION-XFILE.\0"
    return header + b"".join(rows) + footer


def sky(x, y):
    cx, cy = 150, 60
    d = math.hypot(x - cx, y - cy)
    if d < 26:
        return 255, 230 - int(d * 2), 90
    hill = 150 + 22 * math.sin(x / 23.0) + 10 * math.sin(x / 7.0)
    if y > hill:
        return 40 + (x * 3 + y) % 30, 120 + int(y / 3), 50
    t = y / 200.0
    return int(40 + 120 * t), int(90 + 110 * t), int(200 + 40 * t)


def night(x, y):
    r, g, b = sky(x, y)
    return r // 3, g // 3, min(255, b // 2 + 60)


def tiles(x, y):
    c = ((x // 16) + (y // 16)) % 2
    return (200, 60, 40) if c else (240, 200, 120)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    ini = b"".join(b"[0x%08X]\r\n%s\r\n" % (k, line) for k, line in enumerate(
        [b"New game", b"Load game", b"Options", b"Credits", b"Quit"]))
    entries = [
        ("title.tga", targa(240, 200, sky)),
        ("floor.tga", targa(64, 64, tiles)),
        ("menu.ini", ini),
        ("readme.txt", b"Demo pack for the contents window.\r\nEntries: pictures, texts, data.\r\n"),
        ("music.dat", bytes((i * 37 + 11) % 256 for i in range(6000))),
        ("levels.cfg", b"level1=forest\r\nlevel2=caves\r\nlevel3=castle\r\n"),
        ("empty.dat", b""),
        ("icon.tga", targa(32, 32, lambda x, y: (x * 8, y * 8, 128))),
        ("speech.wav", b"RIFF" + bytes(range(256)) * 8),
        ("intro.log", b"started\r\nloaded 12 textures\r\n"),
    ]
    index = bytearray(struct.pack("<iI", len(entries), 0))
    data = bytearray()
    for name, body in entries:
        start = len(data) // 2048
        index += name.encode().ljust(16, b"\0") + struct.pack("<iiI", start, len(body), 0)
        data += body
        data += b"\0" * (-len(data) % 2048)
    (out / "DEMO.fat").write_bytes(bytes(index))
    (out / "DEMO.mix").write_bytes(bytes(data))
    (out / "title-night.tga").write_bytes(targa(240, 200, night))


if __name__ == "__main__":
    main()
