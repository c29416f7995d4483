// Laying out text in other scripts: order, joining, clusters, fallback fonts, hostile text, and the
// bounds of the font and glyph caches. These look inside the toolkit library, so they are built
// with its objects rather than against its shared library, which exports only the seam.
//
// [SECTION] Helpers
// [SECTION] Layout: order, shaping, fallback, hostile text
// [SECTION] Fonts: shared files, bounds, fonts installed later
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
            if (rtl.glyphs[i].x > rtl.glyphs[rightmost].x) rightmost = i;
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
    for (wchar_t c : word) apart += Width(sans, std::wstring(1, c));
    EXPECT_LT(Width(sans, word), apart);
    const Text_Layout joined = Lay_Out(sans, word);
    int isolated = 0;
    for (const Placed_Glyph& g : joined.glyphs)
        for (wchar_t c : word) isolated += g.glyph == Glyph(sans, c);
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
        std::wstring(50000, L'\u0301'),                                // marks with nothing to sit on
        std::wstring(300, L'\u202B') + L"abc" + std::wstring(300, L'\u202C'),  // bidi nesting past its limit
        std::wstring(200, L'\u2067') + L"\u05D0" + std::wstring(50, L'\u2069'),
        L"\xD800\xDFFF\xDC00a\xDBFF",                                   // surrogates alone
        L"\x10FFFF\x10FFFE\xFFFF\x1\x7F\x80000000\x7FFFFFFF",
        std::wstring(40000, L'\u0644') + L"\u200D\uFE0F\U0001F3FB",
    };
    std::wstring alternating;
    for (int i = 0; i < 20000; ++i) alternating += (i % 3 == 0 ? L'\u05D0' : i % 3 == 1 ? L'\u4E00' : L'a');
    texts.push_back(alternating);
    for (const std::wstring& text : texts) {
        const Text_Layout layout = Lay_Out(sans, text);
        EXPECT_GE(layout.width, 0);
        EXPECT_LE(layout.glyphs.size(), 4 * text.size() + 8);
    }
}

// [SECTION] Fonts: shared files, bounds, fonts installed later

TEST(ScriptsFonts, SizesShareTheFileAndStayBounded)
{
    // Many sizes of one file: one mapping of the file, and only a bounded number of live sizes.
    auto maps = [] {
        std::ifstream in("/proc/self/maps");
        int n = 0;
        for (std::string line; std::getline(in, line);) n += line.find("DejaVuSans-Bold.ttf") != std::string::npos;
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
