// TGA decoder: every image type (colour-mapped, true-colour, grey; plain and run-length), all
// four origins, 15/16/24/32-bit colours and map entries, and the alpha that the attribute bits or
// the TGA 2.0 extension area describe.
#include "host/obrisk/pictures.h"

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t Header_Size = 18;
constexpr std::size_t Footer_Size = 26;
// Offset of the attributes-type byte inside the TGA 2.0 extension area.
constexpr std::size_t Extension_Alpha_Offset = 494;

unsigned Get16(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
std::uint32_t Get32(const std::uint8_t* p)
{
    return Get16(p) | (static_cast<std::uint32_t>(Get16(p + 2)) << 16);
}

enum class Alpha { None, Straight, Premultiplied };

struct Header {
    unsigned id_length, map_type, image_type, map_first, map_length, map_bits;
    unsigned width, height, pixel_bits, descriptor;
    bool Run_Length() const { return image_type >= 9; }
    unsigned Base_Type() const { return image_type & 7; }  // 1 mapped, 2 true-colour, 3 grey
    unsigned Attribute_Bits() const { return descriptor & 0x0F; }
    bool Right_To_Left() const { return descriptor & 0x10; }
    bool Top_Down() const { return descriptor & 0x20; }
};

Header Header_Read(const std::uint8_t* h)
{
    return Header{h[0], h[1], h[2], Get16(h + 3), Get16(h + 5), h[7], Get16(h + 12), Get16(h + 14), h[16], h[17]};
}

bool Colour_Bits_Valid(unsigned bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// 5-bit channel to 8 bits, so that 31 becomes 255.
std::uint8_t Expand5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// One colour of 15, 16, 24 or 32 bits as stored (blue first) to B, G, R, A.
void Colour_Read(const std::uint8_t* p, unsigned bits, Alpha alpha, std::uint8_t* out)
{
    if (bits <= 16) {
        const unsigned v = Get16(p);
        out[0] = Expand5(v & 0x1F);
        out[1] = Expand5((v >> 5) & 0x1F);
        out[2] = Expand5((v >> 10) & 0x1F);
        out[3] = (alpha == Alpha::None || bits == 15 || (v & 0x8000)) ? 255 : 0;
        return;
    }
    out[0] = p[0];
    out[1] = p[1];
    out[2] = p[2];
    out[3] = (bits == 32 && alpha != Alpha::None) ? p[3] : 255;
}

// Which alpha the picture carries. The extension area of a TGA 2.0 file says it outright; without
// one, 32-bit colours carry alpha and 16-bit ones only when the descriptor counts an attribute bit.
Alpha Alpha_Kind(const std::uint8_t* bytes, std::size_t size, const Header& h)
{
    const unsigned colour_bits = h.Base_Type() == 1 ? h.map_bits : h.pixel_bits;
    if (size >= Header_Size + Footer_Size) {
        const std::uint8_t* footer = bytes + size - Footer_Size;
        if (std::memcmp(footer + 8, "TRUEVISION-XFILE.\0", 18) == 0) {
            const std::uint32_t offset = Get32(footer);
            if (offset >= Header_Size && offset < size - Footer_Size &&
                size - Footer_Size - offset > Extension_Alpha_Offset) {
                switch (bytes[offset + Extension_Alpha_Offset]) {
                case 3: return Alpha::Straight;
                case 4: return Alpha::Premultiplied;
                default: return Alpha::None;
                }
            }
        }
    }
    if (colour_bits == 32)
        return Alpha::Straight;
    if (colour_bits == 16 && h.Attribute_Bits() >= 1)
        return Alpha::Straight;
    return Alpha::None;
}

// Walks the run-length packets without decoding them: the number of bytes that `pixels` pixels
// take, or 0 when the data ends first. Packets may run on from one row into the next.
std::size_t Packed_Size(const std::uint8_t* data, std::size_t avail, long long pixels, unsigned pixel_bytes)
{
    std::size_t pos = 0;
    while (pixels > 0) {
        if (pos >= avail)
            return 0;
        const unsigned packet = data[pos++];
        const unsigned count = (packet & 0x7F) + 1;
        const std::size_t body = (packet & 0x80) ? pixel_bytes : static_cast<std::size_t>(count) * pixel_bytes;
        if (avail - pos < body)
            return 0;
        pos += body;
        pixels -= count;
    }
    return pos;
}

}  // namespace

namespace host {

bool TGA_Header_Plausible(const std::uint8_t* bytes, std::size_t size)
{
    if (size < Header_Size)
        return false;
    const Header h = Header_Read(bytes);
    if (h.map_type > 1 || (h.descriptor & 0xC0))
        return false;
    const unsigned type = h.Base_Type();
    if ((h.image_type & ~8u) < 1 || (h.image_type & ~8u) > 3)
        return false;
    if (h.map_type == 1 && !Colour_Bits_Valid(h.map_bits))
        return false;
    if (type == 1)
        return h.map_type == 1 && (h.pixel_bits == 8 || h.pixel_bits == 16);
    if (type == 3)
        return h.pixel_bits == 8 || h.pixel_bits == 16;
    return Colour_Bits_Valid(h.pixel_bits);
}

bool TGA_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture)
{
    if (!TGA_Header_Plausible(bytes, size))
        return Picture_Refuse(picture, "TGA header holds impossible values");
    const Header h = Header_Read(bytes);
    if (!Picture_Fits(picture, h.width, h.height, limits))
        return false;
    const Alpha alpha = Alpha_Kind(bytes, size, h);
    const unsigned type = h.Base_Type();
    const unsigned pixel_bytes = (h.pixel_bits + 7) / 8;
    const unsigned entry_bytes = (h.map_bits + 7) / 8;
    const std::size_t map_offset = Header_Size + h.id_length;
    const std::size_t map_bytes = h.map_type ? static_cast<std::size_t>(h.map_length) * entry_bytes : 0;
    const std::size_t data_offset = map_offset + map_bytes;
    if (data_offset > size)
        return Picture_Refuse(picture, "TGA file ends inside its colour map");

    // Every pixel's bytes must be there before any memory is spent on the picture.
    const long long pixels = static_cast<long long>(h.width) * h.height;
    const std::uint8_t* data = bytes + data_offset;
    const std::size_t avail = size - data_offset;
    if (h.Run_Length() ? Packed_Size(data, avail, pixels, pixel_bytes) == 0
                       : static_cast<unsigned long long>(pixels) * pixel_bytes > avail)
        return Picture_Refuse(picture, "TGA file ends before its %u x %u pixels", h.width, h.height);

    // Colour map, indexed by the stored pixel value: entry `map_first` is the first one stored.
    std::vector<std::uint8_t> map;
    if (type == 1) {
        map.resize(static_cast<std::size_t>(h.map_length) * 4);
        for (unsigned i = 0; i < h.map_length; ++i)
            Colour_Read(bytes + map_offset + static_cast<std::size_t>(i) * entry_bytes, h.map_bits, alpha, &map[4 * i]);
    }

    if (!Picture_Allocate(picture, static_cast<int>(h.width), static_cast<int>(h.height)))
        return false;
    std::size_t pos = 0;
    unsigned run_left = 0;   // pixels left in the current packet
    bool repeating = false;  // the current packet repeats one pixel
    for (long long i = 0; i < pixels; ++i) {
        const std::uint8_t* p;
        if (h.Run_Length()) {
            if (run_left == 0) {
                const unsigned packet = data[pos++];
                run_left = (packet & 0x7F) + 1;
                repeating = packet & 0x80;
                if (repeating)
                    pos += pixel_bytes;
            }
            p = repeating ? data + pos - pixel_bytes : data + pos;
            if (!repeating)
                pos += pixel_bytes;
            --run_left;
        } else {
            p = data + pos;
            pos += pixel_bytes;
        }
        // Place the pixel where its origin bits say: rows bottom-up unless top-down, columns
        // left-to-right unless right-to-left.
        const long long row = i / h.width, column = i % h.width;
        const long long y = h.Top_Down() ? row : h.height - 1 - row;
        const long long x = h.Right_To_Left() ? h.width - 1 - column : column;
        std::uint8_t* out = picture.Data + 4 * (y * h.width + x);
        if (type == 1) {
            const unsigned index = pixel_bytes == 1 ? p[0] : Get16(p);
            if (index < h.map_first || index - h.map_first >= h.map_length)
                return Picture_Refuse(picture, "TGA colour index %u outside its colour map (%u to %u)", index,
                                      h.map_first, h.map_first + h.map_length - 1);
            std::memcpy(out, &map[4 * (index - h.map_first)], 4);
        } else if (type == 3) {
            out[0] = out[1] = out[2] = p[0];
            out[3] = pixel_bytes == 2 && alpha != Alpha::None ? p[1] : 255;
        } else {
            Colour_Read(p, h.pixel_bits, alpha, out);
        }
        // Straight alpha is what the record holds: divide premultiplied colours back.
        if (alpha == Alpha::Premultiplied && out[3] != 0 && out[3] != 255)
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(out[c] >= out[3] ? 255 : (out[c] * 255 + out[3] / 2) / out[3]);
    }
    return true;
}

}  // namespace host
