#!/usr/bin/env python3
"""Writes a Windows icon file (.ico) holding the given PNG pictures as they
are, one image per size, which Windows reads since Vista.

The file: a 6-byte header (reserved 0, type 1 = icon, the image count), a
16-byte record per image (width and height, 0 meaning 256; colour count 0;
reserved 0; planes 1; 32 bits per pixel; the image's byte size and offset
from the start of the file), then the PNG files one after another. All
numbers are little-endian.

usage: ico.py OUT.ico PICTURE.png...   (each PNG square, 256 pixels at most)
"""
import struct
import sys


def png_size(data, name):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"ico.py: {name} is no PNG file")
    width, height = struct.unpack(">II", data[16:24])
    if width != height or not 1 <= width <= 256:
        sys.exit(f"ico.py: {name} is {width}x{height}; an icon image is square, 256 pixels at most")
    return width


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    out, names = sys.argv[1], sys.argv[2:]
    images = []
    for name in names:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    images.sort(key=lambda image: image[0])
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    records, blobs = [], []
    for size, data in images:
        side = 0 if size == 256 else size
        records.append(struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset))
        blobs.append(data)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + b"".join(records) + b"".join(blobs))


if __name__ == "__main__":
    main()
