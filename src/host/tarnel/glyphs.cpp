// The glyph cache: rendered coverage per (font, glyph), bounded in bytes, least recently used out.
#include "host/tarnel/text.h"

#include <algorithm>
#include <list>
#include <new>
#include <unordered_map>

namespace {

// Enough for the captions of a large panel in a few fonts (a 16-pixel Latin glyph is ~100 bytes,
// a 48-pixel CJK glyph ~2 KB).
constexpr std::size_t Max_Bytes = 4u << 20;
// Book-keeping per entry beyond its coverage (list node, map node, record).
constexpr std::size_t Entry_Overhead = 96;

struct Key {
    HFONT font;
    FT_UInt glyph;
    bool operator==(const Key& o) const { return font == o.font && glyph == o.glyph; }
};
struct Key_Hash {
    std::size_t operator()(const Key& k) const
    {
        return std::hash<const void*>()(k.font) ^ (static_cast<std::size_t>(k.glyph) * 0x9E3779B97F4A7C15ull);
    }
};
struct Entry {
    Key key;
    Glyph_Image image;
};

struct Cache {
    std::list<Entry> order;  // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, Key_Hash> index;
    std::size_t bytes = 0;
};

// NOTE: never destroyed, like the fonts it refers to.
Cache& The_Cache()
{
    static auto* cache = new Cache;
    return *cache;
}

std::size_t Cost(const Glyph_Image& image)
{
    return image.coverage.size() + Entry_Overhead;
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
    case FT_PIXEL_MODE_BGRA: {
        // A colour glyph becomes a mask: its alpha, lightened where the colour is light, so that
        // the dark strokes inside (eyes, outlines) still show in a one-colour caption.
        const unsigned char* px = row + 4 * x;
        const unsigned int luma = (px[0] * 29u + px[1] * 150u + px[2] * 77u) >> 8;  // premultiplied
        return static_cast<unsigned char>(px[3] - (luma * 3u) / 5u);
    }
    default:
        return 0;
    }
}

// Copies the glyph in the face's slot into `image`, shrunk by `scale` (<= 1) for bitmap strikes
// larger than the size asked for.
void Copy_Slot(const FT_GlyphSlot slot, double scale, Glyph_Image& image)
{
    const FT_Bitmap& bitmap = slot->bitmap;
    const int src_w = static_cast<int>(bitmap.width), src_h = static_cast<int>(bitmap.rows);
    if (!bitmap.buffer || src_w == 0 || src_h == 0) return;
    auto source = [&](int x, int y) {
        // A negative pitch stores the rows bottom-up with `buffer` at the start of the memory.
        const long long pitch = bitmap.pitch;
        const unsigned char* row = bitmap.buffer + (pitch >= 0 ? y * pitch : (src_h - 1 - y) * -pitch);
        return Coverage(bitmap, row, static_cast<unsigned int>(x));
    };
    if (scale >= 1.0) {
        image.left = slot->bitmap_left;
        image.top = slot->bitmap_top;
        image.width = src_w;
        image.rows = src_h;
        image.coverage.resize(static_cast<std::size_t>(src_w) * src_h);
        for (int y = 0; y < src_h; ++y)
            for (int x = 0; x < src_w; ++x) image.coverage[static_cast<std::size_t>(y) * src_w + x] = source(x, y);
        return;
    }
    // Box filter: each target pixel averages the source pixels it covers.
    image.left = static_cast<int>(slot->bitmap_left * scale);
    image.top = static_cast<int>(slot->bitmap_top * scale + 0.5);
    image.width = std::max(1, static_cast<int>(src_w * scale + 0.5));
    image.rows = std::max(1, static_cast<int>(src_h * scale + 0.5));
    image.coverage.assign(static_cast<std::size_t>(image.width) * image.rows, 0);
    for (int y = 0; y < image.rows; ++y) {
        const int y0 = static_cast<int>(y / scale), y1 = std::min(src_h, std::max(y0 + 1, static_cast<int>((y + 1) / scale)));
        for (int x = 0; x < image.width; ++x) {
            const int x0 = static_cast<int>(x / scale), x1 = std::min(src_w, std::max(x0 + 1, static_cast<int>((x + 1) / scale)));
            unsigned long sum = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx, ++n) sum += source(sx, sy);
            image.coverage[static_cast<std::size_t>(y) * image.width + x] = static_cast<unsigned char>(n ? sum / n : 0);
        }
    }
}

// Renders a glyph (or .notdef when it cannot be loaded) into `image`; false when neither loads.
bool Render(HFONT font, FT_UInt glyph, Glyph_Image& image)
{
    if (!host::Font_Use(font)) return false;
    FT_Face face = font->file->face;
    const FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_RENDER | (font->color ? FT_LOAD_COLOR : 0);
    if (FT_Load_Glyph(face, glyph, flags) != 0 && (glyph == 0 || FT_Load_Glyph(face, 0, flags) != 0)) return false;
    // Colour strikes are drawn at the size asked for; other bitmap fonts keep their strike.
    double scale = 1.0;
    if (font->color && font->strike >= 0) {
        const int ppem = static_cast<int>(face->available_sizes[font->strike].y_ppem >> 6);
        if (ppem > font->pixel_size) scale = static_cast<double>(font->pixel_size) / ppem;
    }
    Copy_Slot(face->glyph, scale, image);
    return true;
}

}  // namespace

namespace host {

const Glyph_Image* Glyph_Get(HFONT font, FT_UInt glyph)
{
    Cache& cache = The_Cache();
    const Key key{font, glyph};
    const auto found = cache.index.find(key);
    if (found != cache.index.end()) {
        if (found->second != cache.order.begin()) cache.order.splice(cache.order.begin(), cache.order, found->second);
        return &found->second->image;
    }
    try {
        Entry entry{key, {}};
        if (!Render(font, glyph, entry.image)) return nullptr;
        const std::size_t cost = Cost(entry.image);
        // Make room first, keeping at least the new glyph however large it is.
        while (!cache.order.empty() && cache.bytes + cost > Max_Bytes) {
            cache.bytes -= Cost(cache.order.back().image);
            cache.index.erase(cache.order.back().key);
            cache.order.pop_back();
        }
        cache.order.push_front(std::move(entry));
        try {
            cache.index.emplace(key, cache.order.begin());
        } catch (...) {
            cache.order.pop_front();
            throw;
        }
        cache.bytes += cost;
        return &cache.order.front().image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::size_t Glyphs_Bytes()
{
    return The_Cache().bytes;
}

}  // namespace host
