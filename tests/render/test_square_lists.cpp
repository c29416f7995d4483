// The spill counts' grid of squares: each square's slots, entered and taken out in any order, as a
// plain map of multisets holds them, through the table's growth and squares emptied on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "render/batch/square_lists.h"

using namespace core;

TEST(SquareLists, HoldWhatAPlainMapHoldsThroughGrowthAndEmptiedSquares)
{
    std::mt19937 random(7);
    for (const std::size_t room : {std::size_t{0}, std::size_t{64}, std::size_t{5000}}) {
        Square_Lists lists;
        lists.Clear(room);
        std::map<std::uint64_t, std::vector<std::uint32_t>> plain;
        // Squares of a grid around the origin, as the spill boxes give them (x in the high word),
        // few enough that most of them take several slots and empty again.
        const auto square = [&] {
            const std::int32_t x = static_cast<std::int32_t>(random() % 40) - 20;
            const std::int32_t y = static_cast<std::int32_t>(random() % 40) - 20;
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32 | static_cast<std::uint32_t>(y);
        };
        for (int step = 0; step < 20000; ++step) {
            const std::uint64_t s = square();
            std::vector<std::uint32_t>& in = plain[s];
            if (!in.empty() && random() % 3 == 0) {
                const std::uint32_t slot = in[random() % in.size()];
                lists.Remove(s, slot);
                in.erase(std::find(in.begin(), in.end(), slot));
            } else {
                const std::uint32_t slot = random() % 500;
                lists.Add(s, slot);
                in.push_back(slot);
            }
        }
        // A square never entered, and one taken out of a square that does not hold it, change nothing.
        lists.Remove(std::uint64_t{1} << 40, 3);
        for (auto& [s, want] : plain) {
            std::vector<std::uint32_t> got;
            lists.Each(s, [&](std::uint32_t slot) { got.push_back(slot); });
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
            EXPECT_EQ(got, want) << "room " << room << ", square " << s;
        }
        int none = 0;
        lists.Each(std::uint64_t{1} << 40, [&](std::uint32_t) { ++none; });
        EXPECT_EQ(none, 0);
    }
}
