// BMP decoder for uncompressed pictures: OS/2 and Windows headers, 1/4/8-bit palettes, 16/24/32-bit
// colours with or without bit masks, bottom-up and top-down rows. Run-length BMPs are refused.
#include "host/obrisk/pictures.h"

#include <cstdlib>

namespace {

constexpr std::size_t File_Header = 14;

std::uint32_t Get16(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
std::uint32_t Get32(const std::uint8_t* p)
{
    return Get16(p) | (Get16(p + 2) << 16);
}

// One colour channel stored under a bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (!mask)
            return;
        while (!((mask >> shift) & 1))
            ++shift;
        max = mask >> shift;
    }
    std::uint8_t Get(std::uint32_t value, std::uint8_t absent) const
    {
        if (!mask)
            return absent;
        const std::uint64_t v = (value & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

enum Compression : std::uint32_t {
    Plain = 0,
    Run_Length_8 = 1,
    Run_Length_4 = 2,
    Bit_Fields = 3,
    Alpha_Bit_Fields = 6
};

}  // namespace

namespace host {

bool BMP_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture)
{
    if (size < File_Header + 12)
        return Picture_Refuse(picture, "BMP file too short for its headers");
    const std::uint32_t data_offset = Get32(bytes + 10);
    const std::uint32_t header_size = Get32(bytes + 14);
    const std::uint8_t* h = bytes + File_Header;
    const bool core = header_size == 12;  // OS/2 1.x: 16-bit sides, 3-byte palette entries
    if (!core && (header_size < 16 || header_size > 124))
        return Picture_Refuse(picture, "BMP header of %u bytes is not one that is read", header_size);
    if (size - File_Header < header_size)
        return Picture_Refuse(picture, "BMP file too short for its headers");

    long long width, height;
    std::uint32_t planes, bits, compression = Plain, colours_used = 0;
    if (core) {
        width = Get16(h + 4);
        height = Get16(h + 6);
        planes = Get16(h + 8);
        bits = Get16(h + 10);
    } else {
        width = static_cast<std::int32_t>(Get32(h + 4));
        height = static_cast<std::int32_t>(Get32(h + 8));
        planes = Get16(h + 12);
        bits = Get16(h + 14);
        if (header_size >= 20)
            compression = Get32(h + 16);
        if (header_size >= 36)
            colours_used = Get32(h + 32);
    }
    // A negative height stores the rows top-down.
    const bool top_down = height < 0;
    if (top_down)
        height = -height;
    if (planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return Picture_Refuse(picture, "BMP with %u planes of %u bits is not read", planes, bits);
    // OS/2 2.x headers (16 to 64 bytes other than Windows' 40, 52, 56) give 3 another meaning.
    const bool windows = header_size == 40 || header_size == 52 || header_size == 56 || header_size >= 108;
    if (compression == Run_Length_8 || compression == Run_Length_4)
        return Picture_Refuse(picture, "run-length BMP pictures are not read");
    const bool masked = windows && (compression == Bit_Fields || compression == Alpha_Bit_Fields);
    if (compression != Plain && !masked)
        return Picture_Refuse(picture, "BMP compression %u is not read", compression);
    if (masked && bits != 16 && bits != 32)
        return Picture_Refuse(picture, "BMP bit masks on %u-bit pixels", bits);
    if (!Picture_Fits(picture, width, height, limits))
        return false;

    // Masks follow a 40-byte header, or sit inside the larger ones at the same place.
    std::size_t after_header = File_Header + header_size;
    std::uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
    if (bits == 32 || bits == 24) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (masked) {
        const int count = compression == Alpha_Bit_Fields || header_size >= 56 ? 4 : 3;
        if (header_size == 40)
            after_header += 4 * count;
        if (File_Header + 40 + 4 * count > size)
            return Picture_Refuse(picture, "BMP file too short for its bit masks");
        for (int i = 0; i < count; ++i)
            masks[i] = Get32(bytes + File_Header + 40 + 4 * i);
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    // Palette: `colours_used` entries, or all that the pixel size can address.
    const std::size_t entry_bytes = core ? 3 : 4;
    std::size_t palette_size = 0;
    const std::uint8_t* palette = bytes + after_header;
    if (bits <= 8) {
        palette_size = colours_used && colours_used < (1u << bits) ? colours_used : (1u << bits);
        // Writers often store fewer entries than the pixel size allows; those present must fit.
        const std::size_t room = data_offset > after_header ? (data_offset - after_header) / entry_bytes : 0;
        if (palette_size > room)
            palette_size = room;
        if (palette_size == 0)
            return Picture_Refuse(picture, "%u-bit BMP without a palette", bits);
    }

    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (data_offset > size || (size - data_offset) / stride < static_cast<std::size_t>(height))
        return Picture_Refuse(picture, "BMP file ends before its %lld x %lld pixels", width, height);
    if (!Picture_Allocate(picture, static_cast<int>(width), static_cast<int>(height)))
        return false;
    for (long long row = 0; row < height; ++row) {
        const std::uint8_t* in = bytes + data_offset + stride * row;
        std::uint8_t* out = picture.Data + 4 * width * (top_down ? row : height - 1 - row);
        for (long long x = 0; x < width; ++x, out += 4) {
            if (bits <= 8) {
                const unsigned per_byte = 8 / bits;
                const unsigned shift = 8 - bits * (1 + x % per_byte);
                const unsigned index = (in[x / per_byte] >> shift) & ((1u << bits) - 1);
                if (index >= palette_size)
                    return Picture_Refuse(picture, "BMP palette index %u beyond its %zu colours", index, palette_size);
                const std::uint8_t* entry = palette + entry_bytes * index;
                out[0] = entry[0];
                out[1] = entry[1];
                out[2] = entry[2];
                out[3] = 255;
                continue;
            }
            const std::uint8_t* p = in + x * (bits / 8);
            const std::uint32_t value = bits == 16 ? Get16(p) : bits == 24 ? Get16(p) | (p[2] << 16) : Get32(p);
            out[0] = blue.Get(value, 0);
            out[1] = green.Get(value, 0);
            out[2] = red.Get(value, 0);
            out[3] = alpha.Get(value, 255);
        }
    }
    return true;
}

}  // namespace host
