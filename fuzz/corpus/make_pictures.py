#!/usr/bin/env python3
"""Writes the seed pictures of the picture fuzzer: small valid files of each TGA variant and a few
PNG, BMP and PNM files. Run from anywhere; the files go into picture/ beside this script."""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "picture")
W, H = 5, 3
# Pixels as (r, g, b, a), first row at the top.
PIXELS = [[((40 * x + 30) % 256, (70 * y + 20) % 256, (25 * (x + y)) % 256, 255 - 60 * y) for x in range(W)]
          for y in range(H)]


def tga(name, image_type, bits, pixel_bytes_fn, rows, descriptor=0, cmap=None, rle=False):
    if cmap:
        map_first, map_entries, map_bits = 0, len(cmap[0]), cmap[1]
        map_data = cmap[2]
    else:
        map_first = map_entries = map_bits = 0
        map_data = b""
    header = struct.pack("<BBBHHBHHHHBB", 2, 1 if cmap else 0, image_type, map_first, map_entries, map_bits,
                         0, 0, W, H, bits, descriptor)
    body = b""
    for row in rows:
        cells = [pixel_bytes_fn(p) for p in row]
        if not rle:
            body += b"".join(cells)
            continue
        # One run packet for the first two pixels of a row, raw packets for the rest.
        body += bytes([0x80 | 1]) + cells[0]
        body += bytes([len(cells) - 3]) + b"".join(cells[2:])
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(header + b"id" + map_data + body)


def bottom_up(rows):
    return list(reversed(rows))


def png(name, color_type, bit_depth, raw_rows, extra=b"", interlace=0):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    ihdr = struct.pack(">IIBBBBB", W, H, bit_depth, color_type, 0, 0, interlace)
    data = b"".join(b"\x00" + r for r in raw_rows)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(data))
                + chunk(b"IEND", b""))


def main():
    os.makedirs(OUT, exist_ok=True)
    bgr = lambda p: bytes([p[2], p[1], p[0]])
    bgra = lambda p: bytes([p[2], p[1], p[0], p[3]])
    grey = lambda p: bytes([(p[0] + p[1] + p[2]) // 3])
    rgb15 = lambda p: struct.pack("<H", ((p[0] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[2] >> 3))
    tga("rgb24.tga", 2, 24, bgr, bottom_up(PIXELS))
    tga("rgba32_top.tga", 2, 32, bgra, PIXELS, descriptor=0x28)
    tga("rgb16.tga", 2, 16, rgb15, bottom_up(PIXELS))
    tga("rle24.tga", 10, 24, bgr, bottom_up(PIXELS), rle=True)
    tga("rle32.tga", 10, 32, bgra, bottom_up(PIXELS), descriptor=0x08, rle=True)
    tga("grey8.tga", 3, 8, grey, bottom_up(PIXELS))
    tga("grey8_rle.tga", 11, 8, grey, bottom_up(PIXELS), rle=True)
    # Colour-mapped: a palette of the distinct pixels, 8-bit indices.
    palette = sorted({p for row in PIXELS for p in row})
    index = {p: i for i, p in enumerate(palette)}
    cmap24 = (palette, 24, b"".join(bgr(p) for p in palette))
    tga("mapped8.tga", 1, 8, lambda p: bytes([index[p]]), bottom_up(PIXELS), cmap=cmap24)
    tga("mapped8_rle.tga", 9, 8, lambda p: bytes([index[p]]), bottom_up(PIXELS), cmap=cmap24, rle=True)
    cmap32 = (palette, 32, b"".join(bgra(p) for p in palette))
    tga("mapped8_map32.tga", 1, 8, lambda p: bytes([index[p]]), PIXELS, descriptor=0x20, cmap=cmap32)

    png("rgba.png", 6, 8, [bytes(c for p in row for c in p) for row in PIXELS])
    png("rgb.png", 2, 8, [bytes(c for p in row for c in p[:3]) for row in PIXELS])
    png("grey.png", 0, 8, [b"".join(grey(p) for p in row) for row in PIXELS])
    png("grey_alpha.png", 4, 8, [b"".join(grey(p) + bytes([p[3]]) for p in row) for row in PIXELS])
    png("rgb16.png", 2, 16, [b"".join(struct.pack(">HHH", *(c * 257 for c in p[:3])) for p in row)
                             for row in PIXELS])
    plte = b"".join(bytes(p[:3]) for p in palette)
    trns = bytes(p[3] for p in palette)
    extra = (struct.pack(">I", len(plte)) + b"PLTE" + plte + struct.pack(">I", zlib.crc32(b"PLTE" + plte))
             + struct.pack(">I", len(trns)) + b"tRNS" + trns + struct.pack(">I", zlib.crc32(b"tRNS" + trns)))
    png("palette.png", 3, 8, [bytes(index[p] for p in row) for row in PIXELS], extra=extra)

    # BMP: 24-bit, bottom-up, rows padded to 4 bytes.
    row_bytes = (3 * W + 3) & ~3
    pixels = b"".join(b"".join(bgr(p) for p in row).ljust(row_bytes, b"\0") for row in bottom_up(PIXELS))
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(OUT, "rgb24.bmp"), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels)
    # PNM: binary RGB.
    with open(os.path.join(OUT, "rgb.ppm"), "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H) + bytes(c for row in PIXELS for p in row for c in p[:3]))


if __name__ == "__main__":
    main()
