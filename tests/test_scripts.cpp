// Captions in other scripts: order, joining, clusters, fallback fonts, the cut rule, hostile text.
//
// [SECTION] Samples and helpers
// [SECTION] Layout: order, shaping, fallback, hostile text
// [SECTION] Fonts: shared files, bounds, fonts installed later
// [SECTION] Captions through VR_Tools::Text
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "host/tarnel/text.h"
#include <vrtools/label.h>

// [SECTION] Samples and helpers

namespace {

// UTF-8 to wide characters (the samples are well formed).
std::wstring Wide(const std::string& s)
{
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        unsigned int c = extra ? b & (0x3F >> extra) : b;
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += static_cast<wchar_t>(c);
        i += 1 + extra;
    }
    return out;
}

// The sample sentence of one script from the test data.
std::wstring Sample(const std::string& tag)
{
    std::ifstream in(VRTOOLS_TEST_DATA "/udhr-article1.txt");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, tag.size() + 1, tag + "\t") == 0) return Wide(line.substr(tag.size() + 1));
    ADD_FAILURE() << "no sample for " << tag;
    return L"?";
}

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

// [SECTION] Captions through VR_Tools::Text

namespace {

class Scripts_Caption : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        tool.Window = Window();
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    void TearDown() override
    {
        EXPECT_TRUE(Messages().empty()) << Messages_Text();
        glDeleteTextures(1, &texture);
        GL_Test::TearDown();
    }
    // Renders `text` and returns the mask, tex_w x tex_h.
    std::vector<unsigned char> Mask(const std::wstring& text, const char* font, short size)
    {
        EXPECT_EQ(tool.Text(text.c_str(), &tool.Text_Bitmap, font, nullptr, size, &tex_w, &tex_h, &text_w, &text_h), 1);
        return std::vector<unsigned char>(tool.Text_Bitmap, tool.Text_Bitmap + tex_w * tex_h);
    }
    VR_Labels tool;
    GLuint texture = 0;
    int tex_w = 0, tex_h = 0, text_w = 0, text_h = 0;
};

}  // namespace

TEST_F(Scripts_Caption, CjkCharactersGetTheirOwnGlyphs)
{
    const std::wstring chinese = Sample("chinese");
    const std::vector<unsigned char> box = Mask(L"\U0010FFFD", "DejaVu Sans", 32);  // no font has it
    const std::vector<unsigned char> first = Mask(chinese.substr(0, 1), "DejaVu Sans", 32);
    const std::vector<unsigned char> other = Mask(chinese.substr(3, 1), "DejaVu Sans", 32);
    int ink = 0;
    for (unsigned char v : first) ink += v > 128;
    EXPECT_GT(ink, 20);
    EXPECT_NE(first, other);
    EXPECT_NE(first, box);
    EXPECT_NE(other, box);
}

TEST_F(Scripts_Caption, SizesComeFromTheShapedTextAndFollowTheCutRule)
{
    // The caption measures what it draws: ink reaches the measured width and not past it.
    for (const char* tag : {"arabic", "devanagari", "korean"}) {
        const std::vector<unsigned char> mask = Mask(Sample(tag).substr(0, 12), "DejaVu Sans", 20);
        int right = -1;
        for (int y = 0; y < tex_h; ++y)
            for (int x = 0; x < tex_w; ++x)
                if (mask[y * tex_w + x]) right = std::max(right, x);
        EXPECT_GE(right, text_w - 4) << tag;
        EXPECT_LE(right, text_w + 1) << tag;
        EXPECT_EQ(tex_w, text_w + 2 <= 16 ? 16 : 1 << (32 - __builtin_clz(static_cast<unsigned>(text_w + 1)))) << tag;
    }
    // Wider than 1024 texels: the texture stops at 1024 and the text is cut on the right.
    const std::wstring japanese = Sample("japanese");
    const std::vector<unsigned char> wide = Mask(japanese + japanese, "DejaVu Sans", 24);
    EXPECT_GT(text_w, 1022);
    EXPECT_EQ(tex_w, 1024);
    int last_column = 0;
    for (int y = 0; y < tex_h; ++y) last_column += wide[y * tex_w + 1020] + wide[y * tex_w + 1021] + wide[y * tex_w + 1022] > 0;
    EXPECT_GT(last_column, 0);
}
