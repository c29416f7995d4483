// Sharp text's quads and the lists a frame draws them through: what a glyph quad's corner holds
// and which quads each atlas page's draw takes. Pure arithmetic, no GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

// One corner of a glyph quad, as the sharp-text program reads it.
struct Glyph_Vertex {
    float pos[3];
    float uv[2];  // level-0 page coordinates, 0..1
    unsigned char color[4];
    unsigned char info[4];  // the cell's spread, its page
};

// A slot's glyph quads in the buffer: `count` from quad `first` on.
struct Glyph_Range {
    int first = 0, count = 0;
};

// The index lists of the glyph quads to draw, one per atlas page: every quad of each slot that
// `shown` picks, in slot order, two triangles each, in the list of the page its glyph lies on (its
// first corner's info[1]). The lists lie one after the other in `index`, list p from starts[p] to
// starts[p + 1]. Calls no GL.
void Glyph_Lists_Build(const Glyph_Vertex* vertices, const Glyph_Range* ranges, const unsigned char* shown,
                       std::size_t slots, int pages, std::vector<std::uint32_t>& index, std::vector<int>& starts);

}  // namespace core
