#!/usr/bin/env python3
"""Writes the pictures of the gallery's selection-list scene into Icons/ beside this script.

Each is a 32 x 32 uncompressed 32-bit TGA, top row first, one shape in one colour on a transparent
ground, antialiased by 4 x 4 supersampling.
"""
import math
import os
import struct

SIZE = 32
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Icons")


def sun(x, y):
    r = math.hypot(x - 16, y - 16)
    if r < 8:
        return True
    a = math.atan2(y - 16, x - 16)
    return r < 14 and abs(math.sin(4 * a)) > 0.85


def leaf(x, y):
    # Two circles' intersection, tilted: a lens.
    u, v = (x - 16 + y - 16) / math.sqrt(2), (x - 16 - (y - 16)) / math.sqrt(2)
    return math.hypot(u, v - 9) < 14 and math.hypot(u, v + 9) < 14


def drop(x, y):
    r = math.hypot(x - 16, y - 19)
    if r < 9:
        return True
    # The point above the round part.
    return 3 <= y <= 19 and abs(x - 16) < (y - 3) * 9 / 16


def star(x, y):
    a = math.atan2(y - 17, x - 16) + math.pi / 2
    r = math.hypot(x - 16, y - 17)
    k = (a % (2 * math.pi / 5)) / (2 * math.pi / 5)
    edge = 6 + 8 * abs(1 - 2 * k) ** 1.6
    return r < edge


SHAPES = {
    "list_sun.tga": (sun, (250, 200, 40)),
    "list_leaf.tga": (leaf, (60, 190, 70)),
    "list_drop.tga": (drop, (50, 130, 240)),
    "list_star.tga": (star, (230, 60, 90)),
}


def render(shape, colour):
    rows = []
    for y in range(SIZE):
        row = b""
        for x in range(SIZE):
            hits = sum(shape(x + (i + 0.5) / 4, y + (j + 0.5) / 4) for i in range(4) for j in range(4))
            alpha = round(255 * hits / 16)
            row += bytes((colour[2], colour[1], colour[0], alpha))
        rows.append(row)
    # Descriptor 0x28: 8 alpha bits, top row first.
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, SIZE, SIZE, 32, 0x28)
    return header + b"".join(rows)


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, (shape, colour) in SHAPES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(render(shape, colour))
