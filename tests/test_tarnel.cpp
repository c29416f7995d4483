// Toolkit library: the font cache and the FreeType text surface.
#include <vrtools/obrisk.h>
#include <vrtools/tarnel.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

// NOTE: Fontconfig leaks a little while parsing its configuration, once per process, in any
// program that asks it for a font. The suppression lives in the test binary so that sanitizer
// builds of the whole suite stay clean; it names only Fontconfig.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

const HDC Any_DC = reinterpret_cast<HDC>(0x1);

// A surface with its bitmap, released at the end of the test.
struct Surface {
    host::Text_Surface* s = host::Surface_Create(Any_DC);
    ~Surface() { host::Surface_Delete(s); }
    std::vector<unsigned char> Pixels() const
    {
        std::vector<unsigned char> px(static_cast<size_t>(host::Surface_Row_Bytes(s)) * height);
        EXPECT_EQ(host::Surface_Bits(s, px.data(), static_cast<long>(px.size())), static_cast<long>(px.size()));
        return px;
    }
    int height = 0;
};

}  // namespace

TEST(TarnelFonts, FindsInstalledFamiliesOnlyAndCachesThem)
{
    const HFONT sans = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 16);
    ASSERT_NE(sans, nullptr);
    EXPECT_EQ(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 16), sans);
    EXPECT_EQ(Y_Create_Font(nullptr, "dejavu sans", "", nullptr, 16), sans);  // same face, loaded once
    EXPECT_EQ(host::System_Font(), sans);
    const HFONT bold = Y_Create_Font(nullptr, "DejaVu Sans", "Bold", nullptr, 16);
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(bold, sans);
    EXPECT_NE(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 17), sans);

    // Fontconfig would answer with a fallback: an absent family must give null instead.
    const std::string huge(100000, 'x');
    for (const char* family :
         {"No Such Family Anywhere", "Arial%s%n", huge.c_str(), "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(Y_Create_Font(nullptr, family, nullptr, nullptr, 16), nullptr) << (family ? family : "null");
    for (int size : {0, -5, 513, 1 << 30})
        EXPECT_EQ(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, size), nullptr) << size;
    EXPECT_TRUE(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 1) &&
                Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 512));
}

TEST(TarnelSurface, MeasuresDejaVuSans)
{
    Surface surface;
    ASSERT_NE(surface.s, nullptr);
    EXPECT_EQ(host::Surface_Create(nullptr), nullptr);

    // Other parts rely on these heights (texture sizes follow from them).
    const std::pair<int, int> heights[] = {{8, 10}, {12, 15}, {16, 19}, {24, 29}, {32, 38}, {48, 57}, {64, 76}};
    for (const auto& [size, height] : heights) {
        host::Surface_Select_Font(surface.s, Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, size));
        EXPECT_EQ(host::Surface_Line_Height(surface.s), height) << size;
    }

    host::Surface_Select_Font(surface.s, nullptr);  // the system font
    EXPECT_EQ(host::Surface_Line_Height(surface.s), 19);
    EXPECT_EQ(host::Surface_Text_Width(surface.s, L"Hello"), 40);
    EXPECT_EQ(host::Surface_Text_Width(surface.s, L""), 0);
    EXPECT_EQ(host::Surface_Text_Width(surface.s, nullptr), 0);
    // Kerning pulls A and V together; a 0 character ends the text.
    EXPECT_LT(host::Surface_Text_Width(surface.s, L"AV"),
              host::Surface_Text_Width(surface.s, L"A") + host::Surface_Text_Width(surface.s, L"V"));
    EXPECT_EQ(host::Surface_Text_Width(surface.s, L"Hel\0lo"), host::Surface_Text_Width(surface.s, L"Hel"));
    // Characters the face lacks still take the room of its .notdef glyph.
    EXPECT_GT(host::Surface_Text_Width(surface.s, L"\U0010FFFD"), 0);
    EXPECT_GT(host::Surface_Text_Width(surface.s, L"\x7FFFFFFF"), 0);
}

TEST(TarnelSurface, DrawsWhiteCoverageOnBlackFromTheTopLeft)
{
    Surface surface;
    host::Surface_Select_Font(surface.s, nullptr);
    EXPECT_EQ(host::Surface_Row_Bytes(surface.s), 0);
    EXPECT_EQ(host::Surface_Bits(surface.s, nullptr, 10), 0);
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {4097, 10}, {10, 4097}, {-1, -1}})
        EXPECT_EQ(host::Surface_Bitmap_Create(surface.s, w, h), 0);

    ASSERT_EQ(host::Surface_Bitmap_Create(surface.s, 64, 32), 1);
    surface.height = 32;
    EXPECT_EQ(host::Surface_Row_Bytes(surface.s), 256);
    host::Surface_Draw_Text(surface.s, L"Hello");
    const std::vector<unsigned char> px = surface.Pixels();

    const int text_width = host::Surface_Text_Width(surface.s, L"Hello");
    const int line = host::Surface_Line_Height(surface.s);
    int not_grey = 0, inked = 0, outside = 0, top = 32, bottom = -1, stem = 0;
    for (int i = 0; i < 64 * 32; ++i) {
        const unsigned char* p = &px[i * 4];
        const int x = i % 64, y = i / 64;
        not_grey += !(p[0] == p[1] && p[1] == p[2] && p[3] == 0);
        if (!p[0])
            continue;
        ++inked;
        outside += x >= text_width + 1 || y >= line;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        stem = x < 4 ? std::max<int>(stem, p[0]) : stem;
    }
    EXPECT_EQ(not_grey, 0);  // white coverage, alpha 0
    EXPECT_TRUE(inked > 60 && outside == 0) << inked << " " << outside;
    // 'H' and 'l' reach from about the cap height to the baseline, and the 'H' stem is fully covered.
    EXPECT_TRUE(top <= 4 && bottom >= 12 && stem >= 200) << top << " " << bottom << " " << stem;

    // A count that ends inside a pixel, past whole runs of pixels, reads exactly that prefix.
    std::vector<unsigned char> part(px.size(), 7);
    const long prefix = 256 * 8 + 4 * 26 + 2;  // through the glyphs' rows
    EXPECT_EQ(host::Surface_Bits(surface.s, part.data(), prefix), prefix);
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + prefix, px.begin()));
    EXPECT_EQ(std::count(part.begin() + prefix, part.end(), 7), static_cast<long>(part.size()) - prefix);

    // Drawing again clears what was there.
    host::Surface_Draw_Text(surface.s, L"");
    for (unsigned char b : surface.Pixels())
        ASSERT_EQ(b, 0);

    // Short counts copy a prefix only.
    unsigned char few[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(host::Surface_Bits(surface.s, few, 4), 4);
    EXPECT_EQ(few[4], 9);
}

TEST(TarnelSurface, CutsGlyphsAtTheBitmapEdges)
{
    Surface surface;
    host::Surface_Select_Font(surface.s, Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 512));
    const std::wstring huge(5000, L'W');
    // Tiny and narrow bitmaps under a huge font and a long text: nothing may be written outside.
    for (auto [w, h] : {std::pair{1, 1}, {3, 700}, {700, 3}, {4096, 1}}) {
        ASSERT_EQ(host::Surface_Bitmap_Create(surface.s, w, h), 1);
        surface.height = h;
        host::Surface_Draw_Text(surface.s, huge.c_str());
        host::Surface_Draw_Text(surface.s, L"\u00C5j\u0332g|");
        EXPECT_EQ(surface.Pixels().size(), static_cast<size_t>(w) * h * 4);
    }
    EXPECT_GT(host::Surface_Text_Width(surface.s, huge.c_str()), 1000000);

    // A bitmap cut through the middle of "H" keeps the ink it has room for.
    host::Surface_Select_Font(surface.s, nullptr);
    ASSERT_EQ(host::Surface_Bitmap_Create(surface.s, 4, 8), 1);
    surface.height = 8;
    host::Surface_Draw_Text(surface.s, L"H");
    int inked = 0;
    for (size_t i = 0; i < surface.Pixels().size(); i += 4)
        inked += surface.Pixels()[i] != 0;
    EXPECT_GT(inked, 0);
}

TEST(TarnelSurface, EachFontMeasuresTheSameTextItsOwnWay)
{
    // Fonts remember what they learn of plain text (glyphs, advances, kerning): the same text in
    // another family, style or size, in any order, must still take that font's own room, kerning
    // included, and never what another font remembered.
    const struct {
        const char* family;
        const char* style;
        int size;
        const wchar_t* text;
        int width;
    } cases[] = {
        {"DejaVu Sans", nullptr, 16, L"AVAV To.", 69},   {"DejaVu Sans", "Bold", 16, L"AVAV To.", 78},
        {"DejaVu Serif", nullptr, 16, L"AVAV To.", 75},  {"DejaVu Sans", nullptr, 9, L"AVAV To.", 41},
        {"DejaVu Sans", nullptr, 40, L"AVAV To.", 165},  {"DejaVu Sans", nullptr, 16, L"38.38 Wa", 75},
        {"DejaVu Serif", nullptr, 40, L"38.38 Wa", 188}, {"DejaVu Sans", "Bold", 9, L"38.38 Wa", 46},
    };
    Surface surface;
    for (int pass = 0; pass < 2; ++pass) {
        // Forwards, then backwards: each font is met again after the others learnt the same text.
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            const auto& c = cases[pass == 0 ? k : std::size(cases) - 1 - k];
            host::Surface_Select_Font(surface.s, Y_Create_Font(nullptr, c.family, c.style, nullptr, c.size));
            EXPECT_EQ(host::Surface_Text_Width(surface.s, c.text), c.width)
                << c.family << " " << (c.style ? c.style : "") << " " << c.size << " pass " << pass;
        }
    }
}

TEST(TarnelSurface, AReadOutMeasuredThenPlacedIsLaidOutAsItsOwnText)
{
    // A short text is laid out once for its width and its glyphs: the text rewritten in place, the
    // same text in another size, and a text asked for again after a thousand others must each
    // come out as their own.
    HFONT small = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 14);
    HFONT large = Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 28);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    const auto glyphs_of = [](HFONT font, const wchar_t* text) {
        host::Caption_Glyph g[32];
        const int n = host::Caption_Glyphs(font, text, 1024, g, 32);
        std::vector<int> placed;
        for (int i = 0; i < std::min(n, 32); ++i)
            placed.insert(placed.end(), {static_cast<int>(g[i].glyph), g[i].x, g[i].y, g[i].size});
        return placed;
    };
    Surface surface;
    host::Surface_Select_Font(surface.s, small);
    wchar_t text[8] = L"11.25";
    const int width = host::Surface_Text_Width(surface.s, text);
    const std::vector<int> first = glyphs_of(small, text);
    ASSERT_EQ(first.size(), 5u * 4);
    std::wcscpy(text, L"77.25");
    const std::vector<int> rewritten = glyphs_of(small, text);
    EXPECT_NE(rewritten[0], first[0]) << "the glyphs of the text as it was";
    const std::vector<int> larger = glyphs_of(large, text);
    ASSERT_EQ(larger.size(), rewritten.size());
    EXPECT_EQ(larger[3], 28);
    EXPECT_GT(larger[larger.size() - 4 + 1], rewritten[rewritten.size() - 4 + 1]) << "placed at the smaller size";
    for (int i = 0; i < 1000; ++i)
        host::Surface_Text_Width(surface.s, std::to_wstring(i * 7).c_str());
    EXPECT_EQ(glyphs_of(small, L"11.25"), first);
    EXPECT_EQ(host::Surface_Text_Width(surface.s, L"11.25"), width);
    EXPECT_EQ(glyphs_of(large, L"77.25"), larger);
    EXPECT_EQ(glyphs_of(small, L"77.25"), rewritten);
}

TEST(TarnelSurface, ASurfaceMadeAfterAnotherStartsAfresh)
{
    // Surfaces are made and deleted for every caption; a new one holds nothing of an earlier one:
    // no bitmap until it is given one, which is black, and the system font until another is chosen.
    {
        Surface earlier;
        host::Surface_Select_Font(earlier.s, Y_Create_Font(nullptr, "DejaVu Serif", nullptr, nullptr, 30));
        ASSERT_EQ(host::Surface_Bitmap_Create(earlier.s, 64, 32), 1);
        host::Surface_Draw_Text(earlier.s, L"WWWW");
    }
    Surface later;
    char unread = 0x5A;
    EXPECT_EQ(host::Surface_Row_Bytes(later.s), 0);
    EXPECT_EQ(host::Surface_Bits(later.s, &unread, 1), 0);
    EXPECT_EQ(host::Surface_Line_Height(later.s), 19) << "the system font";
    ASSERT_EQ(host::Surface_Bitmap_Create(later.s, 32, 16), 1);
    later.height = 16;
    const std::vector<unsigned char> px = later.Pixels();
    EXPECT_EQ(std::count(px.begin(), px.end(), 0), static_cast<long>(px.size()));
}
