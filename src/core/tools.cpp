// The base record: destruction, colour and name accessors, and the caption rasteriser.
#include <cstdarg>
#include <cstdlib>
#include <cwchar>

#include "core.h"

namespace {

constexpr const char* SOURCE = "tools";
constexpr int NAME_CAPACITY = 1024;  // characters, terminator included

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
    std::free(tool.W_Name);
    tool.W_Name = nullptr;
    if (!have_format) {
        tool.Status &= static_cast<unsigned char>(~VR_STATUS_NAMED);
        return false;
    }
    return true;
}

}  // namespace

VR_Tools::~VR_Tools()
{
    std::free(W_Name);
    W_Name = nullptr;
    Text_Bitmap = static_cast<unsigned char*>(Free(Text_Bitmap));
    glDeleteTextures(1, &Text_Texture);
    Text_Texture = 0;
    Image = static_cast<unsigned char*>(Free(Image));
    glDeleteTextures(1, &Image_Texture);
    Image_Texture = 0;
    Vertex_Array = static_cast<short*>(Free(Vertex_Array));
    Normal_Array = static_cast<short*>(Free(Normal_Array));
    Color_Array = static_cast<unsigned int*>(Free(Color_Array));
    Text_Vertex_Array = static_cast<short*>(Free(Text_Vertex_Array));
    Text_Coord_Array = static_cast<float*>(Free(Text_Coord_Array));
    core::Buffer_Free(Vertex_VBO);
    core::Buffer_Free(Normal_VBO);
    core::Buffer_Free(Color_VBO);
    core::Buffer_Free(Text_Vertex_VBO);
    core::Buffer_Free(Text_Coord_VBO);
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
    std::free(p);
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
    *tex_width = *tex_height = 0;
    if (text_width)
        *text_width = 0;
    if (text_height)
        *text_height = 0;
    if (!text || !text[0] || !buffer)
        return 0;

    HFONT font = Y_Create_Font(Window, font_name, font_style, nullptr, font_size);
    if (core::Lint_On() && font_name && !font)
        core::Lint_Report("Lint: font \"%hs\" \"%hs\" at %d px was not found: \"%ls\" is drawn in the system font",
                          font_name, font_style ? font_style : "", font_size, text);
    HDC dc = Y_GetDC(Window, "VR_Tools::Text");
    host::Text_Surface* surface = host::Surface_Create(dc);
    if (!surface) {
        Y_ReleaseDC(Window, dc);
        Error_Fct(::hwnd, 2u, "Text: Failed to create a text surface (window %p)", static_cast<void*>(Window));
        return 0;
    }
    host::Surface_Select_Font(surface, font);  // null selects the system font

    const int line_height = host::Surface_Line_Height(surface);
    const int extent = host::Surface_Text_Width(surface, text);
    if (text_height)
        *text_height = line_height;
    if (text_width)
        *text_width = extent;
    *tex_height = Texture_Side(line_height + 2, 128);
    *tex_width = Texture_Side(extent + 2, 1024);

    if (!host::Surface_Bitmap_Create(surface, *tex_width, *tex_height)) {
        Y_ReleaseDC(Window, dc);
        host::Surface_Delete(surface);
        Error_Fct(::hwnd, 0x80000001u, "file:%hs line:%d", SOURCE, __LINE__);
        Error_Fct(::hwnd, 2u, L"\u00F1\u0004ERROR:\u0002 Unable to Create Compatible Bitmap");
        return 0;
    }
    Y_ReleaseDC(Window, dc);
    const int row_bytes = host::Surface_Row_Bytes(surface);
    const long expected = static_cast<long>(row_bytes) * *tex_height;
    host::Surface_Draw_Text(surface, text);

    const int texels = *tex_width * *tex_height;
    auto* pixels = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(texels), 4));
    if (!pixels) {
        host::Surface_Delete(surface);
        core::Report_Alloc("calloc", __LINE__, SOURCE, "texture", texels, 4);
        return 0;
    }
    const long read = host::Surface_Bits(surface, pixels, expected);
    host::Surface_Delete(surface);
    if (read != expected) {
        std::free(pixels);
        Error_Fct(::hwnd, 0x80000001u, "file:%hs line:%d", SOURCE, __LINE__);
        Error_Fct(::hwnd, 2u, L"\u00F1\u0004ERROR:\u0002 in GetBitmapBits()");
        Error_Fct(::hwnd, 2u, L"\u00F1\u0009 Reading back text bitmap (read %d /vs/ %d=(%dx%dx%d))",
                  static_cast<int>(read), static_cast<int>(expected), row_bytes, *tex_height, 1);
        return 0;
    }

    void* grown = std::realloc(*buffer, static_cast<std::size_t>(texels));
    if (!grown) {
        std::free(pixels);
        core::Report_Alloc("realloc", __LINE__, SOURCE, "(*buffer)", texels, 1);
        return 0;
    }
    *buffer = static_cast<unsigned char*>(grown);
    // The first byte of each 32-bit pixel is the glyph coverage of white text on black.
    for (int i = 0; i < texels; ++i)
        (*buffer)[i] = pixels[4 * i];
    std::free(pixels);

    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, *tex_width, *tex_height, 0, GL_ALPHA, GL_UNSIGNED_BYTE, *buffer);
    return 1;
}
