// Fuzzes caption text: any wide characters (surrogates, values past U+10FFFF, bidi controls, marks
// with nothing to sit on, long runs) measured and drawn in fonts that lack most scripts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <vrtools/tarnel.h>

namespace {

const char* const Families[] = {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "No Such Family"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const char* family = Families[data[0] & 3];
    const int pixels = 1 + data[1] % 96;
    data += 2;
    size -= 2;
    // Three bytes a character: every value up to 0xFFFFFF, so past U+10FFFF and the surrogates too.
    std::wstring text;
    for (std::size_t i = 0; i + 3 <= size; i += 3)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8 | data[i + 2] << 16);

    host::Text_Surface* surface = host::Surface_Create(reinterpret_cast<HDC>(0x1));
    if (!surface)
        return 0;
    host::Surface_Select_Font(surface, Y_Create_Font(nullptr, family, nullptr, nullptr, pixels));
    const int width = host::Surface_Text_Width(surface, text.c_str());
    const int height = host::Surface_Line_Height(surface);
    if (width < 0 || height < 0)
        std::abort();
    // The caption rasteriser's largest texture; the text is cut at its edges.
    if (host::Surface_Bitmap_Create(surface, 1024, 128)) {
        host::Surface_Draw_Text(surface, text.c_str());
        // Drawing must not change what measuring said.
        if (host::Surface_Text_Width(surface, text.c_str()) != width)
            std::abort();
    }
    host::Surface_Delete(surface);
    return 0;
}
