// The glyph cache: rendered coverage per (font, glyph), bounded in bytes, least recently used out;
// and the distance-field cells that renderers of glyph quads share between every size of a face.
#include "host/tarnel/text.h"

#include FT_MODULE_H

#include <algorithm>
#include <list>
#include <new>
#include <unordered_map>

namespace {

using host::Glyph_Field;
using host::Glyph_Field_Em;
using host::Glyph_Field_Spread;

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
        if (bitmap.num_grays == 256 || bitmap.num_grays < 2)
            return row[x];
        return static_cast<unsigned char>(std::min(255u, row[x] * 255u / (bitmap.num_grays - 1u)));
    case FT_PIXEL_MODE_MONO: return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    case FT_PIXEL_MODE_BGRA: {
        // A colour glyph becomes a mask: its alpha, lightened where the colour is light, so that
        // the dark strokes inside (eyes, outlines) still show in a one-colour caption.
        const unsigned char* px = row + 4 * x;
        const unsigned int luma = (px[0] * 29u + px[1] * 150u + px[2] * 77u) >> 8;  // premultiplied
        return static_cast<unsigned char>(px[3] - (luma * 3u) / 5u);
    }
    default: return 0;
    }
}

// Copies the glyph in the face's slot into `image`, shrunk by `scale` (<= 1) for bitmap strikes
// larger than the size asked for.
void Copy_Slot(const FT_GlyphSlot slot, double scale, Glyph_Image& image)
{
    const FT_Bitmap& bitmap = slot->bitmap;
    const int src_w = static_cast<int>(bitmap.width), src_h = static_cast<int>(bitmap.rows);
    if (!bitmap.buffer || src_w == 0 || src_h == 0)
        return;
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
            for (int x = 0; x < src_w; ++x)
                image.coverage[static_cast<std::size_t>(y) * src_w + x] = source(x, y);
        return;
    }
    // Box filter: each target pixel averages the source pixels it covers.
    image.left = static_cast<int>(slot->bitmap_left * scale);
    image.top = static_cast<int>(slot->bitmap_top * scale + 0.5);
    image.width = std::max(1, static_cast<int>(src_w * scale + 0.5));
    image.rows = std::max(1, static_cast<int>(src_h * scale + 0.5));
    image.coverage.assign(static_cast<std::size_t>(image.width) * image.rows, 0);
    for (int y = 0; y < image.rows; ++y) {
        const int y0 = static_cast<int>(y / scale),
                  y1 = std::min(src_h, std::max(y0 + 1, static_cast<int>((y + 1) / scale)));
        for (int x = 0; x < image.width; ++x) {
            const int x0 = static_cast<int>(x / scale),
                      x1 = std::min(src_w, std::max(x0 + 1, static_cast<int>((x + 1) / scale)));
            unsigned long sum = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx, ++n)
                    sum += source(sx, sy);
            image.coverage[static_cast<std::size_t>(y) * image.width + x] = static_cast<unsigned char>(n ? sum / n : 0);
        }
    }
}

// Renders a glyph (or .notdef when it cannot be loaded) into `image`; false when neither loads.
bool Render(HFONT font, FT_UInt glyph, Glyph_Image& image)
{
    if (!host::Font_Use(font))
        return false;
    FT_Face face = font->file->face;
    const FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_RENDER | (font->color ? FT_LOAD_COLOR : 0);
    if (FT_Load_Glyph(face, glyph, flags) != 0 && (glyph == 0 || FT_Load_Glyph(face, 0, flags) != 0))
        return false;
    // Colour strikes are drawn at the size asked for; other bitmap fonts keep their strike.
    double scale = 1.0;
    if (font->color && font->strike >= 0) {
        const int ppem = static_cast<int>(face->available_sizes[font->strike].y_ppem >> 6);
        if (ppem > font->pixel_size)
            scale = static_cast<double>(font->pixel_size) / ppem;
    }
    Copy_Slot(face->glyph, scale, image);
    return true;
}

// Loads the glyph (or .notdef) into the face's slot at the active size.
bool Load(FT_Face face, FT_UInt glyph, FT_Int32 flags)
{
    return FT_Load_Glyph(face, glyph, flags) == 0 || (glyph != 0 && FT_Load_Glyph(face, 0, flags) == 0);
}

// Makes a size of the face active for a while: the caller's is active again on leaving, however
// that happens, as kerning and metrics are read at the active size.
class Size_Lent {
public:
    Size_Lent(FT_Face face, FT_Size size) : kept_(face->size) { FT_Activate_Size(size); }
    ~Size_Lent() { FT_Activate_Size(kept_); }
    Size_Lent(const Size_Lent&) = delete;
    Size_Lent& operator=(const Size_Lent&) = delete;

private:
    FT_Size kept_;
};

// The face at Glyph_Field_Em, kept with its file for every size and every later cell.
FT_Size Field_Size(Font_File* file)
{
    if (file->field_size)
        return file->field_size;
    FT_Face face = file->face;
    FT_Size size = nullptr;
    if (FT_New_Size(face, &size) != 0)
        return nullptr;
    bool sized = false;
    {
        const Size_Lent lent(face, size);
        sized = FT_Set_Pixel_Sizes(face, 0, Glyph_Field_Em) == 0;
    }
    if (!sized) {
        FT_Done_Size(size);
        return nullptr;
    }
    file->field_size = size;
    return size;
}

// A colour glyph has no outline to measure: its coverage, as a caption shows it, at no more than
// Glyph_Field_Em pixels per em (a colour strike is shrunk to it, never enlarged).
bool Coverage_Cell(HFONT font, FT_UInt glyph, Glyph_Field& out)
{
    FT_Face face = font->file->face;
    double scale = 1.0;
    int em = font->pixel_size;
    if (font->strike >= 0) {
        em = static_cast<int>(face->available_sizes[font->strike].y_ppem >> 6);
        if (em > Glyph_Field_Em) {
            scale = static_cast<double>(Glyph_Field_Em) / em;
            em = Glyph_Field_Em;
        }
    }
    // A scalable colour face (layered outlines) is drawn at the cells' own size.
    FT_Size field = font->strike < 0 ? Field_Size(font->file) : nullptr;
    const Size_Lent lent(face, field ? field : face->size);
    if (field)
        em = Glyph_Field_Em;
    if (!Load(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_RENDER | FT_LOAD_COLOR))
        return false;
    Glyph_Image image;
    Copy_Slot(face->glyph, scale, image);
    out.left = image.left;
    out.top = image.top;
    out.width = image.width;
    out.rows = image.rows;
    out.em = em;
    out.spread = 0;
    out.texels = std::move(image.coverage);
    return true;
}

}  // namespace

namespace host {

bool Glyph_Field_Render(HFONT font, unsigned int glyph, Glyph_Field& out)
{
    out = Glyph_Field{};
    if (!font || !Font_Use(font))
        return false;
    FT_Face face = font->file->face;
    try {
        if (font->color || !FT_IS_SCALABLE(face))
            return Coverage_Cell(font, glyph, out);
        // Once per process: the library is the toolkit's own, so no one else's fields change.
        static const bool spread_set = [] {
            const FT_Int spread = Glyph_Field_Spread;
            return FT_Property_Set(Font_Library(), "sdf", "spread", &spread) == 0;
        }();
        FT_Size size = spread_set ? Field_Size(font->file) : nullptr;
        if (!size)
            return false;
        const Size_Lent lent(face, size);
        // Unhinted and from the outline: one cell serves every size, so it is fitted to none, and
        // a face's embedded bitmaps of one size would give no distances.
        bool rendered = Load(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
        if (rendered && face->glyph->outline.n_points > 0)
            rendered = FT_Render_Glyph(face->glyph, FT_RENDER_MODE_SDF) == 0;
        if (rendered) {
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            out.em = Glyph_Field_Em;
            out.spread = Glyph_Field_Spread;
            if (face->glyph->format == FT_GLYPH_FORMAT_BITMAP && bitmap.buffer && bitmap.width && bitmap.rows) {
                out.left = face->glyph->bitmap_left;
                out.top = face->glyph->bitmap_top;
                out.width = static_cast<int>(bitmap.width);
                out.rows = static_cast<int>(bitmap.rows);
                out.texels.resize(static_cast<std::size_t>(out.width) * out.rows);
                for (int y = 0; y < out.rows; ++y) {
                    const long long pitch = bitmap.pitch;
                    const unsigned char* row = bitmap.buffer + (pitch >= 0 ? y * pitch : (out.rows - 1 - y) * -pitch);
                    std::copy(row, row + out.width, out.texels.begin() + static_cast<long>(y) * out.width);
                }
            }
        }
        return rendered;
    } catch (const std::bad_alloc&) {
        out = Glyph_Field{};
        return false;
    }
}

const void* Glyph_Field_Owner(HFONT font)
{
    if (!font)
        return nullptr;
    if (!FT_IS_SCALABLE(font->file->face))
        return font;
    return font->file;
}

const Glyph_Image* Glyph_Get(HFONT font, FT_UInt glyph)
{
    Cache& cache = The_Cache();
    const Key key{font, glyph};
    const auto found = cache.index.find(key);
    if (found != cache.index.end()) {
        if (found->second != cache.order.begin())
            cache.order.splice(cache.order.begin(), cache.order, found->second);
        return &found->second->image;
    }
    try {
        Entry entry{key, {}};
        if (!Render(font, glyph, entry.image))
            return nullptr;
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
