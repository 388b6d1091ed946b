#!/usr/bin/env python3
"""Packs square PNG renderings of the icon into one Windows .ico file.

Usage: make_ico.py OUTPUT.ico INPUT.png...

Each image is stored as PNG inside the .ico (Windows reads PNG entries since Vista; the
resource compiler copies them unchanged). Sizes up to 256 pixels; 256 is written as 0 in
the directory, as the format requires.
"""

import struct
import sys


def png_size(data, path):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"make_ico: {path} is not a PNG file")
    width, height = struct.unpack(">II", data[16:24])
    if width != height or not 1 <= width <= 256:
        sys.exit(f"make_ico: {path} is {width}x{height}; square, at most 256 pixels")
    return width


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    images = []
    for path in argv[2:]:
        with open(path, "rb") as f:
            data = f.read()
        images.append((png_size(data, path), data))
    images.sort(key=lambda image: image[0])
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory = b""
    for size, data in images:
        side = 0 if size == 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(argv[1], "wb") as f:
        f.write(header + directory + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv)
