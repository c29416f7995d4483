// Which glyph quads each atlas page's draw takes: only the shown slots', every quad once, in the
// list of its own page, two triangles over its four corners.
#include <gtest/gtest.h>

#include <vector>

#include "render/batch/glyph_lists.h"

using namespace core;

TEST(GlyphLists, ShownSlotsQuadsGoToTheirPagesListInSlotOrder)
{
    // Three slots: quads 0-1 (pages 0, 1), quads 2-4 (pages 1, 0, 1) hidden, quads 5-6 (page 0, then
    // one past the last page, which no list takes). Quad 7 lies beyond every range.
    const int pages_of[8] = {0, 1, 1, 0, 1, 0, 2, 0};
    std::vector<Glyph_Vertex> v(8 * 4, Glyph_Vertex{});
    for (int q = 0; q < 8; ++q)
        v[static_cast<std::size_t>(q) * 4].info[1] = static_cast<unsigned char>(pages_of[q]);
    const Glyph_Range ranges[3] = {{0, 2}, {2, 3}, {5, 2}};
    unsigned char shown[3] = {1, 0, 1};
    std::vector<std::uint32_t> index;
    std::vector<int> starts;
    Glyph_Lists_Build(v.data(), ranges, shown, 3, 2, index, starts);
    const auto quad = [](std::uint32_t q) {
        const std::uint32_t b = q * 4;
        return std::vector<std::uint32_t>{b, b + 1, b + 2, b, b + 2, b + 3};
    };
    std::vector<std::uint32_t> page0 = quad(0), page1 = quad(1);
    const std::vector<std::uint32_t> q5 = quad(5);
    page0.insert(page0.end(), q5.begin(), q5.end());
    ASSERT_EQ(starts, (std::vector<int>{0, 12, 18}));
    EXPECT_EQ(std::vector<std::uint32_t>(index.begin(), index.begin() + 12), page0);
    EXPECT_EQ(std::vector<std::uint32_t>(index.begin() + 12, index.end()), page1);

    // The hidden slot shown: its quads join, after the first slot's.
    shown[1] = 1;
    Glyph_Lists_Build(v.data(), ranges, shown, 3, 2, index, starts);
    ASSERT_EQ(starts, (std::vector<int>{0, 18, 36}));
    EXPECT_EQ(std::vector<std::uint32_t>(index.begin() + 6, index.begin() + 12), quad(3));
    EXPECT_EQ(std::vector<std::uint32_t>(index.begin() + 24, index.begin() + 30), quad(2));

    // Nothing shown: empty lists.
    shown[0] = shown[1] = shown[2] = 0;
    Glyph_Lists_Build(v.data(), ranges, shown, 3, 2, index, starts);
    EXPECT_EQ(starts, (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(index.empty());
}
