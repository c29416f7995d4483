// The index lists of sharp text's glyph quads, page by page.
#include "render/batch/glyph_lists.h"

#include <algorithm>

namespace core {

void Glyph_Lists_Build(const Glyph_Vertex* vertices, const Glyph_Range* ranges, const unsigned char* shown,
                       std::size_t slots, int pages, std::vector<std::uint32_t>& index, std::vector<int>& starts)
{
    starts.assign(static_cast<std::size_t>(std::max(pages, 0)) + 1, 0);
    const auto page_of = [&](int quad) {
        return static_cast<int>(vertices[static_cast<std::size_t>(quad) * 4].info[1]);
    };
    // Counted first, so that each list is written straight into its place.
    for (std::size_t i = 0; i < slots; ++i)
        if (shown[i])
            for (int q = ranges[i].first; q < ranges[i].first + ranges[i].count; ++q)
                if (page_of(q) < pages)
                    starts[static_cast<std::size_t>(page_of(q)) + 1] += 6;
    for (std::size_t p = 1; p < starts.size(); ++p)
        starts[p] += starts[p - 1];
    index.resize(static_cast<std::size_t>(starts.back()));
    std::vector<int> at(starts.begin(), starts.end() - 1);
    for (std::size_t i = 0; i < slots; ++i) {
        if (!shown[i])
            continue;
        for (int q = ranges[i].first; q < ranges[i].first + ranges[i].count; ++q) {
            const int page = page_of(q);
            if (page >= pages)
                continue;
            const std::uint32_t b = static_cast<std::uint32_t>(q) * 4;
            const std::uint32_t tri[6] = {b, b + 1, b + 2, b, b + 2, b + 3};
            std::copy(tri, tri + 6, index.begin() + at[static_cast<std::size_t>(page)]);
            at[static_cast<std::size_t>(page)] += 6;
        }
    }
}

}  // namespace core
