#!/usr/bin/env python3
"""Writes the small test pictures of the picture readers (run from any folder; writes beside itself).

Every picture shows the same 3 x 2 pattern, top row first:
    red, green, blue
    white, black, (10, 20, 30)
with alpha 255, except the 32-bit ones, whose top row has alpha 128, 64, 0.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
BOTTOM = [(255, 255, 255), (0, 0, 0), (10, 20, 30)]
ALPHA_TOP = [128, 64, 0]


def save(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def tga_header(image_type, width, height, bits, descriptor=0, map_type=0, map_length=0, map_bits=0):
    return struct.pack("<BBBHHBHHHHBB", 0, map_type, image_type, 0, map_length, map_bits,
                       0, 0, width, height, bits, descriptor)


def bgr(c):
    return bytes((c[2], c[1], c[0]))


# Uncompressed 24-bit, stored bottom row first (the TGA default).
save("rgb24.tga", tga_header(2, 3, 2, 24) + b"".join(bgr(c) for c in BOTTOM + TOP))

# Uncompressed 32-bit with alpha, stored top row first (descriptor bit 5).
rows = [bgr(c) + bytes((a,)) for c, a in zip(TOP, ALPHA_TOP)] + [bgr(c) + b"\xff" for c in BOTTOM]
save("rgba32_top.tga", tga_header(2, 3, 2, 32, descriptor=0x28) + b"".join(rows))

# Run-length encoded 24-bit: a raw packet for each row (bottom first), the last pixel as a run.
rle = b""
for row in (BOTTOM, TOP):
    rle += bytes((0x01,)) + bgr(row[0]) + bgr(row[1])  # raw packet of 2
    rle += bytes((0x80,)) + bgr(row[2])                # run packet of 1
save("rle24.tga", tga_header(10, 3, 2, 24) + rle)

# Colour-mapped: 8-bit indices into a 24-bit palette of the six colours.
palette = TOP + BOTTOM
indices = bytes((3, 4, 5, 0, 1, 2))  # bottom row first
save("mapped8.tga", tga_header(1, 3, 2, 8, map_type=1, map_length=6, map_bits=24)
     + b"".join(bgr(c) for c in palette) + indices)

# Grey 8-bit: the top row 0, 128, 255 and the bottom row 50, 100, 200, stored bottom first.
save("grey8.tga", tga_header(3, 3, 2, 8) + bytes((50, 100, 200, 0, 128, 255)))

# Header claims more pixels than the file holds.
save("truncated.tga", tga_header(2, 3, 2, 24) + b"\x00\x00\xff" * 2)

# Sides beyond what the picture record can hold.
save("too_wide.tga", tga_header(2, 40000, 1, 24) + b"\x00" * 30)


def png(width, height, rgba_rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rgba_rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


pattern = png(3, 2, [[c + (a,) for c, a in zip(TOP, ALPHA_TOP)], [c + (255,) for c in BOTTOM]])
save("rgba.png", pattern)
save("png_named.tga", pattern)            # right content, wrong reader
save("truncated.png", pattern[:len(pattern) // 2])
save("too_tall.png", png(1, 40000, [[(0, 0, 0, 255)]] * 40000))
save("not_a_picture.png", b"This is just text, not a picture.\n")
