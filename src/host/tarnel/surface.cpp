// The off-screen text surface: laid-out glyphs drawn white on black, read back as 32-bit pixels.
#include "host/tarnel/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host {

struct Text_Surface {
    HFONT font = nullptr;
    int width = 0;
    int height = 0;
    // Coverage, one byte a pixel, rows top-down; read back as 32-bit pixels. A quarter of the
    // memory to clear and to draw into. Null without a bitmap.
    unsigned char* pixels = nullptr;
    // The memory for bitmaps, `capacity` bytes: kept from one bitmap to the next.
    unsigned char* memory = nullptr;
    std::size_t capacity = 0;
    bool black = false;  // nothing drawn since the bitmap was made or cleared
    // The last text laid out and its layout: a caption is measured and then drawn, and is shaped
    // only once for both.
    mutable HFONT laid_font = nullptr;
    mutable std::wstring laid_text;
    mutable Text_Layout layout;
};

}  // namespace host

namespace {

constexpr int Max_Side = 4096;

// A surface put aside by Surface_Delete for the next Surface_Create, with its bitmap memory and
// layout storage: every caption and read-out is made on a surface of its own, and a batch's Init
// makes thousands. Only a surface whose memory is small is kept (a caption's is 1-64 KB).
host::Text_Surface* Spare = nullptr;
constexpr std::size_t Spare_Max_Bytes = 64 * 1024;

HFONT Font_Of(const host::Text_Surface* surface)
{
    return surface ? (surface->font ? surface->font : host::System_Font()) : nullptr;
}

// The layout of `text` in the surface's font: a short plain text's from the layouts made lately
// (its glyphs are asked for again later), any other from the surface's memory when it was the last one.
const Text_Layout* Layout_Of(const host::Text_Surface& s, const wchar_t* text)
{
    const HFONT font = Font_Of(&s);
    if (!font || !text)
        return nullptr;
    if (const Text_Layout* recent = host::Text_Layout_Recent(font, text))
        return recent;
    try {
        if (s.laid_font == font && s.laid_text == text)
            return &s.layout;
        s.laid_font = nullptr;
        if (!host::Text_Lay_Out(font, text, s.layout))
            return nullptr;
        s.laid_text = text;
        s.laid_font = font;
    } catch (const std::bad_alloc&) {
        // The layout stands but is not remembered.
    }
    return &s.layout;
}

// Draws a glyph image with its origin at (x, baseline), cut at the bitmap's edges.
void Blit(host::Text_Surface& s, const Glyph_Image& image, long long x, long long baseline)
{
    if (image.width == 0 || image.rows == 0)
        return;
    const long long left = x + image.left;
    const long long top = baseline - image.top;
    const long long col_begin = std::max(0LL, -left);
    const long long col_end = std::min<long long>(image.width, s.width - left);
    const long long row_begin = std::max(0LL, -top);
    const long long row_end = std::min<long long>(image.rows, s.height - top);
    for (long long r = row_begin; r < row_end; ++r) {
        const unsigned char* src = image.coverage.data() + r * image.width;
        unsigned char* dst = s.pixels + (top + r) * s.width + left;
        // Overlapping glyphs keep the stronger coverage rather than wrapping around.
        for (long long c = col_begin; c < col_end; ++c)
            dst[c] = std::max(dst[c], src[c]);
    }
}

}  // namespace

namespace host {

Text_Surface* Surface_Create(HDC dc)
{
    if (!dc)
        return nullptr;
    if (Spare) {
        Text_Surface* s = Spare;
        Spare = nullptr;
        return s;
    }
    return new (std::nothrow) Text_Surface;
}

void Surface_Select_Font(Text_Surface* surface, HFONT font)
{
    if (surface)
        surface->font = font ? font : System_Font();
}

int Surface_Line_Height(const Text_Surface* surface)
{
    const HFONT font = Font_Of(surface);
    return font ? font->line_height : 0;
}

int Surface_Text_Width(const Text_Surface* surface, const wchar_t* text)
{
    // Measuring remembers the layout for the drawing that follows.
    const Text_Layout* layout = surface ? Layout_Of(*surface, text) : nullptr;
    if (!layout)
        return 0;
    const long long pixels = (static_cast<long long>(layout->width) + 32) >> 6;
    return static_cast<int>(std::min<long long>(std::max(pixels, 0LL), 0x7FFFFFFF));
}

int Surface_Bitmap_Create(Text_Surface* surface, int width, int height)
{
    if (!surface || width < 1 || height < 1 || width > Max_Side || height > Max_Side)
        return 0;
    const std::size_t bytes = static_cast<size_t>(width) * height;
    if (bytes <= surface->capacity) {
        std::memset(surface->memory, 0, bytes);
    } else {
        auto* memory = static_cast<unsigned char*>(std::calloc(bytes, 1));
        if (!memory)
            return 0;
        std::free(surface->memory);
        surface->memory = memory;
        surface->capacity = bytes;
    }
    surface->pixels = surface->memory;
    surface->width = width;
    surface->height = height;
    surface->black = true;
    return 1;
}

void Surface_Draw_Text(Text_Surface* surface, const wchar_t* text)
{
    if (!surface || !surface->pixels)
        return;
    // A bitmap fresh from Surface_Bitmap_Create is black already (the usual case: one text each).
    if (!surface->black)
        std::memset(surface->pixels, 0, static_cast<size_t>(surface->width) * surface->height);
    surface->black = false;
    const HFONT font = Font_Of(surface);
    const Text_Layout* layout = Layout_Of(*surface, text);
    if (!font || !layout)
        return;
    Caption_Walk(font, *layout, surface->width, [surface](const Placed_Glyph& g, long long x, long long y) {
        if (const Glyph_Image* image = Glyph_Get(g.font, g.glyph))
            Blit(*surface, *image, x, y);
    });
}

int Caption_Glyphs(HFONT font, const wchar_t* text, int width, Caption_Glyph* out, int capacity)
{
    if (!font)
        font = System_Font();
    if (!font || !text || capacity < 0 || (capacity > 0 && !out))
        return -1;
    try {
        // A read-out's layout was made as it was measured. Any other is kept from call to call: a
        // layout made anew each time would cost an allocation each.
        thread_local Text_Layout layout;
        const Text_Layout* laid = Text_Layout_Recent(font, text);
        if (!laid) {
            if (!Text_Lay_Out(font, text, layout))
                return -1;
            laid = &layout;
        }
        int count = 0;
        auto clamp = [](long long v) {
            return static_cast<int>(std::max<long long>(-0x7FFFFFFF, std::min<long long>(v, 0x7FFFFFFF)));
        };
        Caption_Walk(font, *laid, width, [&](const Placed_Glyph& g, long long x, long long y) {
            if (count < capacity)
                out[count] = {g.font, g.glyph, clamp(x), clamp(y), g.font->pixel_size};
            ++count;
        });
        // A hostile text's room is not kept.
        if (layout.glyphs.capacity() > 4096)
            layout.glyphs = std::vector<Placed_Glyph>();
        return count;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

long Surface_Bits(const Text_Surface* surface, void* out, long count)
{
    if (!surface || !surface->pixels || !out || count <= 0)
        return 0;
    const long size = static_cast<long>(surface->width) * surface->height * 4;
    const long n = std::min(count, size);
    // White text on black: the coverage in blue, green and red, alpha 0.
    auto* dst = static_cast<unsigned char*>(out);
    const long whole = n / 4;
    long i = 0;
#if defined(__SSE2__)
    // Sixteen pixels at a time: every caption is read back through here once.
    const __m128i rgb = _mm_set1_epi32(0x00ffffff);
    for (; i + 16 <= whole; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(surface->pixels + i));
        const __m128i lo = _mm_unpacklo_epi8(v, v), hi = _mm_unpackhi_epi8(v, v);
        __m128i* d = reinterpret_cast<__m128i*>(dst + 4 * i);
        _mm_storeu_si128(d, _mm_and_si128(_mm_unpacklo_epi16(lo, lo), rgb));
        _mm_storeu_si128(d + 1, _mm_and_si128(_mm_unpackhi_epi16(lo, lo), rgb));
        _mm_storeu_si128(d + 2, _mm_and_si128(_mm_unpacklo_epi16(hi, hi), rgb));
        _mm_storeu_si128(d + 3, _mm_and_si128(_mm_unpackhi_epi16(hi, hi), rgb));
    }
#endif
    for (; i < whole; ++i) {
        // Bytes v, v, v, 0 in memory order on our little-endian targets.
        const std::uint32_t px = surface->pixels[i] * 0x00010101u;
        std::memcpy(dst + 4 * i, &px, 4);
    }
    for (long b = whole * 4; b < n; ++b)
        dst[b] = (b & 3) == 3 ? 0 : surface->pixels[whole];
    return n;
}

int Surface_Row_Bytes(const Text_Surface* surface)
{
    return surface && surface->pixels ? surface->width * 4 : 0;
}

void Surface_Delete(Text_Surface* surface)
{
    if (!surface)
        return;
    if (!Spare && surface->capacity <= Spare_Max_Bytes) {
        // As Surface_Create makes it, the memory aside; the layout's record is forgotten (a font's
        // fallbacks can change).
        surface->font = nullptr;
        surface->pixels = nullptr;
        surface->width = surface->height = 0;
        surface->black = false;
        surface->laid_font = nullptr;
        Spare = surface;
        return;
    }
    std::free(surface->memory);
    delete surface;
}

}  // namespace host
