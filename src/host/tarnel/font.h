// The font record behind HFONT, shared by the font cache and the text surface.
#pragma once

#include <vrtools/tarnel.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <unordered_map>

// One FreeType face at one pixel size. Owned by the cache for the life of the process.
struct HFONT__ {
    FT_Face face = nullptr;
    int pixel_size = 0;
    int baseline = 0;     // rows from the top of a line to the baseline (ascender, rounded)
    int line_height = 0;  // ceil(ascender - descender) in pixels
    bool kerning = false;
    // Hinted advance (26.6) of each glyph measured so far, or -1 for a glyph that cannot be loaded:
    // measuring a caption then costs no glyph loading for glyphs seen before.
    std::unordered_map<FT_UInt, FT_Pos> advances;
};

namespace host {
// The process's FreeType library, made on first use; null when FreeType cannot start.
FT_Library Font_Library();
}  // namespace host
