// Laid-out text and the glyph cache, shared by the text surface and the layout code.
#pragma once

#include "host/tarnel/font.h"

#include <cstddef>
#include <vector>

// Coverage of one glyph as FreeType renders it, 8 bits per pixel, rows top-down.
struct Glyph_Image {
    int left = 0;  // pixels from the pen to the first column
    int top = 0;   // pixels from the baseline up to the first row
    int width = 0;
    int rows = 0;
    std::vector<unsigned char> coverage;  // width x rows
};

// One glyph of a laid-out line: which font, which glyph, and where its origin stands (26.6 pixels
// from the line's start, y upward from the baseline).
struct Placed_Glyph {
    HFONT font = nullptr;
    FT_UInt glyph = 0;
    FT_Pos x = 0;
    FT_Pos y = 0;
};

// A line in visual order, left to right, and its advance width (26.6).
struct Text_Layout {
    std::vector<Placed_Glyph> glyphs;
    FT_Pos width = 0;
};

namespace host {
// Walks a layout of text in `font` as a caption cut at `width` pixels places it: `visit(glyph, x, y)`
// for each glyph with its origin in whole pixels from the caption's top-left corner (x to the
// right, y down to its baseline; every font of the line stands on the baseline of `font`). The
// caption's bitmap and the glyph placement query both walk a layout through here, so that a glyph
// quad stands where the bitmap's ink is.
template <typename Visit>
void Caption_Walk(HFONT font, const Text_Layout& layout, long long width, Visit&& visit)
{
    // Glyphs may reach left of their pen by a little; past this margin nothing more can show.
    const long long last_x = width + 2LL * font->pixel_size;
    for (const Placed_Glyph& g : layout.glyphs) {
        const long long x = (static_cast<long long>(g.x) + 32) >> 6;
        if (x > last_x)
            break;  // glyphs come left to right: the rest is further out
        const long long y = (static_cast<long long>(g.y) + 32) >> 6;
        visit(g, x, font->baseline - y);
    }
}

// Lays out `text` (up to its terminator) in `font`: bidirectional order, shaping, and fallback fonts
// for characters `font` lacks, all on one baseline. Replaces `out`; false when memory runs out.
bool Text_Lay_Out(HFONT font, const wchar_t* text, Text_Layout& out);
// The layout Text_Lay_Out makes of a short plain `text` (no character that needs shaping, every
// one `font`'s own), from the layouts made lately, laid out and kept when it is not among them:
// measuring a read-out and placing its glyphs lay it out once. Null for other text, which the
// caller lays out itself, or when memory runs out. Valid until the next call.
const Text_Layout* Text_Layout_Recent(HFONT font, const wchar_t* text);
// The rendered coverage of a glyph, or of the face's .notdef when the glyph cannot be loaded;
// null when neither loads. Valid until the next call.
const Glyph_Image* Glyph_Get(HFONT font, FT_UInt glyph);
// Bytes of coverage the glyph cache holds now.
std::size_t Glyphs_Bytes();
}  // namespace host
