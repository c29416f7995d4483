// The glyph atlas without a GL context: packing, sharing, the rectangles a renderer uploads and the
// mip levels.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <set>
#include <vector>

#include "render/batch/glyph_atlas.h"

namespace {

using core::Atlas_Rect;
using core::Glyph_Atlas;
using core::Glyph_Cell;

constexpr int P = Glyph_Atlas::Padding;

// A field of `width` x `rows` texels all `value` (never 0, the atlas's empty value).
host::Glyph_Field Field(int width, int rows, unsigned char value)
{
    host::Glyph_Field f;
    f.width = width;
    f.rows = rows;
    f.left = -4;
    f.top = rows - 4;
    f.em = host::Glyph_Field_Em;
    f.spread = host::Glyph_Field_Spread;
    f.texels.assign(static_cast<size_t>(width) * rows, value);
    return f;
}

const void* const Owner = &Owner;

unsigned char Texel(const Glyph_Atlas& atlas, int page, int level, int x, int y)
{
    return atlas.Texels(page, level)[static_cast<size_t>(y) * (atlas.Page_Size() >> level) + x];
}

bool Inside(const Atlas_Rect& r, int x, int y)
{
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

}  // namespace

TEST(GlyphAtlas, CellsKeepApartAndPagesGrow)
{
    Glyph_Atlas atlas(256);
    std::vector<const Glyph_Cell*> cells;
    std::vector<host::Glyph_Field> fields;
    // Sizes of every kind, narrow and tall, wide and flat, in no order.
    for (unsigned i = 0; i < 240; ++i) {
        fields.push_back(Field(1 + static_cast<int>(i * 37 % 70), 1 + static_cast<int>(i * 53 % 90),
                               static_cast<unsigned char>(1 + i % 250)));
        cells.push_back(atlas.Cell_Add(Owner, i, fields.back()));
        ASSERT_NE(cells.back(), nullptr) << i;
    }
    EXPECT_GT(atlas.Pages(), 3);
    EXPECT_EQ(atlas.Cells(), 240u);
    // Each cell holds its own texels and a border of Padding empty texels, on whole blocks of
    // Padding: a later cell overwrote nothing, and no level's filter reaches a neighbour.
    for (size_t i = 0; i < cells.size(); ++i) {
        const Glyph_Cell& c = *cells[i];
        ASSERT_GE(c.page, 0);
        EXPECT_EQ(c.x % P, 0);
        EXPECT_EQ(c.y % P, 0);
        ASSERT_GE(c.x, P);
        ASSERT_GE(c.y, P);
        ASSERT_LE(c.x + c.width + P, atlas.Page_Size());
        ASSERT_LE(c.y + c.rows + P, atlas.Page_Size());
        EXPECT_EQ(c.width, fields[i].width);
        EXPECT_EQ(c.em, host::Glyph_Field_Em);
        EXPECT_EQ(c.spread, host::Glyph_Field_Spread);
        int wrong = 0;
        for (int y = c.y - P; y < c.y + c.rows + P; ++y)
            for (int x = c.x - P; x < c.x + c.width + P; ++x) {
                const bool in = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.rows;
                wrong += Texel(atlas, c.page, 0, x, y) != (in ? fields[i].texels[0] : 0);
            }
        EXPECT_EQ(wrong, 0) << "cell " << i;
    }
    // Cells' paddings never meet: two cells are at least twice Padding apart, so that a quad that
    // takes in its padding never reaches a neighbour's ink, at any level.
    for (size_t i = 0; i < cells.size(); ++i)
        for (size_t j = i + 1; j < cells.size(); ++j) {
            const Glyph_Cell &a = *cells[i], &b = *cells[j];
            if (a.page != b.page)
                continue;
            const bool apart = a.x + a.width + 2 * P <= b.x || b.x + b.width + 2 * P <= a.x ||
                               a.y + a.rows + 2 * P <= b.y || b.y + b.rows + 2 * P <= a.y;
            ASSERT_TRUE(apart) << i << " and " << j;
        }
    // A field larger than a page has no place, and makes no page.
    const int pages = atlas.Pages();
    EXPECT_EQ(atlas.Cell_Add(Owner, 1000, Field(256, 10, 1)), nullptr);
    EXPECT_EQ(atlas.Pages(), pages);
}

TEST(GlyphAtlas, OneCellPerGlyphOfAFace)
{
    Glyph_Atlas atlas(256);
    const Glyph_Cell* a = atlas.Cell_Add(Owner, 7, Field(10, 12, 9));
    const std::uint64_t serial = atlas.Serial();
    EXPECT_EQ(atlas.Cell_Add(Owner, 7, Field(30, 30, 3)), a);
    EXPECT_EQ(atlas.Serial(), serial);
    EXPECT_NE(atlas.Cell_Add(&serial, 7, Field(10, 12, 9)), a);
    // A glyph without ink is a cell with nothing to draw; one that cannot be had is none, for good.
    const Glyph_Cell* space = atlas.Cell_Add(Owner, 3, host::Glyph_Field{0, 0, 0, 0, 48, 4, {}});
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->page, -1);
    EXPECT_EQ(atlas.Cell_Add(Owner, 4, host::Glyph_Field{}), nullptr);
    EXPECT_EQ(atlas.Cell_Add(Owner, 4, Field(10, 12, 9)), nullptr);

    // Real glyphs: every size of a face shares its cells, and a colour face's are coverage.
    HFONT small = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 14);
    HFONT large = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 40);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    host::Caption_Glyph g[4];
    ASSERT_EQ(host::Caption_Glyphs(small, L"Ag", 256, g, 4), 2);
    const Glyph_Cell* cell = atlas.Cell_Get(small, g[0].glyph);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(atlas.Cell_Get(large, g[0].glyph), cell);
    EXPECT_NE(atlas.Cell_Get(large, g[1].glyph), cell);
    EXPECT_GT(cell->spread, 0);
    // The same glyph number in another face, asked for right after: another cell.
    HFONT mono = Y_Create_Font(nullptr, "DejaVu Sans Mono", nullptr, nullptr, 14);
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(host::Glyph_Field_Owner(mono), host::Glyph_Field_Owner(small));
    const Glyph_Cell* other = atlas.Cell_Get(mono, g[0].glyph);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, cell);
    EXPECT_EQ(atlas.Cell_Get(small, g[0].glyph), cell);
    EXPECT_EQ(atlas.Cell_Get(mono, g[0].glyph), other);
    HFONT emoji = Y_Create_Font(nullptr, "Noto Color Emoji", nullptr, nullptr, 14);
    if (emoji && host::Caption_Glyphs(emoji, L"\U0001F600", 256, g, 4) == 1) {
        const Glyph_Cell* face = atlas.Cell_Get(g[0].font, g[0].glyph);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->spread, 0);
    }
}

TEST(GlyphAtlas, ChangesCoverWhatWasWritten)
{
    constexpr int S = 256;
    Glyph_Atlas atlas(S);
    atlas.Cell_Add(Owner, 0, Field(4, 20, 5));
    const std::uint64_t before = atlas.Serial();
    const std::vector<unsigned char> kept(atlas.Texels(0, 0), atlas.Texels(0, 0) + S * S);
    // Three cells of one height follow one another along a shelf: one rectangle.
    std::vector<const Glyph_Cell*> added;
    for (unsigned i = 1; i <= 3; ++i)
        added.push_back(atlas.Cell_Add(Owner, i, Field(8 + static_cast<int>(i), 20, 7)));
    // One of a page of its own.
    added.push_back(atlas.Cell_Add(Owner, 9, Field(200, 200, 8)));
    ASSERT_EQ(atlas.Pages(), 2);
    const std::vector<Atlas_Rect> first = atlas.Changes(0, before);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(atlas.Changes(1, before).size(), 1u);
    EXPECT_TRUE(atlas.Changes(0, atlas.Serial()).empty());
    const Atlas_Rect r = first[0];
    EXPECT_EQ(r.x % P + r.y % P + r.width % P + r.height % P, 0);
    // The rectangle holds every texel that changed and every added cell of the page, and nothing
    // of the cell that was there before.
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            if (atlas.Texels(0, 0)[y * S + x] != kept[static_cast<size_t>(y) * S + x]) {
                ASSERT_TRUE(Inside(r, x, y)) << x << "," << y;
            }
    for (const Glyph_Cell* c : added)
        if (c->page == 0) {
            EXPECT_TRUE(Inside(r, c->x - P, c->y - P));
            EXPECT_TRUE(Inside(r, c->x + c->width + P - 1, c->y + c->rows + P - 1));
        }
    const Glyph_Cell* old = atlas.Cell_Add(Owner, 0, Field(1, 1, 1));
    EXPECT_FALSE(Inside(r, old->x, old->y));
    EXPECT_FALSE(Inside(r, old->x + old->width - 1, old->y + old->rows - 1));
}

TEST(GlyphAtlas, EachLevelIsTheMeanOfTheOneBelow)
{
    Glyph_Atlas atlas(128);
    host::Glyph_Field ramp = Field(21, 13, 1);
    for (size_t i = 0; i < ramp.texels.size(); ++i)
        ramp.texels[i] = static_cast<unsigned char>(i * 7 % 256);
    atlas.Cell_Add(Owner, 0, ramp);
    atlas.Cell_Add(Owner, 1, Field(5, 5, 200));
    for (int l = 1; l < Glyph_Atlas::Levels; ++l) {
        const int side = atlas.Page_Size() >> l;
        int wrong = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const unsigned sum = Texel(atlas, 0, l - 1, 2 * x, 2 * y) + Texel(atlas, 0, l - 1, 2 * x + 1, 2 * y) +
                                     Texel(atlas, 0, l - 1, 2 * x, 2 * y + 1) +
                                     Texel(atlas, 0, l - 1, 2 * x + 1, 2 * y + 1);
                wrong += Texel(atlas, 0, l, x, y) != (sum + 2) / 4;
            }
        EXPECT_EQ(wrong, 0) << "level " << l;
    }
    // The smallest level still tells the two cells apart: each has texels of its own.
    const Glyph_Cell* a = atlas.Cell_Add(Owner, 1, Field(1, 1, 1));
    constexpr int last = Glyph_Atlas::Levels - 1;
    EXPECT_GT(Texel(atlas, 0, last, a->x >> last, a->y >> last), 0);
}

// Not a check: what making the cells of the benchmark panel's captions costs, cold.
TEST(GlyphAtlas, CostOfTheBenchCaptions)
{
    Glyph_Atlas atlas;
    HFONT font = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 14);
    ASSERT_NE(font, nullptr);
    const wchar_t* const texts[] = {L"Channel 1", L"Mute 2", L"Gain 3", L"-0123456789.%"};
    std::vector<host::Caption_Glyph> laid;
    std::set<unsigned> glyphs;
    for (const wchar_t* t : texts) {
        host::Caption_Glyph g[32];
        const int n = host::Caption_Glyphs(font, t, 1024, g, 32);
        for (int i = 0; i < n; ++i) {
            laid.push_back(g[i]);
            glyphs.insert(g[i].glyph);
        }
    }
    const auto start = std::chrono::steady_clock::now();
    for (const host::Caption_Glyph& g : laid)
        atlas.Cell_Get(g.font, g.glyph);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("cells of the bench's captions: %zu glyphs, %.1f ms cold, %d page(s)\n", glyphs.size(), ms,
                atlas.Pages());
    EXPECT_EQ(atlas.Cells(), glyphs.size());
}
