#!/usr/bin/env python3
"""Checks a screenshot of the X server (xwd -root) for the quadrant window's image.

Usage:
  screen_check.py SHOT.xwd quadrants X Y W H   the rectangle shows red, green, blue and
                                               yellow quadrants (top left, top right,
                                               bottom left, bottom right)
  screen_check.py SHOT.xwd COLOUR X Y W H      the rectangle's corners and centre are COLOUR:
                                               black, red, green, blue or yellow
  screen_check.py SHOT.xwd marks X Y W H       something is drawn in the rectangle: a pixel
                                               differs from its top left corner's colour
  screen_check.py SHOT.xwd pixel X Y           prints the pixel as R G B

Exits with 0 when the check holds and prints what it saw otherwise.
"""

import struct
import sys

TOLERANCE = 40
RED, GREEN, BLUE, YELLOW, BLACK = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 0, 0)
COLOURS = {"black": BLACK, "red": RED, "green": GREEN, "blue": BLUE, "yellow": YELLOW}


class Shot:
    """A ZPixmap xwd dump of a TrueColor screen, 24 or 32 bits per pixel."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        header = struct.unpack(">25I", data[:100])
        header_size, version, pixmap_format = header[0], header[1], header[2]
        if version != 7 or pixmap_format != 2:
            sys.exit(f"screen_check: {path} is not a ZPixmap xwd dump")
        self.width, self.height = header[4], header[5]
        self.byte_order = header[7]
        self.bits_per_pixel = header[11]
        self.bytes_per_line = header[12]
        self.masks = header[14:17]
        colours = header[19]
        self.pixels = data[header_size + 12 * colours :]
        if self.bits_per_pixel not in (24, 32):
            sys.exit(f"screen_check: {self.bits_per_pixel} bits per pixel is not handled")

    def rgb(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            sys.exit(f"screen_check: {x},{y} is outside the {self.width}x{self.height} screen")
        step = self.bits_per_pixel // 8
        at = y * self.bytes_per_line + x * step
        raw = self.pixels[at : at + step]
        value = int.from_bytes(raw, "little" if self.byte_order == 0 else "big")
        out = []
        for mask in self.masks:
            shift = (mask & -mask).bit_length() - 1
            out.append(((value & mask) >> shift) * 255 // (mask >> shift))
        return tuple(out)


def near(colour, expected):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(colour, expected))


def check(shot, points):
    failures = [f"{x},{y} is {shot.rgb(x, y)}, not {want}" for x, y, want in points
                if not near(shot.rgb(x, y), want)]
    for line in failures:
        print(line)
    return 0 if not failures else 1


def marks(shot, x, y, w, h):
    ground = shot.rgb(x, y)
    for py in range(y, y + h):
        for px in range(x, x + w):
            if not near(shot.rgb(px, py), ground):
                return 0
    print(f"{x},{y} {w}x{h} is all {ground}")
    return 1


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    shot = Shot(argv[1])
    numbers = [int(v) for v in argv[3:]]
    if argv[2] == "pixel" and len(numbers) == 2:
        print(*shot.rgb(*numbers))
        return 0
    if len(numbers) != 4:
        sys.exit(__doc__)
    x, y, w, h = numbers
    if argv[2] == "quadrants":
        return check(shot, [(x + w // 4, y + h // 4, RED), (x + 3 * w // 4, y + h // 4, GREEN),
                            (x + w // 4, y + 3 * h // 4, BLUE),
                            (x + 3 * w // 4, y + 3 * h // 4, YELLOW)])
    if argv[2] in COLOURS:
        want = COLOURS[argv[2]]
        return check(shot, [(x + 1, y + 1, want), (x + w - 2, y + 1, want),
                            (x + 1, y + h - 2, want), (x + w - 2, y + h - 2, want),
                            (x + w // 2, y + h // 2, want)])
    if argv[2] == "marks":
        return marks(shot, x, y, w, h)
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
