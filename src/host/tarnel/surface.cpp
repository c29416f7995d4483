// The off-screen text surface: FreeType glyphs drawn white on black into 32-bit pixels.
#include "host/tarnel/font.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace host {

struct Text_Surface {
    HFONT font = nullptr;
    int width = 0;
    int height = 0;
    unsigned char* pixels = nullptr;  // width x height x 4 bytes, rows top-down
};

}  // namespace host

namespace {

constexpr int Max_Side = 4096;

// Glyph of a character, the face's .notdef (glyph 0) when the face lacks it.
FT_UInt Glyph_Of(FT_Face face, wchar_t c)
{
    const unsigned long code = static_cast<unsigned int>(c);
    return code <= 0x10FFFF ? FT_Get_Char_Index(face, code) : 0;
}

// Loads a glyph, falling back on .notdef when the glyph itself cannot be loaded.
bool Load(FT_Face face, FT_UInt glyph, FT_Int32 flags)
{
    return FT_Load_Glyph(face, glyph, flags) == 0 || (glyph != 0 && FT_Load_Glyph(face, 0, flags) == 0);
}

// Walks the text as the surface lays it out: calls `each(pen)` with the glyph loaded into the
// face's slot and the pen position (26.6, kerning applied) at which it stands. A `each` that
// returns false stops the walk. Returns the pen after the last glyph.
template <typename Each>
FT_Pos Walk(HFONT font, const wchar_t* text, FT_Int32 flags, Each each)
{
    FT_Face face = font->face;
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const wchar_t* p = text; *p; ++p) {
        const FT_UInt glyph = Glyph_Of(face, *p);
        if (font->kerning && previous && glyph) {
            FT_Vector delta;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &delta) == 0) pen += delta.x;
        }
        previous = glyph;
        if (!Load(face, glyph, flags)) continue;
        if (!each(pen)) break;
        pen += face->glyph->advance.x;
    }
    return pen;
}

// Advance of a glyph as Walk would move the pen after it (FT_LOAD_DEFAULT, the .notdef fallback
// included), or -1 when Walk would skip it; cached in the font.
FT_Pos Advance_Of(HFONT font, FT_UInt glyph)
{
    const auto known = font->advances.find(glyph);
    if (known != font->advances.end())
        return known->second;
    const FT_Pos advance = Load(font->face, glyph, FT_LOAD_DEFAULT) ? font->face->glyph->advance.x : -1;
    try {
        font->advances.emplace(glyph, advance);
    } catch (const std::bad_alloc&) {
        // Not remembered: the next measure loads the glyph again.
    }
    return advance;
}

// Coverage of one bitmap pixel, 0..255, for the pixel modes FreeType renders into.
inline unsigned char Coverage(const FT_Bitmap& bitmap, const unsigned char* row, unsigned int x)
{
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY:
        if (bitmap.num_grays == 256 || bitmap.num_grays < 2) return row[x];
        return static_cast<unsigned char>(std::min(255u, row[x] * 255u / (bitmap.num_grays - 1u)));
    case FT_PIXEL_MODE_MONO:
        return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    case FT_PIXEL_MODE_BGRA:
        return row[4 * x + 3];
    default:
        return 0;
    }
}

// Draws the glyph in the face's slot with its origin at (x, baseline), cut at the bitmap's edges.
void Blit(host::Text_Surface& s, const FT_GlyphSlot slot, long long x, long long baseline)
{
    const FT_Bitmap& bitmap = slot->bitmap;
    if (!bitmap.buffer || bitmap.rows == 0 || bitmap.width == 0) return;
    const long long left = x + slot->bitmap_left;
    const long long top = baseline - slot->bitmap_top;
    const long long col_begin = std::max(0LL, -left);
    const long long col_end = std::min<long long>(bitmap.width, s.width - left);
    const long long row_begin = std::max(0LL, -top);
    const long long row_end = std::min<long long>(bitmap.rows, s.height - top);
    const long long pitch = bitmap.pitch;
    for (long long r = row_begin; r < row_end; ++r) {
        // A negative pitch stores the rows bottom-up with `buffer` at the start of the memory.
        const unsigned char* src =
            bitmap.buffer + (pitch >= 0 ? r * pitch : (bitmap.rows - 1 - r) * -pitch);
        unsigned char* dst = s.pixels + ((top + r) * s.width + left) * 4;
        for (long long c = col_begin; c < col_end; ++c) {
            const unsigned char v = Coverage(bitmap, src, static_cast<unsigned int>(c));
            unsigned char* px = dst + c * 4;
            // Overlapping glyphs keep the stronger coverage rather than wrapping around.
            if (v > px[0]) px[0] = px[1] = px[2] = v;
        }
    }
}

}  // namespace

namespace host {

Text_Surface* Surface_Create(HDC dc)
{
    if (!dc) return nullptr;
    return new (std::nothrow) Text_Surface;
}

void Surface_Select_Font(Text_Surface* surface, HFONT font)
{
    if (surface) surface->font = font ? font : System_Font();
}

int Surface_Line_Height(const Text_Surface* surface)
{
    const HFONT font = surface ? (surface->font ? surface->font : System_Font()) : nullptr;
    return font ? font->line_height : 0;
}

int Surface_Text_Width(const Text_Surface* surface, const wchar_t* text)
{
    const HFONT font = surface ? (surface->font ? surface->font : System_Font()) : nullptr;
    if (!font || !text) return 0;
    // The layout of Walk without loading glyphs already measured: kerning, then the cached advance.
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const wchar_t* p = text; *p; ++p) {
        const FT_UInt glyph = Glyph_Of(font->face, *p);
        if (font->kerning && previous && glyph) {
            FT_Vector delta;
            if (FT_Get_Kerning(font->face, previous, glyph, FT_KERNING_DEFAULT, &delta) == 0) pen += delta.x;
        }
        previous = glyph;
        const FT_Pos advance = Advance_Of(font, glyph);
        if (advance >= 0) pen += advance;
    }
    const long long pixels = (static_cast<long long>(pen) + 32) >> 6;
    return static_cast<int>(std::min<long long>(std::max(pixels, 0LL), 0x7FFFFFFF));
}

int Surface_Bitmap_Create(Text_Surface* surface, int width, int height)
{
    if (!surface || width < 1 || height < 1 || width > Max_Side || height > Max_Side) return 0;
    auto* pixels = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (!pixels) return 0;
    std::free(surface->pixels);
    surface->pixels = pixels;
    surface->width = width;
    surface->height = height;
    return 1;
}

void Surface_Draw_Text(Text_Surface* surface, const wchar_t* text)
{
    if (!surface || !surface->pixels) return;
    std::memset(surface->pixels, 0, static_cast<size_t>(surface->width) * surface->height * 4);
    const HFONT font = surface->font ? surface->font : System_Font();
    if (!font || !text) return;
    // Glyphs may reach left of their pen by a little; past this margin nothing more can show.
    const long long last_x = surface->width + 2LL * font->pixel_size;
    Walk(font, text, FT_LOAD_DEFAULT | FT_LOAD_RENDER, [&](FT_Pos pen) {
        const long long x = (static_cast<long long>(pen) + 32) >> 6;
        if (x > last_x) return false;
        Blit(*surface, font->face->glyph, x, font->baseline);
        return true;
    });
}

long Surface_Bits(const Text_Surface* surface, void* out, long count)
{
    if (!surface || !surface->pixels || !out || count <= 0) return 0;
    const long size = static_cast<long>(surface->width) * surface->height * 4;
    const long n = std::min(count, size);
    std::memcpy(out, surface->pixels, static_cast<size_t>(n));
    return n;
}

int Surface_Row_Bytes(const Text_Surface* surface)
{
    return surface && surface->pixels ? surface->width * 4 : 0;
}

void Surface_Delete(Text_Surface* surface)
{
    if (!surface) return;
    std::free(surface->pixels);
    delete surface;
}

}  // namespace host
