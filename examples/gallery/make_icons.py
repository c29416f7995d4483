#!/usr/bin/env python3
"""Writes the two pictures the box scene shows: Icons/sun.png and Icons/diamond.tga (32 x 32)."""
import math
import os
import struct
import zlib

SIZE = 32
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Icons")


def sun(x, y):
    # An orange disc fading out at its rim, on a transparent ground.
    d = math.hypot(x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2) / (SIZE / 2)
    alpha = max(0.0, min(1.0, (1.0 - d) * 4.0))
    return (255, int(200 - 120 * d), 40, int(255 * alpha))


def diamond(x, y):
    # A blue diamond with a white core on an opaque dark ground; the top half is lighter, so a
    # picture upside down shows at once.
    d = abs(x + 0.5 - SIZE / 2) + abs(y + 0.5 - SIZE / 2)
    if d < 6:
        return (255, 255, 255, 255)
    if d < 15:
        return (40, 90, 230, 255) if y < SIZE / 2 else (20, 50, 150, 255)
    return (30, 30, 30, 255)


def png(path, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(SIZE)) for y in range(SIZE))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def tga(path, pixel):
    # Uncompressed 32-bit, stored bottom row first (the TGA default origin).
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, SIZE, SIZE, 32, 8)
    body = b"".join(bytes((p[2], p[1], p[0], p[3])) for y in reversed(range(SIZE)) for x in range(SIZE)
                    for p in [pixel(x, y)])
    with open(path, "wb") as f:
        f.write(header + body)


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    png(os.path.join(HERE, "sun.png"), sun)
    tga(os.path.join(HERE, "diamond.tga"), diamond)
