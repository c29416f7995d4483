// PNG decoder on libpng, with every check it offers switched on: chunk CRCs (critical and
// ancillary) and the zlib checksum; palette indexes are checked here.
#include "host/obrisk/pictures.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Deflate turns one byte into at most 1032 bytes; a file cannot hold more rows than that allows.
constexpr long long Deflate_Max_Ratio = 1032;

struct Source {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t pos;
    host::Picture* picture;
};

void Source_Read(png_structp png, png_bytep out, png_size_t length)
{
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->size - source->pos < length)
        png_error(png, "file ends early");
    std::memcpy(out, source->bytes + source->pos, length);
    source->pos += length;
}

// libpng's errors end the read; the message becomes the reason.
[[noreturn]] void On_Error(png_structp png, png_const_charp message)
{
    auto* source = static_cast<Source*>(png_get_error_ptr(png));
    std::snprintf(source->picture->Reason, sizeof(source->picture->Reason), "PNG: %.180s", message);
    png_longjmp(png, 1);
}

// Warnings concern ancillary data (colour profiles, text) that the picture does not need.
void On_Warning(png_structp, png_const_charp)
{}

// What the rows hold before the transforms: bytes of one row, to check against the file's size.
long long Raw_Row_Bytes(png_uint_32 width, int bit_depth, int colour_type)
{
    const int channels = colour_type == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : colour_type == PNG_COLOR_TYPE_RGB     ? 3
                         : colour_type == PNG_COLOR_TYPE_GA      ? 2
                                                                 : 1;
    return 1 + (static_cast<long long>(width) * channels * bit_depth + 7) / 8;
}

// Replaces the index at the start of each row by the B, G, R, A of its palette entry, working from
// the end of the row so that no index is overwritten before it is read.
bool Colour_Indexes(png_structp png, png_infop info, host::Picture& picture)
{
    png_colorp palette = nullptr;
    int palette_size = 0;
    png_bytep alpha = nullptr;
    int alpha_size = 0;
    png_get_PLTE(png, info, &palette, &palette_size);
    png_get_tRNS(png, info, &alpha, &alpha_size, nullptr);
    for (int y = 0; y < picture.Height; ++y) {
        std::uint8_t* row = picture.Data + 4 * static_cast<std::size_t>(picture.Width) * y;
        for (int x = picture.Width - 1; x >= 0; --x) {
            const int index = row[x];
            if (index >= palette_size)
                return host::Picture_Refuse(picture, "PNG palette index %d beyond its %d colours", index, palette_size);
            std::uint8_t* out = row + 4 * x;
            out[0] = palette[index].blue;
            out[1] = palette[index].green;
            out[2] = palette[index].red;
            out[3] = index < alpha_size ? alpha[index] : 255;
        }
    }
    return true;
}

// Everything the read touches after setjmp lives here, so that a longjmp loses nothing.
struct Read_State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
};

bool Read(Read_State& state, Source& source, const host::Picture_Limits& limits, host::Picture& picture)
{
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &source, &Source_Read);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // Benign errors (a bad zlib checksum at the end of the data among them) are errors here: a
    // picture with them is damaged.
    png_set_benign_errors(png, 0);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, colour_type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, &interlace, nullptr, nullptr);
    if (!host::Picture_Fits(picture, width, height, limits))
        return false;
    if (Raw_Row_Bytes(width, bit_depth, colour_type) * height > Deflate_Max_Ratio * static_cast<long long>(source.size))
        return host::Picture_Refuse(picture, "PNG of %u x %u pixels cannot fit in %zu bytes", width, height,
                                    source.size);
    // Palette pictures are read as one index a byte and coloured here: libpng would colour an index
    // beyond the palette from whatever its table holds there.
    const bool indexed = colour_type == PNG_COLOR_TYPE_PALETTE;
    if (indexed) {
        png_set_packing(png);
    } else {
        // To 8-bit B, G, R, A whatever the stored form.
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_bgr(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (indexed ? 1 : 4) * static_cast<png_size_t>(width))
        return host::Picture_Refuse(picture, "PNG rows do not convert to 4 bytes a pixel");

    if (!host::Picture_Allocate(picture, static_cast<int>(width), static_cast<int>(height)))
        return false;
    state.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!state.rows)
        return host::Picture_Refuse(picture, "no memory for %u rows", height);
    for (png_uint_32 y = 0; y < height; ++y)
        state.rows[y] = picture.Data + 4 * static_cast<std::size_t>(width) * y;
    for (int pass = 0; pass < passes; ++pass)
        png_read_rows(png, state.rows, nullptr, height);
    png_read_end(png, nullptr);

    if (indexed && !Colour_Indexes(png, info, picture))
        return false;
    return true;
}

}  // namespace

namespace host {

bool PNG_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture)
{
    Source source{bytes, size, 0, &picture};
    Read_State state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, &On_Error, &On_Warning);
    if (state.png)
        state.info = png_create_info_struct(state.png);
    bool ok = state.png && state.info;
    if (!ok)
        Picture_Refuse(picture, "no memory for the PNG reader");
    else
        ok = Read(state, source, limits, picture);
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    std::free(state.rows);
    if (!ok) {
        std::free(picture.Data);
        picture.Data = nullptr;
    }
    return ok;
}

}  // namespace host
