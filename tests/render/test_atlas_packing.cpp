// The picture atlas's CPU side: shelves, the ink search, cuts and texel copies, without GL.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "render/batch/picture_atlas.h"

using namespace core;

namespace {

Atlas_Source Mask(const std::vector<unsigned char>& texels, int w, int h, Look_Wrap wrap = Look_Wrap::BORDER)
{
    Atlas_Source s;
    s.pixels = texels.data();
    s.tex_w = w;
    s.tex_h = h;
    s.wrap = wrap;
    return s;
}

// The ink box by looking at every texel.
void Ink_Plain(const Atlas_Source& t, const int area[4], int box[4])
{
    box[0] = t.tex_w;
    box[1] = t.tex_h;
    box[2] = box[3] = -1;
    for (int j = area[1]; j < area[3]; ++j)
        for (int i = area[0]; i < area[2]; ++i) {
            const std::size_t at = static_cast<std::size_t>(j) * t.tex_w + i;
            if (t.rgba ? t.pixels[at * 4 + 3] : t.pixels[at]) {
                box[0] = std::min(box[0], i);
                box[2] = std::max(box[2], i);
                box[1] = std::min(box[1], j);
                box[3] = std::max(box[3], j);
            }
        }
}

}  // namespace

TEST(AtlasPacking, ShelvesFillLeftToRightThenRiseByTheTallestCell)
{
    int sx = 0, sy = 0, sh = 0, x = -1, y = -1;
    ASSERT_TRUE(Atlas_Shelf_Fit(sx, sy, sh, 40, 20, 100, 50, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    ASSERT_TRUE(Atlas_Shelf_Fit(sx, sy, sh, 60, 10, 100, 50, x, y));
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 0);
    // No room left on the shelf: the next one starts above the tallest cell of this one.
    ASSERT_TRUE(Atlas_Shelf_Fit(sx, sy, sh, 1, 5, 100, 50, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 20);
    EXPECT_FALSE(Atlas_Shelf_Fit(sx, sy, sh, 101, 1, 100, 50, x, y));  // wider than the atlas
    // A full-width cell opens the next shelf, above the 5-texel one, where 26 texels reach past the top.
    EXPECT_FALSE(Atlas_Shelf_Fit(sx, sy, sh, 100, 26, 100, 50, x, y));
    ASSERT_TRUE(Atlas_Shelf_Fit(sx, sy, sh, 100, 25, 100, 50, x, y));  // exactly to the top
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 25);
}

TEST(AtlasPacking, InkSearchAgreesWithAPlainScan)
{
    // Widths around the eight-texel words and the 512-texel strips, sparse ink, areas of every kind.
    std::mt19937 random(24);
    for (const int w : {3, 8, 13, 64, 517, 1030}) {
        const int h = 9;
        for (int round = 0; round < 40; ++round) {
            std::vector<unsigned char> mask(static_cast<std::size_t>(w) * h, 0);
            const int dots = round % 4;
            for (int d = 0; d < dots; ++d)
                mask[random() % mask.size()] = static_cast<unsigned char>(1 + random() % 255);
            const Atlas_Source t = Mask(mask, w, h);
            const int i0 = static_cast<int>(random() % w), j0 = static_cast<int>(random() % h);
            const int area[4] = {i0, j0, i0 + 1 + static_cast<int>(random() % (w - i0)),
                                 j0 + 1 + static_cast<int>(random() % (h - j0))};
            int fast[4], plain[4];
            Atlas_Ink_Find(t, area, fast);
            Ink_Plain(t, area, plain);
            ASSERT_EQ(std::vector<int>(fast, fast + 4), std::vector<int>(plain, plain + 4))
                << "width " << w << " round " << round;
        }
    }
    // A picture's ink is its alpha, whatever its colour.
    std::vector<unsigned char> rgba(4 * 4 * 4, 255);
    for (std::size_t k = 3; k < rgba.size(); k += 4)
        rgba[k] = 0;
    rgba[(2 * 4 + 1) * 4 + 3] = 1;
    Atlas_Source t = Mask(rgba, 4, 4);
    t.rgba = true;
    const int all[4] = {0, 0, 4, 4};
    int box[4];
    Atlas_Ink_Find(t, all, box);
    EXPECT_EQ(std::vector<int>(box, box + 4), (std::vector<int>{1, 2, 1, 2}));
}

TEST(AtlasPacking, CutKeepsTheInkItsFilteringReadsAndWhatLaterQuadsOverlap)
{
    // A caption texture of 32 x 8 with ink in columns 10 to 12, rows 2 to 4.
    std::vector<unsigned char> mask(32 * 8, 0);
    for (int j = 2; j <= 4; ++j)
        for (int i = 10; i <= 12; ++i)
            mask[j * 32 + i] = 200;
    const Atlas_Source t = Mask(mask, 32, 8);
    const float lo[2] = {0.0f, 0.0f}, hi[2] = {32.0f, 8.0f}, no_keep[4] = {1.0f, 1.0f, 0.0f, 0.0f};
    Atlas_Cell cell;
    float window[4];
    const Atlas_Region r = Atlas_Cell_Cut(cell, t, lo, hi, no_keep, window);
    // Ink texel k weighs in from k - 0.5 to k + 1.5.
    EXPECT_FLOAT_EQ(window[0], 9.5f);
    EXPECT_FLOAT_EQ(window[1], 1.5f);
    EXPECT_FLOAT_EQ(window[2], 13.5f);
    EXPECT_FLOAT_EQ(window[3], 5.5f);
    // One texel of slack beyond what the cut quads read.
    EXPECT_EQ(r, Atlas_Texels_Read(window, window + 2, 1));
    EXPECT_LE(r.i0, 9);
    EXPECT_GE(r.i0 + r.w, 14);

    // Where a later quad overlaps, the transparent texels stay.
    const float keep[4] = {2.0f, 3.0f, 4.0f, 3.5f};
    float kept[4];
    Atlas_Cell_Cut(cell, t, lo, hi, keep, kept);
    EXPECT_FLOAT_EQ(kept[0], 2.0f);
    EXPECT_FLOAT_EQ(kept[2], 13.5f);

    // Clamped to its edge, a texture repeats its edge's ink beyond it: that side is not cut.
    std::vector<unsigned char> edge(8 * 4, 0);
    edge[1 * 8 + 0] = 255;
    Atlas_Cell edge_cell;
    const float elo[2] = {-4.0f, 0.0f}, ehi[2] = {8.0f, 4.0f};
    Atlas_Cell_Cut(edge_cell, Mask(edge, 8, 4, Look_Wrap::EDGE), elo, ehi, no_keep, window);
    EXPECT_FLOAT_EQ(window[0], -4.0f);
    EXPECT_FLOAT_EQ(window[2], 1.5f);

    // No ink at all: the quads shrink to a point and the cell holds nothing.
    std::vector<unsigned char> blank(16 * 4, 0);
    Atlas_Cell blank_cell;
    const float bhi[2] = {16.0f, 4.0f};
    EXPECT_EQ(Atlas_Cell_Cut(blank_cell, Mask(blank, 16, 4), lo, bhi, no_keep, window), Atlas_Region{});
    EXPECT_EQ(window[0], window[2]);
}

TEST(AtlasPacking, CellCopiesFollowTheTexturesWrapping)
{
    // A 3 x 2 mask, copied from one texel before it to one after.
    const std::vector<unsigned char> mask = {1, 2, 3, 4, 5, 6};
    Atlas_Cell cell;
    cell.region = {-1, -1, 5, 4};
    const auto copy = [&](Look_Wrap wrap, int bytes) {
        cell.shown = Mask(mask, 3, 2, wrap);
        std::vector<unsigned char> out(static_cast<std::size_t>(5 * 4 * bytes), 99);
        Atlas_Cell_Fill(cell, out.data(), static_cast<std::size_t>(5 * bytes), bytes);
        return out;
    };
    EXPECT_EQ(copy(Look_Wrap::BORDER, 1), (std::vector<unsigned char>{0, 0, 0, 0, 0,  //
                                                                      0, 1, 2, 3, 0,  //
                                                                      0, 4, 5, 6, 0,  //
                                                                      0, 0, 0, 0, 0}));
    EXPECT_EQ(copy(Look_Wrap::EDGE, 1), (std::vector<unsigned char>{1, 1, 2, 3, 3,  //
                                                                    1, 1, 2, 3, 3,  //
                                                                    4, 4, 5, 6, 6,  //
                                                                    4, 4, 5, 6, 6}));
    EXPECT_EQ(copy(Look_Wrap::REPEAT, 1), (std::vector<unsigned char>{6, 4, 5, 6, 4,  //
                                                                      3, 1, 2, 3, 1,  //
                                                                      6, 4, 5, 6, 4,  //
                                                                      3, 1, 2, 3, 1}));
    // Into an RGBA atlas a mask is black with its coverage as alpha.
    const std::vector<unsigned char> wide = copy(Look_Wrap::EDGE, 4);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(wide[k * 4], 0);
        EXPECT_EQ(wide[k * 4 + 2], 0);
    }
    EXPECT_EQ(wide[(1 * 5 + 2) * 4 + 3], 2);
    EXPECT_EQ(wide[(3 * 5 + 4) * 4 + 3], 6);
    // Several texels beyond the edge repeat the edge texel, not the texels after it.
    cell.region = {-3, 0, 4, 1};
    const std::vector<unsigned char> run = copy(Look_Wrap::EDGE, 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(run[k * 4 + 3], 1) << k;
}

TEST(AtlasPacking, QuadCutSlidesOnlyTheCornersOutsideTheWindow)
{
    // A quad 0..10 x 0..20 mapped to texels 0..5 x 0..4, corners counter-clockwise.
    float corner[4][3] = {{0, 0, 1}, {10, 0, 1}, {10, 20, 1}, {0, 20, 1}};
    float uv[4][2] = {{0, 0}, {5, 0}, {5, 4}, {0, 4}};
    const float window[4] = {1.0f, 0.0f, 5.0f, 2.0f};
    Atlas_Quad_Cut(corner, uv, window);
    EXPECT_FLOAT_EQ(corner[0][0], 2.0f);
    EXPECT_FLOAT_EQ(corner[0][1], 0.0f);
    EXPECT_FLOAT_EQ(corner[1][0], 10.0f);  // already inside along s
    EXPECT_FLOAT_EQ(corner[2][1], 10.0f);
    EXPECT_FLOAT_EQ(corner[3][0], 2.0f);
    EXPECT_FLOAT_EQ(corner[3][1], 10.0f);
    EXPECT_FLOAT_EQ(uv[3][0], 1.0f);
    EXPECT_FLOAT_EQ(uv[3][1], 2.0f);
    for (const auto& c : corner)
        EXPECT_FLOAT_EQ(c[2], 1.0f);
}

TEST(AtlasKeeping, ViewsComeBackIntoTheRoomLeftThenIntoAnEmptiedAtlasThenATallerOne)
{
    // Cells of 20 x 10 texels in an atlas 100 wide: five to a shelf, thirty in the 64 rows kept.
    constexpr int WIDTH = 100, MOST = 160, CELL_W = 20, CELL_H = 10;
    struct Cell {
        bool placed = false;
        int x = 0, y = 0;
    };
    std::vector<Cell> cells(100);
    int height = Atlas_Rows_Kept(4000, WIDTH, MOST), shelf_x = 0, shelf_y = 0, shelf_h = 0, evictions = 0;
    ASSERT_EQ(height, 64);
    std::vector<int> view;
    const auto place = [&](int i) {
        Cell& c = cells[static_cast<std::size_t>(i)];
        c.placed = c.placed || Atlas_Shelf_Fit(shelf_x, shelf_y, shelf_h, CELL_W, CELL_H, WIDTH, height, c.x, c.y);
        return c.placed;
    };
    const auto bring = [&] { return std::all_of(view.begin(), view.end(), place); };
    const auto evict = [&] {
        ++evictions;
        shelf_x = shelf_y = shelf_h = 0;
        for (Cell& c : cells)
            c.placed = false;
    };
    const auto grow = [&] {
        const int taller = Atlas_Taller(height, MOST);
        height = taller > 0 ? taller : height;
        return taller > 0;
    };
    // Every cell in view placed, inside the atlas, none over another.
    const auto in_view_apart = [&] {
        for (std::size_t a = 0; a < view.size(); ++a) {
            const Cell& p = cells[static_cast<std::size_t>(view[a])];
            if (!p.placed || p.x + CELL_W > WIDTH || p.y + CELL_H > height)
                return false;
            for (std::size_t b = a + 1; b < view.size(); ++b) {
                const Cell& q = cells[static_cast<std::size_t>(view[b])];
                if (p.x < q.x + CELL_W && q.x < p.x + CELL_W && p.y < q.y + CELL_H && q.y < p.y + CELL_H)
                    return false;
            }
        }
        return true;
    };
    const auto look_at = [&](int first, int count) {
        view.clear();
        for (int i = first; i < first + count; ++i)
            view.push_back(i);
        return Atlas_Keep_In_View(bring, evict, grow);
    };
    // The layout: the first thirty fill the atlas.
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(place(i), i < 30) << i;
    ASSERT_TRUE(look_at(0, 10));
    EXPECT_EQ(evictions, 0) << "already in the atlas";
    ASSERT_TRUE(look_at(35, 5));
    EXPECT_EQ(evictions, 1) << "a full atlas lets every cell go";
    EXPECT_TRUE(in_view_apart());
    EXPECT_FALSE(cells[0].placed);
    ASSERT_TRUE(look_at(0, 10));
    EXPECT_EQ(evictions, 1) << "the room left takes them";
    EXPECT_EQ(height, 64);
    view.insert(view.end(), {35, 36, 37, 38, 39});
    EXPECT_TRUE(in_view_apart()) << "those brought back beside those kept";
    // Forty in view need more than the 64 rows: emptied once more, then taller.
    ASSERT_TRUE(look_at(0, 40));
    EXPECT_EQ(evictions, 3);
    EXPECT_EQ(height, 128);
    EXPECT_TRUE(in_view_apart());
    // A hundred need 200 rows: past the tallest atlas.
    EXPECT_FALSE(look_at(0, 100));
    EXPECT_EQ(height, MOST);
    // The rows kept: the texels' worth, at least 64, never past the tallest texture.
    EXPECT_EQ(Atlas_Rows_Kept(std::size_t{2048} * 2048, 4096, 16384), 1024);
    EXPECT_EQ(Atlas_Rows_Kept(1000, 2048, 16384), 64);
    EXPECT_EQ(Atlas_Rows_Kept(std::size_t{1} << 40, 2048, 16384), 16384);
    EXPECT_EQ(Atlas_Taller(16384, 16384), 0);
}
