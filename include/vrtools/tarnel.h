// tarnel: the host toolkit library: colour values, fonts, look-and-feel globals and the text surface.
#pragma once

#include <cstdint>
#include <vector>

#ifndef VRTOOLS_HWND_DEFINED
#define VRTOOLS_HWND_DEFINED
// A host window. The widgets never look inside it: any non-null value is a valid window.
typedef struct HWND__* HWND;
#endif
#ifndef VRTOOLS_HDC_DEFINED
#define VRTOOLS_HDC_DEFINED
// A drawing context of a window, handed out by Y_GetDC.
typedef struct HDC__* HDC;
#endif
#ifndef VRTOOLS_HFONT_DEFINED
#define VRTOOLS_HFONT_DEFINED
// A loaded font face at one pixel size, owned by the toolkit's cache.
typedef struct HFONT__* HFONT;
#endif

#if defined(TARNEL_BUILDING)
#define TARNEL_API __attribute__((visibility("default")))
#else
#define TARNEL_API
#endif

// A colour of four 16-bit words: red, green, blue (each 0..255) and a word of the toolkit's own
// (kept, never interpreted by the widgets). Packed colours hold red in bits 0..7, green in
// 8..15 and blue in 16..23.
struct TARNEL_API Colors {
    unsigned short Red = 0;
    unsigned short Green = 0;
    unsigned short Blue = 0;
    unsigned short Extra = 0;

    Colors() = default;
    // From a packed colour; bits 24..31 are ignored and the fourth word is 0.
    Colors(unsigned long packed);
    // Packed value of red, green and blue; 0 for black.
    unsigned long get() const;
};

// Distance by which flat looks lift their frame strips and tab bars stack their tabs (scene
// units). Default 2.
extern TARNEL_API int BORDER;
// Look bits; bit 0 makes boxes draw their floor a second time unlit. Default 0.
extern TARNEL_API std::uint8_t Tool_Looks;

// Pixel size of the system font, used when a caption's font cannot be had.
constexpr int TARNEL_SYSTEM_FONT_SIZE = 16;

// A font: `name` is a family name or a Fontconfig pattern, `style` a style such as "Bold" or
// "Italic" (may be null), `size` the size in pixels (1..512). Returns null when the name is null
// or empty, the size is out of range, or no installed font has that family; the caller then falls
// back to the system font; a family found missing is looked up again once the installed fonts
// have changed. Fonts are cached and stay valid for the life of the process (a font unused for a
// while frees its FreeType size and is set up again on its next use); never delete them. `window`
// and `extra` are not used.
TARNEL_API HFONT Y_Create_Font(HWND window, const char* name, const char* style, const char* extra, int size);

namespace host {

// The system font: DejaVu Sans at TARNEL_SYSTEM_FONT_SIZE pixels, found through Fontconfig; null
// only when no font at all can be loaded.
TARNEL_API HFONT System_Font();

// An off-screen text surface: the stand-in for a memory drawing context with a 32-bit bitmap
// selected into it. White antialiased text on black; each pixel is 4 bytes, the glyph coverage in
// the first byte of each (and the next two), rows from the top down.
struct Text_Surface;

// A surface compatible with `dc`; null when `dc` is null or memory runs out.
TARNEL_API Text_Surface* Surface_Create(HDC dc);
// Selects the font to measure and draw with; null selects the system font.
TARNEL_API void Surface_Select_Font(Text_Surface* surface, HFONT font);
// Line height of the selected font in pixels (ascent + descent, rounded up).
TARNEL_API int Surface_Line_Height(const Text_Surface* surface);
// Width of `text` in pixels as Surface_Draw_Text lays it out: the sum of the advances of the shaped
// glyphs, kerning included, in every font the text needs (characters the selected font lacks come
// from installed fonts that have them).
TARNEL_API int Surface_Text_Width(const Text_Surface* surface, const wchar_t* text);
// Gives the surface a black bitmap of width x height pixels (both 1..4096); 1 on success, 0 when
// the size is out of range or memory runs out.
TARNEL_API int Surface_Bitmap_Create(Text_Surface* surface, int width, int height);
// Clears the bitmap to black and draws `text` in white with its top-left corner at (0, 0), in
// bidirectional order and shaped, every font on the baseline of the selected one; what falls
// outside the bitmap is cut off.
TARNEL_API void Surface_Draw_Text(Text_Surface* surface, const wchar_t* text);
// Copies up to `count` bytes of the bitmap's pixels into `out`; returns the bytes copied (0 when
// there is no bitmap).
TARNEL_API long Surface_Bits(const Text_Surface* surface, void* out, long count);
// Bytes per bitmap row (width x 4), or 0 without a bitmap.
TARNEL_API int Surface_Row_Bytes(const Text_Surface* surface);
TARNEL_API void Surface_Delete(Text_Surface* surface);

// Glyphs for renderers that draw text as quads.

// A glyph of a caption where Surface_Draw_Text puts it.
struct Caption_Glyph {
    HFONT font;          // the font it comes from: a fallback font for characters the caption's lacks
    unsigned int glyph;  // its index in that font's face
    int x, y;            // its origin, pixels from the text's top-left corner: x right, y down to the baseline
    int size;            // pixels per em it is drawn at; a Glyph_Field cell is scaled by size / em
};
// The glyphs that Surface_Draw_Text draws for `text` in `font` (null: the system font) into a bitmap
// `width` pixels wide, left to right, from the same layout: the same shaping, order and fallback
// fonts. Glyphs past the bitmap's right edge are left out once none of their ink can show; the
// caller cuts the rest at its text box as the bitmap cuts its ink. Writes up to `capacity` glyphs
// into `out` and returns how many there are (call again with more room when that is larger), or
// -1 when `text` is null, there is no room to write into, or memory runs out.
TARNEL_API int Caption_Glyphs(HFONT font, const wchar_t* text, int width, Caption_Glyph* out, int capacity);

// One glyph of a face drawn once for every size: a signed distance field of its outline at
// Glyph_Field_Em pixels per em, or the coverage of a colour glyph (emoji), which has no outline to
// measure. Rows top-down.
struct Glyph_Field {
    int left = 0;  // pixels (at `em`) from the pen to the first column
    int top = 0;   // pixels (at `em`) from the baseline up to the first row
    int width = 0;
    int rows = 0;
    int em = 0;  // pixels per em of the cell
    // Distance fields: pixels (at `em`) from the outline at which the field reaches 0 outside or 255
    // inside; the outline itself is 128. The cell has this margin on every side. 0: a coverage cell.
    int spread = 0;
    std::vector<unsigned char> texels;  // width x rows
};
// Pixels per em of every distance-field cell, and their spread. At 48 a 14-pixel caption drawn
// eight times as large is magnified from the cell only 2.3 times, so that stems and corners stay
// crisp, and a Latin cell is about 1.3 KB. The spread costs most: FreeType's distance renderer takes
// 1 to 2.5 ms a glyph at 4 and over twice that at 8 (two busy cores), so callers keep their cells;
// 4 pixels at 48 is a twelfth of an em, enough for a one-pixel edge from the cell down to a quarter
// of its size and for an outline of a pixel round a 14-pixel caption.
constexpr int Glyph_Field_Em = 48;
constexpr int Glyph_Field_Spread = 4;
// Renders glyph `glyph` of the face of `font` (any size of it: the cell is shared by all) into
// `out`; the face's missing-glyph box when the glyph cannot be loaded. False when neither can be
// rendered; a glyph without ink (a space) gives an empty cell.
TARNEL_API bool Glyph_Field_Render(HFONT font, unsigned int glyph, Glyph_Field& out);
// What a cache of cells keys them by: the same for every size of a scalable face, whose cells
// Glyph_Field_Render makes once for all; the font itself for a face of fixed bitmap sizes, whose
// cell depends on the size picked. Null for a null font.
TARNEL_API const void* Glyph_Field_Owner(HFONT font);

}  // namespace host
