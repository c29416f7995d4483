// The base record: destruction, colour and name accessors, and the caption rasteriser.
#include <cstdarg>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core.h"
#include "holding.h"
#include "recent.h"

namespace {

constexpr const char* SOURCE = "tools";
constexpr int NAME_CAPACITY = 1024;  // characters, terminator included

// Keeps the first byte of each of `texels` 32-bit pixels. Every caption and read-out passes through
// here once per text, so sixteen pixels go at a time where the target has SSE2.
void Coverage_Narrow(unsigned char* out, const unsigned char* pixels, int texels)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi32(0xff);
    for (; i + 16 <= texels; i += 16) {
        const unsigned char* p = pixels + 4 * i;
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), low);
        const __m128i c = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), low);
        const __m128i d = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), low);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
    }
#endif
    for (; i < texels; ++i)
        out[i] = pixels[4 * i];
}

// The lint's note that a text's font was not found.
void Font_Missing_Note(HFONT font, const wchar_t* text, const char* font_name, const char* font_style, short font_size)
{
    if (core::Lint_On() && font_name && !font)
        core::Lint_Report("Lint: font \"%hs\" \"%hs\" at %d px was not found: \"%ls\" is drawn in the system font",
                          font_name, font_style ? font_style : "", font_size, text);
}

// The font a text is drawn in (null: the system font), with the lint's note when it is missing.
HFONT Font_Find(HWND window, const wchar_t* text, const char* font_name, const char* font_style, short font_size)
{
    HFONT font = Y_Create_Font(window, font_name, font_style, nullptr, font_size);
    Font_Missing_Note(font, text, font_name, font_style, font_size);
    return font;
}

// Texts rasterised lately through Text_Render_Recent, by font and text: a panel's sliders often
// show the same values, and a drag returns to values shown before. Sets of four, the least recently
// used replaced; short texts in small bitmaps only, so the whole stays near a megabyte at most.
struct Rendered {
    static constexpr int Text_Max = 40;      // characters, terminator included
    static constexpr int Texels_Max = 2048;  // a read-out of 8 pixels is 64 x 16 or 128 x 16
    HFONT font = nullptr;
    wchar_t text[Text_Max] = {};  // empty: nothing kept
    int tex_width = 0, tex_height = 0, text_width = 0, text_height = 0;
    unsigned long used = 0;  // when last found or kept
    std::vector<unsigned char> texels;
};

// The entry that holds `text` in `font` (`found`), or else the one to replace with it.
Rendered& Rendered_Find(HFONT font, const wchar_t* text, std::size_t length, bool& found)
{
    static core::Recent_Table<Rendered, 128, 4> table;
    core::Recent_Hash hash;
    hash.Add(reinterpret_cast<std::uintptr_t>(font));
    for (std::size_t i = 0; i < length; ++i)
        hash.Add(static_cast<std::uint64_t>(text[i]));
    return table.Find(
        hash.Done(), [&](const Rendered& r) { return r.font == font && std::wcscmp(r.text, text) == 0; }, found);
}

// Smallest power of two from 16 up to `largest` that holds `size`, else `largest`.
int Texture_Side(int size, int largest)
{
    int side = 16;
    while (side < largest && side < size)
        side <<= 1;
    return side;
}

// True when `format` holds no conversion but "%%": such a name can be formatted without arguments.
bool Only_Percent_Escapes(const wchar_t* format)
{
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%')
            continue;
        if (p[1] != L'%')
            return false;
        ++p;
    }
    return true;
}

// Takes ownership of a copy of `text` as the widget's name; an empty text leaves no name.
bool Store_Name(VR_Tools& tool, const wchar_t* text)
{
    if (!text || !text[0])
        return true;
    const std::size_t length = std::wcslen(text);
    auto* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (!copy) {
        core::Report_New(__LINE__, SOURCE, "this->W_Name");
        return false;
    }
    std::wmemcpy(copy, text, length + 1);
    tool.W_Name = copy;
    return true;
}

// First three steps shared by both formatting setters. Returns false when the call ends there.
bool Name_Reset(VR_Tools& tool, bool have_format)
{
    core::Heap_Release(tool.W_Name);
    if (!have_format) {
        tool.Status &= static_cast<unsigned char>(~VR_STATUS_NAMED);
        return false;
    }
    return true;
}

// Every field, pointers and GL names included, in the order of the record.
void Fields_Copy(VR_Tools& to, const VR_Tools& from)
{
    to.Name = from.Name;
    to.Window = from.Window;
    to.Flags = from.Flags;
    to.X = from.X;
    to.Y = from.Y;
    to.Z = from.Z;
    to.Width = from.Width;
    to.Height = from.Height;
    to.Bevel = from.Bevel;
    to.Font_Name = from.Font_Name;
    to.Font_Style = from.Font_Style;
    to.Font_Extra = from.Font_Extra;
    to.Font_Size = from.Font_Size;
    to.Color = from.Color;
    to.Image = from.Image;
    to.Spare_1 = from.Spare_1;
    to.Spare_2 = from.Spare_2;
    to.Spare_3 = from.Spare_3;
    to.Spare_4 = from.Spare_4;
    to.W_Name = from.W_Name;
    to.Quad_Count = from.Quad_Count;
    to.Vertex_Array = from.Vertex_Array;
    to.Normal_Array = from.Normal_Array;
    to.Color_Array = from.Color_Array;
    to.Text_Vertex_Array = from.Text_Vertex_Array;
    to.Text_Coord_Array = from.Text_Coord_Array;
    to.Vertex_VBO = from.Vertex_VBO;
    to.Normal_VBO = from.Normal_VBO;
    to.Color_VBO = from.Color_VBO;
    to.Text_Vertex_VBO = from.Text_Vertex_VBO;
    to.Text_Coord_VBO = from.Text_Coord_VBO;
    to.Text_Bitmap = from.Text_Bitmap;
    to.Text_Texture = from.Text_Texture;
    to.Image_Texture = from.Image_Texture;
    to.Spare_Ptr = from.Spare_Ptr;
    to.Status = from.Status;
}

// What the record owns, in the order the destructor releases it.
constexpr int HELD = 15;
void Held_List(VR_Tools& t, core::Held (&h)[HELD])
{
    h[0] = core::Held_Heap(t.W_Name);
    h[1] = core::Held_Heap(t.Text_Bitmap);
    h[2] = core::Held_Texture(t.Text_Texture);
    h[3] = core::Held_Heap(t.Image);
    h[4] = core::Held_Texture(t.Image_Texture);
    h[5] = core::Held_Heap(t.Vertex_Array);
    h[6] = core::Held_Heap(t.Normal_Array);
    h[7] = core::Held_Heap(t.Color_Array);
    h[8] = core::Held_Heap(t.Text_Vertex_Array);
    h[9] = core::Held_Heap(t.Text_Coord_Array);
    h[10] = core::Held_Buffer(t.Vertex_VBO);
    h[11] = core::Held_Buffer(t.Normal_VBO);
    h[12] = core::Held_Buffer(t.Color_VBO);
    h[13] = core::Held_Buffer(t.Text_Vertex_VBO);
    h[14] = core::Held_Buffer(t.Text_Coord_VBO);
}

// Registers a fresh copy as one more holder; a copy the table could not take holds nothing.
void Held_Share_All(VR_Tools& copy)
{
    core::Held h[HELD];
    Held_List(copy, h);
    if (!core::Held_Share(h, HELD, "VR_Tools"))
        copy.Quad_Count = 0;
}

}  // namespace

VR_Tools::VR_Tools(const VR_Tools& other)
{
    Fields_Copy(*this, other);
    Held_Share_All(*this);
}

VR_Tools::VR_Tools(VR_Tools&& other) noexcept
{
    Fields_Copy(*this, other);
    core::Held h[HELD];
    Held_List(other, h);
    core::Held_Clear(h, HELD);
    other.Quad_Count = 0;
    other.Status = 0;
    core::Holding_Moved(&other, this);
}

VR_Tools& VR_Tools::operator=(const VR_Tools& other)
{
    if (this == &other)
        return *this;
    // The old objects are not released here: other copies may hold them.
    core::Held h[HELD];
    Held_List(*this, h);
    core::Held_Forget(h, HELD);
    Fields_Copy(*this, other);
    Held_Share_All(*this);
    return *this;
}

VR_Tools& VR_Tools::operator=(VR_Tools&& other) noexcept
{
    if (this == &other)
        return *this;
    core::Held h[HELD];
    Held_List(*this, h);
    core::Held_Release(h, HELD);
    Fields_Copy(*this, other);
    Held_List(other, h);
    core::Held_Clear(h, HELD);
    other.Quad_Count = 0;
    other.Status = 0;
    core::Holding_Moved(&other, this);
    return *this;
}

VR_Tools::~VR_Tools()
{
    // A batch or dispatcher holding this widget would otherwise keep its address after it is gone.
    core::Holding_Destroyed(this);
    core::Held h[HELD];
    Held_List(*this, h);
    core::Held_Release(h, HELD);
    Status = 0;
}

unsigned int VR_Tools::Color_Get() const
{
    return static_cast<unsigned int>(Color.get());
}

void VR_Tools::Color_Set(unsigned char r, unsigned char g, unsigned char b)
{
    Color.Red = r;
    Color.Green = g;
    Color.Blue = b;
    Color.Extra = 0;
}

void VR_Tools::Color_Set(unsigned int packed)
{
    Color.Red = packed & 0xFF;
    Color.Green = (packed >> 8) & 0xFF;
    Color.Blue = (packed >> 16) & 0xFF;
}

void VR_Tools::Color_Set(Colors c)
{
    Color.Red = c.Red;
    Color.Green = c.Green;
    Color.Blue = c.Blue;
}

void* VR_Tools::Free(void* p)
{
    core::Heap_Release(p);
    return nullptr;
}

wchar_t* VR_Tools::Name_Get() const
{
    return W_Name;
}

int VR_Tools::Name_Set(const char* name)
{
    if (!name)
        return 1;
    const wchar_t* wide = Char_2_Wchar(name);
    if (!wide)
        return Name_Set(static_cast<const wchar_t*>(nullptr));
    // A name is formatted without arguments: any conversion but "%%" would read one that is not
    // there, so such a name is taken as it stands.
    if (Only_Percent_Escapes(wide))
        return Name_Set(wide);
    return Name_Set(L"%ls", wide);
}

int VR_Tools::Name_Set(const wchar_t* const format, ...)
{
    if (!format && Status == 0)
        return 0;
    if (!Name_Reset(*this, format != nullptr))
        return 0;
    wchar_t text[NAME_CAPACITY];
    va_list args;
    va_start(args, format);
    const int length = host::Format_Wide(text, NAME_CAPACITY, format, args);
    va_end(args);
    if (length < 0)
        return 0;
    if (!Store_Name(*this, text))
        return 0;
    Status |= VR_STATUS_NAMED;
    return 1;
}

int VR_Tools::Set_Name(const char* const format, ...)
{
    if (!format && Status == 0)
        return 0;
    if (!Name_Reset(*this, format != nullptr))
        return 0;
    char text[NAME_CAPACITY];
    va_list args;
    va_start(args, format);
    const int length = host::Format_Narrow(text, NAME_CAPACITY, format, args);
    va_end(args);
    if (length < 0)
        return 0;
    const wchar_t* wide = Char_2_Wchar(text);
    // UTF-8 never decodes into more characters than bytes, so the wide name fits the same limit.
    if (!Store_Name(*this, wide))
        return 0;
    Status |= VR_STATUS_NAMED;
    return 1;
}

int VR_Tools::Text(const wchar_t* text, unsigned char** buffer, const char* font_name, const char* font_style,
                   short font_size, int* tex_width, int* tex_height, int* text_width, int* text_height)
{
    if (!core::Text_Render(*this, text, buffer, font_name, font_style, font_size, tex_width, tex_height, text_width,
                           text_height))
        return 0;
    core::Texture_Alpha_Upload(*tex_width, *tex_height, *buffer);
    return 1;
}

namespace {

// The sizes Text_Render gives `text` in the surface's font.
void Text_Sizes(const host::Text_Surface* surface, const wchar_t* text, int* tex_width, int* tex_height,
                int* text_width, int* text_height)
{
    const int line_height = host::Surface_Line_Height(surface);
    const int extent = host::Surface_Text_Width(surface, text);
    if (text_height)
        *text_height = line_height;
    if (text_width)
        *text_width = extent;
    *tex_height = Texture_Side(line_height + 2, 128);
    *tex_width = Texture_Side(extent + 2, 1024);
}

}  // namespace

int core::Text_Measure(VR_Tools& tool, const wchar_t* text, const char* font_name, const char* font_style,
                       short font_size, int* tex_width, int* tex_height, int* text_width, int* text_height)
{
    *tex_width = *tex_height = 0;
    if (text_width)
        *text_width = 0;
    if (text_height)
        *text_height = 0;
    if (!text || !text[0])
        return 0;
    HFONT font = Font_Find(tool.Window, text, font_name, font_style, font_size);
    HDC dc = Y_GetDC(tool.Window, "VR_Tools::Text");
    host::Text_Surface* surface = host::Surface_Create(dc);
    Y_ReleaseDC(tool.Window, dc);
    if (!surface) {
        Error_Fct(::hwnd, VR_REPORT_CAPTION, "Text: Failed to create a text surface (window %p)",
                  static_cast<void*>(tool.Window));
        return 0;
    }
    host::Surface_Select_Font(surface, font);
    Text_Sizes(surface, text, tex_width, tex_height, text_width, text_height);
    host::Surface_Delete(surface);
    return 1;
}

int core::Text_Render(VR_Tools& tool, const wchar_t* text, unsigned char** buffer, const char* font_name,
                      const char* font_style, short font_size, int* tex_width, int* tex_height, int* text_width,
                      int* text_height)
{
    HWND const window = tool.Window;
    *tex_width = *tex_height = 0;
    if (text_width)
        *text_width = 0;
    if (text_height)
        *text_height = 0;
    if (!text || !text[0] || !buffer)
        return 0;

    HFONT font = Font_Find(window, text, font_name, font_style, font_size);
    HDC dc = Y_GetDC(window, "VR_Tools::Text");
    host::Text_Surface* surface = host::Surface_Create(dc);
    if (!surface) {
        Y_ReleaseDC(window, dc);
        Error_Fct(::hwnd, VR_REPORT_CAPTION, "Text: Failed to create a text surface (window %p)",
                  static_cast<void*>(window));
        return 0;
    }
    host::Surface_Select_Font(surface, font);  // null selects the system font

    Text_Sizes(surface, text, tex_width, tex_height, text_width, text_height);

    if (!host::Surface_Bitmap_Create(surface, *tex_width, *tex_height)) {
        Y_ReleaseDC(window, dc);
        host::Surface_Delete(surface);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "file:%hs line:%d", SOURCE, __LINE__);
        Error_Fct(::hwnd, VR_REPORT_CAPTION, L"\u00F1\u0004ERROR:\u0002 Unable to Create Compatible Bitmap");
        return 0;
    }
    Y_ReleaseDC(window, dc);
    const int row_bytes = host::Surface_Row_Bytes(surface);
    const long expected = static_cast<long>(row_bytes) * *tex_height;
    host::Surface_Draw_Text(surface, text);

    const int texels = *tex_width * *tex_height;
    // Not cleared: a read-back of the expected size writes every byte, and any other is refused below.
    auto* pixels = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(texels) * 4));
    if (!pixels) {
        host::Surface_Delete(surface);
        core::Report_Alloc("calloc", __LINE__, SOURCE, "texture", texels, 4);
        return 0;
    }
    const long read = host::Surface_Bits(surface, pixels, expected);
    host::Surface_Delete(surface);
    if (read != expected) {
        std::free(pixels);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "file:%hs line:%d", SOURCE, __LINE__);
        Error_Fct(::hwnd, VR_REPORT_CAPTION, L"\u00F1\u0004ERROR:\u0002 in GetBitmapBits()");
        Error_Fct(::hwnd, VR_REPORT_CAPTION, L"\u00F1\u0009 Reading back text bitmap (read %d /vs/ %d=(%dx%dx%d))",
                  static_cast<int>(read), static_cast<int>(expected), row_bytes, *tex_height, 1);
        return 0;
    }

    core::Heap_Unshare(*buffer);  // a copy keeps the bitmap it shares
    void* grown = std::realloc(*buffer, static_cast<std::size_t>(texels));
    if (!grown) {
        std::free(pixels);
        core::Report_Alloc("realloc", __LINE__, SOURCE, "(*buffer)", texels, 1);
        return 0;
    }
    *buffer = static_cast<unsigned char*>(grown);
    // The first byte of each 32-bit pixel is the glyph coverage of white text on black.
    Coverage_Narrow(*buffer, pixels, texels);
    std::free(pixels);
    return 1;
}

int core::Text_Render_Recent(VR_Tools& tool, const wchar_t* text, unsigned char** buffer, const char* font_name,
                             const char* font_style, short font_size, int* tex_width, int* tex_height, int* text_width,
                             int* text_height)
{
    const std::size_t length = text && buffer ? std::wcslen(text) : 0;
    if (length == 0 || length >= static_cast<std::size_t>(Rendered::Text_Max))
        return Text_Render(tool, text, buffer, font_name, font_style, font_size, tex_width, tex_height, text_width,
                           text_height);
    // Text_Render finds the font again, notes included, when the text is not kept.
    const HFONT font = Y_Create_Font(tool.Window, font_name, font_style, nullptr, font_size);
    bool found = false;
    Rendered& kept = Rendered_Find(font, text, length, found);
    if (found) {
        Font_Missing_Note(font, text, font_name, font_style, font_size);
        const std::size_t texels = kept.texels.size();
        core::Heap_Unshare(*buffer);  // a copy keeps the bitmap it shares
        void* grown = std::realloc(*buffer, texels);
        if (!grown) {
            core::Report_Alloc("realloc", __LINE__, SOURCE, "(*buffer)", static_cast<int>(texels), 1);
            return 0;
        }
        *buffer = static_cast<unsigned char*>(grown);
        std::memcpy(*buffer, kept.texels.data(), texels);
        *tex_width = kept.tex_width;
        *tex_height = kept.tex_height;
        if (text_width)
            *text_width = kept.text_width;
        if (text_height)
            *text_height = kept.text_height;
        return 1;
    }
    int text_w = 0, text_h = 0;
    const int rendered =
        Text_Render(tool, text, buffer, font_name, font_style, font_size, tex_width, tex_height, &text_w, &text_h);
    if (text_width)
        *text_width = text_w;
    if (text_height)
        *text_height = text_h;
    const int texels = *tex_width * *tex_height;
    if (!rendered || texels > Rendered::Texels_Max)
        return rendered;
    // Forgotten while it is replaced: a copy cut short by memory leaves nothing half kept.
    kept.text[0] = L'\0';
    try {
        kept.texels.assign(*buffer, *buffer + texels);
    } catch (const std::bad_alloc&) {
        // The text is rendered all the same; like every allocation that fails, this one is reported.
        core::Report_Alloc("realloc", __LINE__, SOURCE, "kept.texels", texels, 1);
        return rendered;
    }
    kept.font = font;
    std::wmemcpy(kept.text, text, length + 1);
    kept.tex_width = *tex_width;
    kept.tex_height = *tex_height;
    kept.text_width = text_w;
    kept.text_height = text_h;
    return rendered;
}
