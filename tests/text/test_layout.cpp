// Laying out text in other scripts: order, joining, clusters, fallback fonts, hostile text, and the
// bounds of the font and glyph caches. These look inside the toolkit library, so they are built
// with its objects rather than against its shared library, which exports only the seam.
//
// [SECTION] Helpers
// [SECTION] Layout: order, shaping, fallback, hostile text
// [SECTION] Fonts: shared files, bounds, fonts installed later
// [SECTION] Glyphs for quads: placement and distance-field cells
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/tarnel/text.h"
#include "udhr.h"

// [SECTION] Helpers

namespace {

using udhr::Sample;

HFONT Sans(int size)
{
    return Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, size);
}

Text_Layout Lay_Out(HFONT font, const std::wstring& text)
{
    Text_Layout layout;
    EXPECT_TRUE(host::Text_Lay_Out(font, text.c_str(), layout));
    return layout;
}

FT_UInt Glyph(HFONT font, wchar_t c)
{
    return FT_Get_Char_Index(font->file->face, static_cast<FT_ULong>(c));
}

int Width(HFONT font, const std::wstring& text)
{
    return static_cast<int>((Lay_Out(font, text).width + 32) >> 6);
}

}  // namespace

// [SECTION] Layout: order, shaping, fallback, hostile text

TEST(ScriptsLayout, RunsReadInTheirOwnDirection)
{
    const HFONT sans = Sans(20);
    ASSERT_NE(sans, nullptr);
    // Left-to-right caption with a Hebrew word inside: the word's letters run right to left, the
    // runs around it keep their places.
    // A right-to-left caption with a Latin word inside: the reverse.
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"ab \u05D0\u05D1\u05D2 cd", L"ab \u05D2\u05D1\u05D0 cd"},
        {L"\u05D0\u05D1 cd \u05D2\u05D3", L"\u05D3\u05D2 cd \u05D1\u05D0"},
    };
    for (const auto& [logical, visual] : cases) {
        const Text_Layout layout = Lay_Out(sans, logical);
        ASSERT_EQ(layout.glyphs.size(), logical.size());
        for (size_t i = 0; i < logical.size(); ++i) {
            EXPECT_EQ(layout.glyphs[i].glyph, Glyph(sans, visual[i])) << i;
            if (i) {
                EXPECT_GE(layout.glyphs[i].x, layout.glyphs[i - 1].x) << i;
            }
        }
    }

    // A right-to-left sentence puts its first letter at the right end, its full stop at the left.
    for (const char* tag : {"hebrew", "arabic"}) {
        const std::wstring text = Sample(tag);
        const Text_Layout rtl = Lay_Out(sans, text);
        ASSERT_FALSE(rtl.glyphs.empty());
        EXPECT_EQ(rtl.glyphs.front().glyph, Glyph(sans, L'.')) << tag;
        size_t rightmost = 0;
        for (size_t i = 0; i < rtl.glyphs.size(); ++i)
            if (rtl.glyphs[i].x > rtl.glyphs[rightmost].x)
                rightmost = i;
        if (std::string(tag) == "hebrew") {
            EXPECT_EQ(rtl.glyphs[rightmost].glyph, Glyph(sans, text[0]));
        }
        EXPECT_EQ(rtl.glyphs[rightmost].font, sans) << tag;
    }
}

TEST(ScriptsLayout, ShapingJoinsAndClusters)
{
    const HFONT sans = Sans(24);
    // Arabic letters join: the word is narrower than its letters set apart, and its glyphs are
    // not the letters' own (isolated) forms.
    const std::wstring word = L"\u0633\u0644\u0627\u0645\u0646\u0627";
    int apart = 0;
    for (wchar_t c : word)
        apart += Width(sans, std::wstring(1, c));
    EXPECT_LT(Width(sans, word), apart);
    const Text_Layout joined = Lay_Out(sans, word);
    int isolated = 0;
    for (const Placed_Glyph& g : joined.glyphs)
        for (wchar_t c : word)
            isolated += g.glyph == Glyph(sans, c);
    EXPECT_LT(isolated, 2);

    // Devanagari: the vowel sign i is written before the consonant it follows, in a font that has it.
    const Text_Layout ki = Lay_Out(sans, L"\u0915\u093F");
    ASSERT_EQ(ki.glyphs.size(), 2u);
    const HFONT deva = ki.glyphs[0].font;
    EXPECT_NE(deva, sans);
    EXPECT_NE(ki.glyphs[0].glyph, Glyph(deva, L'\u0915'));
    EXPECT_EQ(ki.glyphs[1].glyph, Glyph(deva, L'\u0915'));

    // A mark stays in the font of the character it sits on, though the font asked for has it.
    const Text_Layout marked = Lay_Out(sans, L"\u4E00\u0301");
    ASSERT_FALSE(marked.glyphs.empty());
    EXPECT_EQ(marked.glyphs.back().font, marked.glyphs.front().font);
    EXPECT_NE(marked.glyphs.front().font, sans);

    // Thai: a tone mark over a consonant takes no room of its own.
    const int consonant = Width(sans, L"\u0E01");
    EXPECT_EQ(Width(sans, L"\u0E01\u0E48"), consonant);
    EXPECT_GT(consonant, 0);
}

TEST(ScriptsLayout, FallbackFontsForWhatTheFontLacks)
{
    // Fonts that exist but have no CJK, Devanagari or Thai glyphs: every character still gets a
    // real glyph from some installed font, never the missing-glyph box.
    for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"}) {
        const HFONT font = Y_Create_Font(nullptr, family, nullptr, nullptr, 18);
        ASSERT_NE(font, nullptr) << family;
        for (const char* tag : {"chinese", "japanese", "korean", "devanagari", "thai"}) {
            const Text_Layout layout = Lay_Out(font, Sample(tag));
            ASSERT_FALSE(layout.glyphs.empty());
            int boxes = 0, fallback = 0;
            for (const Placed_Glyph& g : layout.glyphs) {
                boxes += g.glyph == 0;
                fallback += g.font != font;
            }
            EXPECT_EQ(boxes, 0) << family << " " << tag;
            EXPECT_GT(fallback, 0) << family << " " << tag;
        }
    }
}

TEST(ScriptsLayout, HostileTextStaysBounded)
{
    const HFONT sans = Sans(16);
    std::vector<std::wstring> texts = {
        std::wstring(50000, L'\u0301'),                                        // marks with nothing to sit on
        std::wstring(300, L'\u202B') + L"abc" + std::wstring(300, L'\u202C'),  // bidi nesting past its limit
        std::wstring(200, L'\u2067') + L"\u05D0" + std::wstring(50, L'\u2069'),
        L"\xD800\xDFFF\xDC00a\xDBFF",  // surrogates alone
        L"\x10FFFF\x10FFFE\xFFFF\x1\x7F\x80000000\x7FFFFFFF",
        std::wstring(40000, L'\u0644') + L"\u200D\uFE0F\U0001F3FB",
    };
    std::wstring alternating;
    for (int i = 0; i < 20000; ++i)
        alternating += (i % 3 == 0 ? L'\u05D0' : i % 3 == 1 ? L'\u4E00' : L'a');
    texts.push_back(alternating);
    for (const std::wstring& text : texts) {
        const Text_Layout layout = Lay_Out(sans, text);
        EXPECT_GE(layout.width, 0);
        EXPECT_LE(layout.glyphs.size(), 4 * text.size() + 8);
        // The placement query stops where a caption's widest bitmap cuts the ink, and writes no
        // more than it is given room for.
        host::Caption_Glyph room[2] = {};
        const int placed = host::Caption_Glyphs(sans, text.c_str(), 1024, room, 1);
        EXPECT_GE(placed, 0);
        EXPECT_LE(placed, static_cast<int>(layout.glyphs.size()));
        const bool past = std::any_of(layout.glyphs.begin(), layout.glyphs.end(),
                                      [](const Placed_Glyph& g) { return ((g.x + 32) >> 6) > 1024 + 2 * 16; });
        if (past) {
            EXPECT_LT(placed, static_cast<int>(layout.glyphs.size()));
        }
        EXPECT_EQ(room[1].font, nullptr);
    }
}

// [SECTION] Fonts: shared files, bounds, fonts installed later

TEST(ScriptsFonts, SizesShareTheFileAndStayBounded)
{
    // Many sizes of one file: one mapping of the file, and only a bounded number of live sizes.
    auto maps = [] {
        std::ifstream in("/proc/self/maps");
        int n = 0;
        for (std::string line; std::getline(in, line);)
            n += line.find("DejaVuSans-Bold.ttf") != std::string::npos;
        return n;
    };
    for (int size = 1; size <= 512; ++size) {
        const HFONT font = Y_Create_Font(nullptr, "DejaVu Sans", "Bold", nullptr, size);
        ASSERT_NE(font, nullptr);
        host::Glyph_Get(font, Glyph(font, L'W'));
    }
    EXPECT_LE(maps(), 1);
    EXPECT_LE(host::Fonts_Live(), 128u);
    // The glyph cache keeps its bound under the largest glyphs.
    EXPECT_LE(host::Glyphs_Bytes(), 4u << 20);
    // A font that rested is made again when used.
    const HFONT first = Y_Create_Font(nullptr, "DejaVu Sans", "Bold", nullptr, 1);
    EXPECT_GT(Width(Y_Create_Font(nullptr, "DejaVu Sans", "Bold", nullptr, 40), L"Wide"), Width(first, L"Wide"));
}

TEST(ScriptsFonts, FamilyInstalledLaterIsFound)
{
    // Fontconfig reads its configuration once per process, so the check runs in a child with a
    // configuration of its own: one font folder, empty at first.
    if (const char* folder = std::getenv("VRTOOLS_FONT_FOLDER")) {
        EXPECT_EQ(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 15), nullptr);
        // Fontconfig compares folder times in whole seconds with the time of its last scan.
        usleep(1100 * 1000);
        {
            std::ifstream from("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
            std::ofstream to(std::string(folder) + "/DejaVuSans.ttf", std::ios::binary);
            to << from.rdbuf();
        }
        EXPECT_NE(Y_Create_Font(nullptr, "DejaVu Sans", nullptr, nullptr, 15), nullptr);
        return;
    }
    char root[] = "/tmp/vrtools-fonts-XXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    const std::string folder = std::string(root) + "/fonts", config = std::string(root) + "/fonts.conf";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    std::ofstream(config) << "<?xml version=\"1.0\"?><fontconfig><dir>" << folder << "</dir><cachedir>" << root
                          << "/cache</cachedir></fontconfig>\n";
    // The test program's own path (under valgrind /proc/self/exe itself names valgrind's tool).
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
        setenv("VRTOOLS_FONT_FOLDER", folder.c_str(), 1);
        execl(self, self, "--gtest_filter=ScriptsFonts.FamilyInstalledLaterIsFound", nullptr);
        _exit(127);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::system(("rm -rf '" + std::string(root) + "'").c_str());
}

// [SECTION] Glyphs for quads: placement and distance-field cells

namespace {

// A caption's coverage, one byte a pixel, as the widgets' rasteriser gets it from the surface.
struct Picture {
    int width = 0, height = 0;
    std::vector<float> ink;  // 0..1, rows top-down
    float At(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
};

Picture Bitmap_Caption(HFONT font, const std::wstring& text)
{
    Picture p;
    host::Text_Surface* surface = host::Surface_Create(reinterpret_cast<HDC>(0x1));
    host::Surface_Select_Font(surface, font);
    p.width = host::Surface_Text_Width(surface, text.c_str()) + 2;
    p.height = host::Surface_Line_Height(surface) + 2;
    EXPECT_EQ(host::Surface_Bitmap_Create(surface, p.width, p.height), 1);
    host::Surface_Draw_Text(surface, text.c_str());
    std::vector<unsigned char> bits(static_cast<size_t>(p.width) * p.height * 4);
    host::Surface_Bits(surface, bits.data(), static_cast<long>(bits.size()));
    host::Surface_Delete(surface);
    for (size_t i = 0; i < bits.size(); i += 4)
        p.ink.push_back(bits[i] / 255.0f);
    return p;
}

// A cell's texel, 0 outside it.
float Texel(const host::Glyph_Field& cell, int u, int v)
{
    if (u < 0 || v < 0 || u >= cell.width || v >= cell.rows)
        return 0.0f;
    return cell.texels[static_cast<size_t>(v) * cell.width + u];
}

// The same caption as glyph quads would draw it: each glyph's cell scaled to its size and placed at
// its origin, sampled bilinearly at the pixel centres; a distance turned into coverage over a pixel.
Picture Quad_Caption(HFONT font, const std::wstring& text, int width, int height)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.ink.assign(static_cast<size_t>(width) * height, 0.0f);
    std::vector<host::Caption_Glyph> glyphs(4);
    int n = host::Caption_Glyphs(font, text.c_str(), width, glyphs.data(), static_cast<int>(glyphs.size()));
    if (n > static_cast<int>(glyphs.size())) {
        glyphs.resize(static_cast<size_t>(n));
        n = host::Caption_Glyphs(font, text.c_str(), width, glyphs.data(), n);
    }
    EXPECT_GT(n, 0);
    glyphs.resize(static_cast<size_t>(std::max(n, 0)));
    for (const host::Caption_Glyph& g : glyphs) {
        host::Glyph_Field cell;
        EXPECT_TRUE(host::Glyph_Field_Render(g.font, g.glyph, cell));
        const float s = static_cast<float>(g.size) / static_cast<float>(cell.em);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // Texel coordinates of the pixel's centre, texel centres at .5.
                const float u = (x + 0.5f - g.x) / s - cell.left - 0.5f;
                const float v = cell.top - (g.y - (y + 0.5f)) / s - 0.5f;
                const int u0 = static_cast<int>(std::floor(u)), v0 = static_cast<int>(std::floor(v));
                if (u0 < -1 || v0 < -1 || u0 >= cell.width || v0 >= cell.rows)
                    continue;
                const float fu = u - u0, fv = v - v0;
                const float t = (Texel(cell, u0, v0) * (1 - fu) + Texel(cell, u0 + 1, v0) * fu) * (1 - fv) +
                                (Texel(cell, u0, v0 + 1) * (1 - fu) + Texel(cell, u0 + 1, v0 + 1) * fu) * fv;
                const float ink =
                    cell.spread ? std::clamp(0.5f + (t - 128.0f) / 128.0f * cell.spread * s, 0.0f, 1.0f) : t / 255.0f;
                float& to = p.ink[static_cast<size_t>(y) * width + x];
                to = std::max(to, ink);
            }
    }
    return p;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The box of the pixels at least half covered.
Box Ink_Box(const Picture& p)
{
    Box b;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y) >= 0.5f) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

}  // namespace

TEST(GlyphQuads, StandWhereTheBitmapCaptionsInkIs)
{
    const HFONT sans = Sans(14);
    ASSERT_NE(sans, nullptr);
    // Latin, right to left inside left to right, right to left and joined (Arabic), joined and
    // reordered in a fallback font (Devanagari), and fallback alone (CJK).
    const std::pair<const char*, std::wstring> cases[] = {
        {"latin", L"Channel 12 Wg"},
        {"mixed", L"ab \u05D0\u05D1\u05D2 cd"},
        {"hebrew", Sample("hebrew").substr(0, 24)},
        {"arabic", Sample("arabic").substr(0, 24)},
        {"devanagari", Sample("devanagari").substr(0, 16)},
        {"chinese", Sample("chinese").substr(0, 10)},
    };
    for (const auto& [name, text] : cases) {
        const Picture bitmap = Bitmap_Caption(sans, text);
        const Picture quads = Quad_Caption(sans, text, bitmap.width, bitmap.height);
        const Box a = Ink_Box(bitmap), b = Ink_Box(quads);
        ASSERT_GE(a.right, 0) << name;
        EXPECT_LE(std::abs(a.left - b.left), 1) << name;
        EXPECT_LE(std::abs(a.right - b.right), 1) << name;
        EXPECT_LE(std::abs(a.top - b.top), 1) << name;
        EXPECT_LE(std::abs(a.bottom - b.bottom), 1) << name;
        // Glyph by glyph, not only the whole: the cells' ink lies on the bitmap's. The bitmap's
        // glyphs are hinted and the cells' are not, which moves edges by up to half a pixel.
        double apart = 0.0, ink = 0.0;
        for (size_t i = 0; i < bitmap.ink.size(); ++i) {
            apart += std::fabs(bitmap.ink[i] - quads.ink[i]);
            ink += bitmap.ink[i];
        }
        EXPECT_LT(apart / ink, 0.3) << name;
    }
}

TEST(GlyphQuads, FieldCrossesHalfWhereCoverageDoes)
{
    // The cell's 128 against FreeType's own coverage of the same unhinted outline at the cell's
    // size: inside where a pixel is mostly covered, outside where it is mostly bare, and a margin
    // of the spread around the ink, where the field has fallen to 0.
    const HFONT at_em = Sans(host::Glyph_Field_Em);
    ASSERT_NE(at_em, nullptr);
    FT_Face face = at_em->file->face;
    for (wchar_t c : std::wstring(L"HOamgW@&")) {
        const FT_UInt glyph = Glyph(at_em, c);
        host::Glyph_Field cell;
        ASSERT_TRUE(host::Glyph_Field_Render(Sans(14), glyph, cell)) << c;
        EXPECT_EQ(cell.em, host::Glyph_Field_Em);
        EXPECT_EQ(cell.spread, host::Glyph_Field_Spread);
        ASSERT_TRUE(host::Font_Use(at_em));
        ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER), 0);
        const FT_GlyphSlot slot = face->glyph;
        const int dx = slot->bitmap_left - cell.left, dy = cell.top - slot->bitmap_top;
        EXPECT_NEAR(dx, cell.spread, 1) << c;
        EXPECT_NEAR(dy, cell.spread, 1) << c;
        int wrong = 0, edges = 0;
        for (unsigned y = 0; y < slot->bitmap.rows; ++y)
            for (unsigned x = 0; x < slot->bitmap.width; ++x) {
                const int coverage = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
                const float field = Texel(cell, static_cast<int>(x) + dx, static_cast<int>(y) + dy);
                if (coverage > 191)
                    wrong += field <= 128.0f;
                if (coverage < 64)
                    wrong += field >= 128.0f;
                edges += coverage >= 64 && coverage <= 191;
            }
        EXPECT_LE(wrong, edges / 50) << c;  // a stray pixel where strokes nearly meet
        EXPECT_GT(edges, 0) << c;
        float margin = 0.0f;
        for (int x = 0; x < cell.width; ++x)
            margin = std::max({margin, Texel(cell, x, 0), Texel(cell, x, cell.rows - 1)});
        for (int y = 0; y < cell.rows; ++y)
            margin = std::max({margin, Texel(cell, 0, y), Texel(cell, cell.width - 1, y)});
        EXPECT_LE(margin, 128.0f / cell.spread) << c;  // within a pixel of the spread
    }
    // Every size of the face shares the cell, and a space has none.
    host::Glyph_Field small, large, space;
    ASSERT_TRUE(host::Glyph_Field_Render(Sans(9), Glyph(at_em, L'g'), small));
    ASSERT_TRUE(host::Glyph_Field_Render(Sans(200), Glyph(at_em, L'g'), large));
    EXPECT_EQ(small.texels, large.texels);
    ASSERT_TRUE(host::Glyph_Field_Render(Sans(14), Glyph(at_em, L' '), space));
    EXPECT_EQ(space.width * space.rows, 0);
    // The face is left at the size its last user set: kerning is read at the active size.
    EXPECT_EQ(face->size, Sans(14)->size);
}

TEST(GlyphQuads, ColourGlyphsGiveCoverageCells)
{
    // A colour glyph is drawn from its coverage as the caption shows it, not from a field. No
    // colour font is installed where the tests run, so a face is taken as one for the while: its
    // glyphs then load as a colour face's outlines do, at the cells' size.
    const HFONT sans = Sans(20);
    const FT_UInt glyph = Glyph(sans, L'e');
    sans->color = true;
    host::Glyph_Field cell;
    const bool rendered = host::Glyph_Field_Render(sans, glyph, cell);
    sans->color = false;
    ASSERT_TRUE(rendered);
    EXPECT_EQ(cell.spread, 0);
    EXPECT_EQ(cell.em, host::Glyph_Field_Em);
    const Glyph_Image* coverage = host::Glyph_Get(Sans(host::Glyph_Field_Em), glyph);
    ASSERT_NE(coverage, nullptr);
    EXPECT_EQ(cell.width, coverage->width);
    EXPECT_EQ(cell.rows, coverage->rows);
    EXPECT_EQ(cell.left, coverage->left);
    EXPECT_EQ(cell.top, coverage->top);
    EXPECT_EQ(cell.texels, coverage->coverage);
}
