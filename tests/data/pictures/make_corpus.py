#!/usr/bin/python3
"""Writes the generated half of the picture corpus and the expected pixels of every corpus file.

corpus/gen-*          generated here: every TGA type, origin, colour size and alpha rule, BMP and
                      PNM variants, and damaged or oversized files of each format.
corpus/pngsuite-*,
corpus/sdl-*          third-party files, committed as they are (see README).
expected/<file>.png   for each file that must decode: its pixels as 8-bit RGBA. Generated files get
                      the pixels they were made from; third-party files get what Pillow decodes.
                      A corpus file without an expected picture must be refused.

Run with Debian's python3 and python3-pil; the result is committed, the tests do not run it.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
EXPECTED = os.path.join(HERE, "expected")

# A 5 x 3 picture, top row first; equal neighbours make run-length packets, also across rows.
W, H = 5, 3
PIX = [
    [(255, 0, 0, 255), (255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 0), (0, 0, 255, 0)],
    [(0, 0, 255, 0), (255, 255, 255, 255), (0, 0, 0, 255), (10, 20, 30, 64), (200, 100, 50, 255)],
    [(200, 100, 50, 255), (200, 100, 50, 255), (200, 100, 50, 255), (8, 16, 248, 192), (255, 255, 0, 255)],
]


def save(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def chunk(kind, data, crc=None):
    crc = zlib.crc32(kind + data) if crc is None else crc
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def png(width, height, rows, colour_type=6, palette=None, text=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if palette is not None:
        out += chunk(b"PLTE", bytes(v for c in palette for v in c))
    if text is not None:
        out += chunk(b"tEXt", text)
    return out + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def expect(name, pixels):
    """The reference: `pixels` rows of (r, g, b, a), top row first."""
    rows = [[v for px in row for v in px] for row in pixels]
    save(EXPECTED, name + ".png", png(len(pixels[0]), len(pixels), rows))


def gen(name, data, pixels=None):
    save(CORPUS, "gen-" + name, data)
    if pixels is not None:
        expect("gen-" + name, pixels)


def opaque(pixels):
    return [[(r, g, b, 255) for r, g, b, _ in row] for row in pixels]


# ------------------------------------------------------------------------------------------- TGA
def tga_header(image_type, bits, descriptor, map_type=0, map_first=0, map_length=0, map_bits=0,
               width=W, height=H, id_bytes=b""):
    return struct.pack("<BBBHHBHHHHBB", len(id_bytes), map_type, image_type, map_first, map_length, map_bits,
                       0, 0, width, height, bits, descriptor) + id_bytes


def stored_order(pixels, right_to_left, top_down):
    rows = pixels if top_down else pixels[::-1]
    return [px for row in rows for px in (row[::-1] if right_to_left else row)]


def five(v):
    return v >> 3


def expand5(v):
    return (v << 3) | (v >> 2)


def colour16(px, alpha_bit):
    r, g, b, a = px
    return struct.pack("<H", (five(b)) | (five(g) << 5) | (five(r) << 10) | ((0x8000 if a >= 128 else 0) if alpha_bit else 0))


def decoded16(px, alpha):
    r, g, b, a = px
    return (expand5(five(r)), expand5(five(g)), expand5(five(b)), (255 if a >= 128 else 0) if alpha else 255)


def encode(px, bits, alpha_bit):
    r, g, b, a = px
    if bits == 24:
        return bytes((b, g, r))
    if bits == 32:
        return bytes((b, g, r, a))
    return colour16(px, alpha_bit)


def rle(values):
    """Run-length packets over the whole stream, ignoring row ends."""
    out, i = b"", 0
    while i < len(values):
        run = 1
        while i + run < len(values) and run < 128 and values[i + run] == values[i]:
            run += 1
        if run > 1:
            out += bytes((0x80 | (run - 1),)) + values[i]
            i += run
            continue
        j = i + 1
        while j < len(values) and j - i < 128 and (j + 1 >= len(values) or values[j + 1] != values[j]):
            j += 1
        out += bytes((j - i - 1,)) + b"".join(values[i:j])
        i = j
    return out


def tga_true(bits, attribute, rl, right_to_left=False, top_down=False):
    descriptor = attribute | (0x10 if right_to_left else 0) | (0x20 if top_down else 0)
    values = [encode(px, bits, attribute > 0) for px in stored_order(PIX, right_to_left, top_down)]
    body = rle(values) if rl else b"".join(values)
    return tga_header(10 if rl else 2, bits, descriptor) + body


def tga_expected(bits, attribute):
    if bits == 24:
        return opaque(PIX)
    if bits == 32:
        return PIX
    return [[decoded16(px, bits == 16 and attribute > 0) for px in row] for row in PIX]


for rl in (False, True):
    kind = "rle" if rl else "raw"
    # All four origins.
    for rtl in (False, True):
        for top in (False, True):
            origin = ("top" if top else "bottom") + ("-right" if rtl else "-left")
            gen("tga-%s24-%s.tga" % (kind, origin), tga_true(24, 0, rl, rtl, top), opaque(PIX))
    # Colour sizes and the attribute bit of 16-bit colours.
    for bits, attribute in ((32, 8), (16, 1), (16, 0), (15, 0)):
        gen("tga-%s%d-attr%d.tga" % (kind, bits, attribute), tga_true(bits, attribute, rl), tga_expected(bits, attribute))
    # Grey, with and without an alpha byte.
    greys = [[(px[0] + px[1] + px[2]) // 3 for px in row] for row in PIX]
    for bits in (8, 16):
        values = []
        for row in greys[::-1]:
            for x, v in enumerate(row):
                values.append(bytes((v,)) if bits == 8 else bytes((v, 40 * x)))
        body = rle(values) if rl else b"".join(values)
        gen("tga-%s-grey%d.tga" % (kind, bits), tga_header(11 if rl else 3, bits, 8 if bits == 16 else 0) + body,
            [[(v, v, v, 40 * x if bits == 16 else 255) for x, v in enumerate(row)] for row in greys])
    # Colour-mapped: every entry size, first entry 0 and not 0, 8- and 16-bit indexes.
    colours = sorted(set(px for row in PIX for px in row))
    for map_bits in (15, 16, 24, 32):
        for first in (0, 300):
            index_bits = 16 if first else 8
            entries = b"".join(encode(c, map_bits, map_bits == 16) for c in colours)
            indexes = [struct.pack("<H" if index_bits == 16 else "<B", first + colours.index(px))
                       for px in stored_order(PIX, False, False)]
            body = rle(indexes) if rl else b"".join(indexes)
            data = tga_header(9 if rl else 1, index_bits, 1 if map_bits == 16 else 0, 1, first, len(colours), map_bits,
                              id_bytes=b"id") + entries + body
            gen("tga-%s-map%d-first%d.tga" % (kind, map_bits, first), data, tga_expected(map_bits, 1))


# A colour map on a true-colour picture is skipped; an index outside the map is refused.
gen("tga-truecolour-with-map.tga",
    tga_header(2, 24, 0, 1, 0, 2, 24) + b"\x01\x02\x03\x04\x05\x06" + b"".join(
        encode(px, 24, False) for px in stored_order(PIX, False, False)), opaque(PIX))
gen("tga-map-index-outside.tga",
    tga_header(1, 8, 0, 1, 4, 2, 24, width=2, height=1) + b"\x00\x00\xff\x00\xff\x00" + bytes((4, 6)))
gen("tga-map-index-below-first.tga",
    tga_header(1, 8, 0, 1, 4, 2, 24, width=2, height=1) + b"\x00\x00\xff\x00\xff\x00" + bytes((4, 3)))


def tga2(body, alpha_type):
    """Appends a TGA 2.0 extension area with the attributes type and the footer that points at it."""
    extension = bytearray(495)
    struct.pack_into("<H", extension, 0, 495)
    extension[494] = alpha_type
    return body + bytes(extension) + struct.pack("<II", len(body), 0) + b"TRUEVISION-XFILE.\x00"


plain32 = tga_true(32, 8, False)
gen("tga2-alpha-none.tga", tga2(plain32, 0), opaque(PIX))
gen("tga2-alpha-straight.tga", tga2(plain32, 3), PIX)
premultiplied = [[(r * a // 255, g * a // 255, b * a // 255, a) for r, g, b, a in row] for row in PIX]
values = [bytes((b, g, r, a)) for r, g, b, a in stored_order(premultiplied, False, False)]
gen("tga2-alpha-premultiplied.tga", tga2(tga_header(2, 32, 8) + b"".join(values), 4),
    [[tuple(c if a in (0, 255) else 255 if c >= a else (c * 255 + a // 2) // a for c in (r, g, b)) + (a,)
      for r, g, b, a in row] for row in premultiplied])
# 16-bit colours whose extension area says the attribute bit is no alpha.
gen("tga2-16-alpha-none.tga", tga2(tga_true(16, 1, False), 0), tga_expected(16, 0))

# Damaged and oversized TGA files.
whole = tga_true(24, 0, True)
gen("tga-rle-cut.tga", whole[:-2])
gen("tga-rle-packet-past-end.tga", tga_header(10, 24, 0, width=2, height=1) + b"\x02" + b"\x00" * 6)
gen("tga-raw-cut.tga", tga_true(24, 0, False)[:-1])
gen("tga-huge.tga", tga_header(10, 24, 0, width=32767, height=32767) + b"\xff\x00\x00\x00" * 64)
gen("tga-over-pixel-budget.tga", tga_header(11, 8, 0, width=16384, height=16384) + b"\xff\x00" * 64)
gen("tga-map-cut.tga", tga_header(1, 8, 0, 1, 0, 200, 24))
gen("tga-interleaved.tga", tga_header(2, 24, 0x40) + b"\x00" * 45)

# ------------------------------------------------------------------------------------------- PNG
rgba_rows = [[v for px in row for v in px] for row in PIX]
good = png(W, H, rgba_rows)
gen("png-rgba.png", good, PIX)
# Index 254 of a 254-entry palette: past its end.
palette = [(i, 255 - i, i // 2) for i in range(254)]
gen("png-palette-index-outside.png", png(2, 1, [[0, 254]], colour_type=3, palette=palette))
gen("png-palette-index-last.png", png(2, 1, [[0, 253]], colour_type=3, palette=palette),
    [[palette[0] + (255,), palette[253] + (255,)]])
# A wrong CRC on the image data and on an ancillary chunk; a wrong zlib checksum.
def flip_crc(data, kind):
    at = data.index(kind)
    end = at + 4 + struct.unpack(">I", data[at - 4:at])[0]
    return data[:end] + bytes(b ^ 0x5A for b in data[end:end + 4]) + data[end + 4:]


gen("png-bad-crc.png", flip_crc(good, b"IDAT"))
gen("png-bad-text-crc.png", flip_crc(png(W, H, rgba_rows, text=b"Comment\x00x"), b"tEXt"))
compressed = zlib.compress(b"".join(b"\x00" + bytes(r) for r in rgba_rows))
bad_adler = compressed[:-4] + bytes(b ^ 0xFF for b in compressed[-4:])
gen("png-bad-adler.png", good[:33] + chunk(b"IDAT", bad_adler) + chunk(b"IEND", b""))
# Data chunk claiming 2 GiB in a small file; sides far beyond the limits.
gen("png-idat-claims-2gib.png", good[:33] + struct.pack(">I", 0x7FFFFFF0) + b"IDAT" + compressed + b"\x00" * 3800)
gen("png-huge.png", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 30000, 30000, 8, 6, 0, 0, 0))
    + chunk(b"IDAT", zlib.compress(b"\x00" * 4000)) + chunk(b"IEND", b""))
# Within the sides but promising far more rows than the file can hold.
gen("png-rows-beyond-data.png", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4000, 4000, 8, 6, 0, 0, 0))
    + chunk(b"IDAT", zlib.compress(b"\x00" * 100)) + chunk(b"IEND", b""))

# ------------------------------------------------------------------------------------------- BMP
def bmp(header, palette_bytes, rows, extra=b""):
    offset = 14 + len(header) + len(extra) + len(palette_bytes)
    data = b"".join(rows)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + header + extra + palette_bytes + data


def pad(row):
    return row + b"\x00" * (-len(row) % 4)


def info_header(width, height, bits, compression=0, colours=0, size=40):
    return struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0, 2835, 2835, colours, 0)


colours = sorted(set(px for row in PIX for px in row))
bottom_up = PIX[::-1]
rows24 = [pad(b"".join(bytes((b, g, r)) for r, g, b, _ in row)) for row in bottom_up]
gen("bmp-24.bmp", bmp(info_header(W, H, 24), b"", rows24), opaque(PIX))
gen("bmp-24-top-down.bmp", bmp(info_header(W, -H, 24), b"", rows24[::-1]), opaque(PIX))
pal4 = b"".join(bytes((b, g, r, 0)) for r, g, b, _ in colours)
rows8 = [pad(bytes(colours.index(px) for px in row)) for row in bottom_up]
gen("bmp-8-palette.bmp", bmp(info_header(W, H, 8, colours=len(colours)), pal4, rows8), opaque(PIX))
rows4 = [pad(bytes((colours.index(row[i]) << 4) | (colours.index(row[i + 1]) if i + 1 < W else 0)
                   for i in range(0, W, 2))) for row in bottom_up]
gen("bmp-4-palette.bmp", bmp(info_header(W, H, 4, colours=len(colours)), pal4, rows4), opaque(PIX))
# OS/2 1.x: 12-byte header with 16-bit sides and 3-byte palette entries.
core = struct.pack("<IHHHH", 12, W, H, 1, 8)
gen("bmp-os2-8-palette.bmp", bmp(core, b"".join(bytes((b, g, r)) for r, g, b, _ in colours), rows8), opaque(PIX))
gen("bmp-os2-24.bmp", bmp(struct.pack("<IHHHH", 12, W, H, 1, 24), b"", rows24), opaque(PIX))
# 16-bit 5-5-5 and 32-bit with bit masks and alpha (Windows v4 header).
rows16 = [pad(b"".join(colour16(px, False) for px in row)) for row in bottom_up]
gen("bmp-16.bmp", bmp(info_header(W, H, 16), b"", rows16),
    [[tuple((five(c) * 255 + 15) // 31 for c in px[:3]) + (255,) for px in row] for row in PIX])
v4 = info_header(W, H, 32, 3, size=108) + struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000) + b"\x00" * 52
rows32 = [b"".join(bytes((b, g, r, a)) for r, g, b, a in row) for row in bottom_up]
gen("bmp-32-alpha-masks.bmp", bmp(v4, b"", rows32), PIX)
gen("bmp-32.bmp", bmp(info_header(W, H, 32), b"", rows32), opaque(PIX))
# Refused: an index past the palette, run-length data, rows cut short, sides beyond the limits.
gen("bmp-palette-index-outside.bmp", bmp(info_header(2, 1, 8, colours=2), pal4[:8], [pad(bytes((0, 2)))]))
gen("bmp-rle8.bmp", bmp(info_header(2, 1, 8, 1, colours=2), pal4[:8], [b"\x02\x01\x00\x01"]))
gen("bmp-cut.bmp", bmp(info_header(W, H, 24), b"", rows24)[:-5])
gen("bmp-huge.bmp", bmp(info_header(20000, 20000, 24), b"", [b"\x00" * 64]))

# ------------------------------------------------------------------------------------------- PNM
rgb = [px[:3] for row in PIX for px in row]
gen("ppm-8.ppm", b"P6\n# comment\n5 3\n255\n" + bytes(v for c in rgb for v in c), opaque(PIX))
gen("ppm-16.ppm", b"P6 5 3 65535\n" + b"".join(struct.pack(">H", v * 257) for c in rgb for v in c), opaque(PIX))
greys = [(r * 3 + g * 5 + b * 2) // 10 for r, g, b in rgb]
stored = [(v * 1000 + 127) // 255 for v in greys]
gen("pgm-16-max1000.pgm", b"P5 5 3 1000\n" + b"".join(struct.pack(">H", v) for v in stored),
    [[((v * 255 + 500) // 1000,) * 3 + (255,) for v in stored[y * W:(y + 1) * W]] for y in range(H)])
gen("pgm-plain.pgm", b"P2\n5 3\n255\n" + " ".join(str(v) for v in greys).encode() + b"\n",
    [[(v, v, v, 255) for v in greys[y * W:(y + 1) * W]] for y in range(H)])
gen("ppm-plain.ppm", b"P3 5 3 255\n" + " ".join(str(v) for c in rgb for v in c).encode() + b"\n", opaque(PIX))
gen("ppm-16-cut.ppm", b"P6 5 3 65535\n" + b"\x00" * 80)
gen("ppm-huge.ppm", b"P6\n8000 8000\n255\n")
gen("ppm-sample-above-max.ppm", b"P5 2 1 100\n" + bytes((50, 101)))
gen("pbm-bitmap.pbm", b"P4 8 1\n\xaa")

# ------------------------------------------------------------------------------------------ JPEG
sample = open(os.path.join(CORPUS, "sdl-sample.jpg"), "rb").read()
gen("jpeg-bad-app0-length.jpg", sample[:4] + b"\x00\x40" + sample[6:])
gen("jpeg-cut.jpg", sample[: len(sample) * 2 // 3])
sof = sample.index(b"\xff\xc2")
gen("jpeg-rows-beyond-data.jpg", sample[:sof + 5] + struct.pack(">HH", 4000, 4000) + sample[sof + 9:])
gen("jpeg-huge.jpg", sample[:sof + 5] + struct.pack(">HH", 60000, 60000) + sample[sof + 9:])

# ------------------------------------------------------------------------------ third-party files
def pillow_reference(name):
    from PIL import Image
    image = Image.open(os.path.join(CORPUS, name))
    image.load()
    if image.mode in ("I", "I;16", "I;16B"):
        # 16-bit grey: Pillow would clip to 8 bits; keep the high byte as the readers do.
        transparent = image.info.get("transparency")
        width, height = image.size
        data = image.getdata()
        pixels = [[(data[y * width + x] >> 8,) * 3 + (0 if data[y * width + x] == transparent else 255,)
                   for x in range(width)] for y in range(height)]
    else:
        raw = open(os.path.join(CORPUS, name), "rb").read()
        if image.mode == "L" and raw.startswith(b"\x89PNG") and raw[24] < 8 and "transparency" in image.info:
            # Pillow compares a low-depth grey key with samples already scaled to 8 bits.
            image.info["transparency"] = image.info["transparency"] * 255 // ((1 << raw[24]) - 1)
        rgba = image.convert("RGBA")
        width, height = rgba.size
        data = list(rgba.getdata())
        pixels = [data[y * width:(y + 1) * width] for y in range(height)]
    expect(name, pixels)


for name in sorted(os.listdir(CORPUS)):
    if name.startswith(("pngsuite-", "sdl-")) and not name.endswith(".gif"):
        pillow_reference(name)
