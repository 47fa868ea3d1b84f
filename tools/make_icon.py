#!/usr/bin/env python3
"""Draws the program icon (a waste bin with a red arrow dropping into it) and
writes it as a Windows .ico file holding one 32 x 32 image in 256 colours.

Usage: tools/make_icon.py [output]   (default: ui/resources/moxlyn.ico)
"""

import os
import struct
import sys

SIZE = 32

# Palette index -> (red, green, blue). Index 0 is the transparent background.
PALETTE = [
    (0, 0, 0),        # 0 background (masked out)
    (0, 0, 0),        # 1 outline
    (255, 255, 255),  # 2 highlight
    (212, 212, 212),  # 3 light metal
    (160, 160, 164),  # 4 metal
    (112, 112, 116),  # 5 shadow
    (220, 32, 32),    # 6 arrow
    (140, 0, 0),      # 7 arrow edge
]
TRANSPARENT = 0


def draw():
    """Returns the image as SIZE rows of palette indices, top row first."""
    image = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def put(x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            image[y][x] = colour

    def span(y, left, right, colour):
        for x in range(left, right + 1):
            put(x, y, colour)

    # Handle on the lid.
    span(4, 12, 19, 1)
    for y in (5, 6):
        put(12, y, 1)
        put(19, y, 1)
        span(y, 13, 18, 3 if y == 5 else 4)
    # Lid.
    span(7, 5, 26, 1)
    span(8, 5, 26, 1)
    span(8, 6, 25, 2)
    span(9, 5, 26, 1)
    span(9, 6, 25, 4)
    span(10, 5, 26, 1)
    # Body: tapers from 8..23 at the top to 10..21 at the bottom.
    top, bottom = 11, 29
    for y in range(top, bottom + 1):
        shrink = (y - top) * 2 // (bottom - top)
        left, right = 7 + shrink, 24 - shrink
        if y == bottom:
            span(y, left, right, 1)
            continue
        put(left, y, 1)
        put(right, y, 1)
        span(y, left + 1, left + 2, 2)
        span(y, left + 3, right - 3, 3)
        span(y, right - 2, right - 1, 5)
        # Ribs.
        for rib in (left + 5, right - 5):
            put(rib, y, 4)
    # Arrow dropping into the bin.
    for y in range(12, 21):
        span(y, 14, 17, 6)
        put(13, y, 7)
        put(18, y, 7)
    for step, y in enumerate(range(21, 27)):
        left, right = 10 + step, 21 - step
        span(y, left, right, 6)
        put(left, y, 7)
        put(right, y, 7)
    return image


def ico_bytes(image):
    palette = PALETTE + [(0, 0, 0)] * (256 - len(PALETTE))
    xor_rows = b"".join(bytes(row) for row in reversed(image))
    and_rows = b""
    for row in reversed(image):
        bits = 0
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                bits |= 1 << (31 - x)
        and_rows += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor_rows) + len(and_rows), 0, 0, 256, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    body = header + colours + xor_rows + and_rows
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(body), 6 + 16)
    return directory + entry + body


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "ui", "resources", "moxlyn.ico")
    with open(output, "wb") as file:
        file.write(ico_bytes(draw()))


if __name__ == "__main__":
    main()
