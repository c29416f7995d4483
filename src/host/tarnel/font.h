// The font records behind HFONT, shared by the font cache, the glyph cache and the text surface.
#pragma once

#include <vrtools/tarnel.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <hb.h>

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

typedef struct _FcPattern FcPattern;
typedef struct _FcFontSet FcFontSet;

// One font file (one face of a collection): FreeType opens and maps it once, whatever the sizes.
struct Font_File {
    std::string path;
    int index = 0;
    FT_Face face = nullptr;
    hb_face_t* shaper = nullptr;   // made on first shaping
    FT_Size field_size = nullptr;  // the face at Glyph_Field_Em, made on the first distance field
};

// Glyphs, advances and kerning of the printable ASCII characters in one font, filled in as they
// are first asked for: most captions and every read-out are made of these, and FreeType's
// character map and kerning table cost more per character than the rest of a layout.
struct Plain_Metrics {
    static constexpr char32_t First = 0x20, Last = 0x7E;
    static constexpr int Count = Last - First + 1;
    static constexpr FT_UInt Unknown_Glyph = ~FT_UInt{0};
    static constexpr FT_Pos Unknown_Advance = -0x7FFFFFFF;
    static constexpr short Unknown_Kerning = -0x8000;  // also: a value too large to keep here

    Plain_Metrics();
    FT_UInt glyph[Count];
    FT_Pos advance[Count];
    short kerning[Count][Count];  // 26.6, left character first
};

// One face at one pixel size. The record itself lives as long as the process, so an HFONT stays
// valid; its heavy parts (FreeType size, shaping font, fallback list) are dropped when it has not
// been used for a while and made again on the next use.
struct HFONT__ {
    Font_File* file = nullptr;
    int pixel_size = 0;
    int strike = -1;      // bitmap-only faces: the fixed size used, -1 for scalable faces
    int baseline = 0;     // rows from the top of a line to the baseline (ascender, rounded)
    int line_height = 0;  // ceil(ascender - descender) in pixels
    bool kerning = false;
    bool color = false;  // the face has colour glyphs: they load as BGRA and draw as their alpha

    // Heavy parts, null while the record is resting.
    FT_Size size = nullptr;
    hb_font_t* shaper = nullptr;
    // Hinted advance (26.6) of each glyph measured so far, or -1 for a glyph that cannot be loaded:
    // measuring a caption then costs no glyph loading for glyphs seen before.
    std::unordered_map<FT_UInt, FT_Pos> advances;
    // The same and more for plain ASCII text, made on its first layout (null until then, or when
    // memory ran out: layouts then ask FreeType).
    std::unique_ptr<Plain_Metrics> plain;
    // Fallback: the first request that found this font (its language decides among CJK fonts),
    // the installed fonts sorted for it (made when first needed) and the font found for each
    // character asked so far (null: none has it).
    std::string request_name, request_style;
    FcFontSet* sorted = nullptr;
    std::unordered_map<char32_t, HFONT__*> fallback;

    bool live = false;
    std::list<HFONT__*>::iterator recent;  // place in the list of live fonts, most recent first
};

namespace host {
// The process's FreeType library, made on first use; null when FreeType cannot start.
FT_Library Font_Library();
// Makes the font's size the active one of its face, remaking what a rest dropped. False when the
// size cannot be set up (the font then measures and draws nothing).
bool Font_Use(HFONT font);
// The shaping font of `font` (26.6 pixel units), or null when it cannot be made.
hb_font_t* Font_Shaper(HFONT font);
// A font at the same pixel size that has `c`, chosen among the installed fonts sorted for the
// request of `font`; null when none has it.
HFONT Font_Fallback(HFONT font, char32_t c);
// Number of fonts whose heavy parts are in memory.
std::size_t Fonts_Live();
}  // namespace host
