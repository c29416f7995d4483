#!/usr/bin/env python3
"""Writes the box tests' pictures: one 2 x 2 picture as TGA and PNG, under misleading names, and
two files that no reader accepts."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# First row at the top: red, green / blue, a translucent dark blue-grey.
PIXELS = [[(255, 0, 0, 255), (0, 255, 0, 255)], [(0, 0, 255, 255), (10, 20, 30, 128)]]


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in r) for r in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def tga(rows):
    height, width = len(rows), len(rows[0])
    # Uncompressed true colour, 32 bits with 8 alpha bits, origin at the top left (bit 5).
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 0x28)
    return header + b"".join(bytes((p[2], p[1], p[0], p[3])) for r in rows for p in r)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    picture = png(PIXELS)
    write("quad.png", picture)
    write("quad.tga", tga(PIXELS))
    write("QUAD.TGA", picture)      # a PNG under an upper-case TGA name: the general reader takes it
    write("quad.tga.png", picture)  # a PNG whose name holds ".tga": the TGA reader refuses it
    write("broken.png", picture[:40] + b"\xde\xad\xbe\xef" * 8)
    write("notes.tga", b"this is not a picture\n")
