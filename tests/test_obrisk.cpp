// Utility library: formatting, messages, text conversion, colours, contexts and picture reading.
#include <vrtools/obrisk.h>

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdarg>
#include <cstring>
#include <string>

// Hosts that compare codes with the numbers a message has always come with keep working.
static_assert(VR_REPORT_WARNING == 0x80000001u && VR_REPORT_ALLOCATION == 1u && VR_REPORT_CAPTION == 2u);
#include <vector>

namespace {

int Wide(wchar_t* out, size_t capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Wide(out, capacity, format, args);
    va_end(args);
    return n;
}

int Narrow(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Narrow(out, capacity, format, args);
    va_end(args);
    return n;
}

// Collects what reaches the handler.
struct Received {
    HWND window;
    unsigned int code;
    std::wstring text;
};
std::vector<Received> received;
void Collect(HWND window, unsigned int code, const wchar_t* text)
{
    received.push_back({window, code, text});
}

const char* const Utf8_Text = "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80";  // "grüß € 😀"
const wchar_t* const Wide_Text = L"gr\u00FC\u00DF \u20AC \U0001F600";

}  // namespace

TEST(ObriskFormat, ConversionsFollowTheFormOfTheCall)
{
    wchar_t w[64];
    EXPECT_EQ(Wide(w, 64, L"[%hs|%ls|%ws|%s|%S]", Utf8_Text, Wide_Text, Wide_Text, Wide_Text, Utf8_Text), 5 * 8 + 6);
    EXPECT_EQ(std::wstring(w), std::wstring(L"[") + Wide_Text + L"|" + Wide_Text + L"|" + Wide_Text + L"|" + Wide_Text +
                                   L"|" + Wide_Text + L"]");
    char n[128];
    const std::string u(Utf8_Text);
    EXPECT_EQ(Narrow(n, 128, "[%hs|%ls|%ws|%s|%S]", Utf8_Text, Wide_Text, Wide_Text, Utf8_Text, Wide_Text),
              static_cast<int>(5 * u.size() + 6));
    EXPECT_EQ(std::string(n), "[" + u + "|" + u + "|" + u + "|" + u + "|" + u + "]");

    // Characters follow the same rule; a lone high byte is no character; null strings print "(null)".
    EXPECT_EQ(Wide(w, 64, L"%c%hc%lc%C%hc", L'\u00E9', 'a', L'\u20AC', 'b', '\xE9'), 5);
    EXPECT_STREQ(w, L"\u00E9a\u20ACb\uFFFD");
    EXPECT_EQ(Narrow(n, 128, "%c%lc%C", 'a', static_cast<wint_t>(L'\u00E9'), static_cast<wint_t>(L'x')), 4);
    EXPECT_STREQ(n, "a\xC3\xA9x");
    EXPECT_EQ(Wide(w, 64, L"%s|%5.2hs", static_cast<wchar_t*>(nullptr), static_cast<char*>(nullptr)), 12);
    EXPECT_STREQ(w, L"(null)|   (n");

    // Width and precision count characters of the output form: wide characters, or bytes without cutting
    // a character in half; a precision lets a string be an unterminated array.
    EXPECT_GT(Wide(w, 64, L"[%6hs][%-6ls][%.2hs][%*.*hs]", "\xC3\xA9\xC3\xA9", L"\u00E9\u00E9",
                   "\xC3\xA9\xC3\xA9\xC3\xA9", -4, 1, "\xE2\x82\xAC\xE2\x82\xAC"),
              0);
    EXPECT_STREQ(w, L"[    \u00E9\u00E9][\u00E9\u00E9    ][\u00E9\u00E9][\u20AC   ]");
    const char raw[3] = {'a', 'b', 'c'};
    EXPECT_GT(Narrow(n, 64, "[%.3s][%.4ls][%5s][%.5hs]%.3s", "\xC3\xA9\xC3\xA9", L"\u20AC\u20AC", "\xC3\xA9",
                     "abc\xF0\x9F\x98\x80", raw),
              0);
    EXPECT_STREQ(n, "[\xC3\xA9][\xE2\x82\xAC][   \xC3\xA9][abc]abc");

    // Numbers keep their flags and sizes.
    wchar_t w2[128];
    EXPECT_GT(Wide(w2, 128, L"%+5i|%-5d|%05d|%#X|%hhd|%hu|%lld|%I64d|%zu|%%|%.3f|%8.2e|%*.*f", 7, 3, -9, 255u, 300,
                   70000, -1234567890123LL, 1LL << 40, static_cast<size_t>(99), 3.14159, 12345.678, 7, 1, 2.25),
              0);
    EXPECT_STREQ(w2, L"   +7|3    |-0009|0XFF|44|4464|-1234567890123|1099511627776|99|%|3.142|1.23e+04|    2.2");
    EXPECT_EQ(Narrow(n, 32, "%p", reinterpret_cast<void*>(0xABCDEF)), 16);
    EXPECT_STREQ(n, "0000000000ABCDEF");
}

TEST(ObriskFormat, RefusesWhatItCannotDoSafely)
{
    wchar_t w[16];
    char n[16];
    int count = 0;
    EXPECT_EQ(Wide(w, 16, L"ab%n", &count), -1);
    EXPECT_STREQ(w, L"");
    EXPECT_EQ(Narrow(n, 16, "ab%n", &count), -1);
    EXPECT_EQ(count, 0);
    for (const char* bad : {"%", "abc%", "%y", "%hf%", "%Ls", "%wd", "%lp", "%99999999999d", "%I6d", "%\xC3\xA9"}) {
        std::strcpy(n, "x");
        EXPECT_EQ(Narrow(n, 16, bad, 1), -1) << bad;
        EXPECT_STREQ(n, "") << bad;
    }
    EXPECT_EQ(Wide(w, 16, L"%\u00E9", 1), -1);
    EXPECT_EQ(Wide(w, 16, nullptr), -1);
    EXPECT_EQ(Wide(nullptr, 16, L"a"), -1);
    EXPECT_EQ(Narrow(n, 0, "a"), -1);

    // Exactly fitting works; one more character does not, and leaves an empty text.
    EXPECT_EQ(Narrow(n, 4, "%s", "abc"), 3);
    EXPECT_EQ(Narrow(n, 4, "%s", "abcd"), -1);
    EXPECT_STREQ(n, "");
    EXPECT_EQ(Wide(w, 16, L"%20d", 1), -1);
    EXPECT_EQ(Wide(w, 1, L""), 0);
}

// A handler that reports again while it is handed a held message.
void Collect_And_Answer(HWND window, unsigned int code, const wchar_t* text)
{
    Collect(window, code, text);
    if (std::wcscmp(text, L"ask") == 0)
        Error_Fct(window, code, "answer");
}

// Held messages reach the handler in their order when the outermost hold ends, and not before;
// what the handler reports as it is handed them goes straight through.
TEST(ObriskMessages, HeldMessagesArriveInOrderWhenTheLastHoldEnds)
{
    received.clear();
    const Error_Handler previous = Error_Handler_Set(Collect_And_Answer);
    host::Messages_Release();  // without a hold: nothing
    host::Messages_Hold();
    Error_Fct(nullptr, 1u, "first %d", 1);
    host::Messages_Hold();
    Error_Fct(nullptr, 2u, L"ask");
    host::Messages_Release();
    EXPECT_TRUE(received.empty());
    Error_Fct(nullptr, 3u, "last");
    host::Messages_Release();
    Error_Fct(nullptr, 4u, "after");
    Error_Handler_Set(previous);
    std::vector<std::wstring> texts;
    for (const Received& r : received)
        texts.push_back(r.text);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"first 1", L"ask", L"answer", L"last", L"after"}));
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[1].code, 2u);
    EXPECT_EQ(received[3].code, 3u);
}

TEST(ObriskMessages, ErrorFctFormatsAndDeliversToTheHandler)
{
    received.clear();
    const Error_Handler previous = Error_Handler_Set(Collect);
    HWND window = reinterpret_cast<HWND>(0x1234);
    const std::string long_text(10000, 'x');
    Error_Fct(window, 2u, L"%lc%lc ERROR:%lc %ls %d", 0xF1, 4, 2, L"caf\u00E9", 7);
    Error_Fct(nullptr, 0x80000001u, "file:%hs line:%d %ls", "tools", 12, Wide_Text);
    Error_Fct(window, 1u, "100%% sure, 50%y broken");  // malformed: as it stands
    Error_Fct(window, 1u, static_cast<const char*>(nullptr));
    Error_Fct(window, 1u, "%n");
    Error_Fct(window, 1u, Utf8_Text);
    Error_Fct(window, 1u, L"%hs!", long_text.c_str());  // cut, not lost
    ASSERT_EQ(received.size(), 7u);
    EXPECT_TRUE(received[0].window == window && received[0].code == 2u);
    EXPECT_EQ(received[0].text, L"\u00F1\u0004 ERROR:\u0002 caf\u00E9 7");
    EXPECT_TRUE(received[1].window == nullptr && received[1].code == 0x80000001u);
    EXPECT_EQ(received[1].text, std::wstring(L"file:tools line:12 ") + Wide_Text);
    EXPECT_EQ(received[2].text, L"100%% sure, 50%y broken");
    EXPECT_EQ(received[3].text, L"(null)");
    EXPECT_EQ(received[4].text, L"%n");
    EXPECT_EQ(received[5].text, Wide_Text);
    EXPECT_EQ(received[6].text, std::wstring(4095, L'x'));

    // Replacing returns the previous handler, and null restores the default.
    EXPECT_EQ(Error_Handler_Set(previous), &Collect);
    EXPECT_EQ(Error_Handler_Set(nullptr), previous);
    received.clear();
    testing::internal::CaptureStderr();
    Error_Fct(nullptr, 2u, L"%lc%lc ERROR:%lc tab%lc\u00E9", 0xF1, 4, 2, 9);
    Error_Fct(nullptr, 0x80000001u, "   type: %hs   name: %ls\n", "VR_Buttons::Select", L"no name");
    const std::string out = testing::internal::GetCapturedStderr();
    Error_Handler_Set(previous);
    EXPECT_TRUE(received.empty());
    // The default handler writes the code and the text with control characters made readable.
    EXPECT_EQ(out, "0x00000002 <F1><04> ERROR:<02> tab<09>\xC3\xA9\n"
                   "0x80000001    type: VR_Buttons::Select   name: no name\n");

    EXPECT_STREQ(Error_OpenGL(12345), "unknown OpenGL error");
    for (int code : {0, 0x500, 0x501, 0x502, 0x503, 0x504, 0x505, 0x506, 0x507, 0x8031, -1})
        EXPECT_EQ(std::strchr(Error_OpenGL(code), '%'), nullptr) << code;
}

TEST(ObriskText, CharToWcharReplacesBrokenBytes)
{
    EXPECT_EQ(Char_2_Wchar(nullptr), nullptr);
    EXPECT_STREQ(Char_2_Wchar(Utf8_Text), Wide_Text);
    // Stray continuation, overlong '/', encoded surrogate, beyond U+10FFFF, truncated sequences, FF FE.
    EXPECT_STREQ(Char_2_Wchar("a\x80z"), L"a\uFFFDz");
    EXPECT_STREQ(Char_2_Wchar("\xC0\xAF"), L"\uFFFD\uFFFD");
    EXPECT_STREQ(Char_2_Wchar("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
    EXPECT_STREQ(Char_2_Wchar("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_STREQ(Char_2_Wchar("\xE2\x82z"), L"\uFFFDz");
    EXPECT_STREQ(Char_2_Wchar("\xF0\x9F\x98"), L"\uFFFD");
    EXPECT_STREQ(Char_2_Wchar("\xFF\xFE"), L"\uFFFD\uFFFD");

    // The buffer grows for long texts and is reused by the next call.
    const std::string long_text(100000, 'q');
    const wchar_t* result = Char_2_Wchar(long_text.c_str());
    EXPECT_EQ(std::wstring(result), std::wstring(100000, L'q'));
    EXPECT_EQ(Char_2_Wchar("b"), result);
}

TEST(ObriskText, GetGenericNameSplitsPaths)
{
    char folder[260], name[80], ext[260];
    // Path, folder, name, extension; a shared-object version counts as part of the extension.
    const char* const cases[][4] = {{"/usr/lib/libvrtools.so", "/usr/lib/", "libvrtools", ".so"},
                                    {"C:\\Prog\\Icons\\pic.tar.tga", "C:\\Prog\\Icons\\", "pic.tar", ".tga"},
                                    {"/usr/lib/libvrtools.so.1.1.0", "/usr/lib/", "libvrtools", ".so.1.1.0"},
                                    {"libsoft.sound.so2", "", "libsoft.sound", ".so2"},
                                    {"dir.d/noext", "dir.d/", "noext", ""},
                                    {nullptr, "", "", ""}};
    for (const auto& c : cases) {
        Get_Generic_Name(c[0], folder, name, ext);
        EXPECT_STREQ(folder, c[1]) << (c[0] ? c[0] : "null");
        EXPECT_STREQ(name, c[2]) << (c[0] ? c[0] : "null");
        EXPECT_STREQ(ext, c[3]) << (c[0] ? c[0] : "null");
    }
    Get_Generic_Name("plain", nullptr, name, nullptr);
    EXPECT_STREQ(name, "plain");

    // A long name is cut to 79 bytes, and never inside a UTF-8 sequence.
    Get_Generic_Name(("/x/" + std::string(78, 'a') + "\xC3\xA9" + "tail.so").c_str(), nullptr, name, nullptr);
    EXPECT_EQ(std::string(name), std::string(78, 'a'));
    Get_Generic_Name(("/x/" + std::string(200, 'b') + ".so").c_str(), nullptr, name, nullptr);
    EXPECT_EQ(std::string(name), std::string(79, 'b'));
}

TEST(ObriskColors, EveryRgbColourSurvivesHlsAndBack)
{
    int worst = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                float h, l, s, r2, g2, b2;
                RGB_to_HLS(r / 255.0f, g / 255.0f, b / 255.0f, &h, &l, &s);
                ASSERT_TRUE(h >= 0.0f && h < 1.0f && l >= 0.0f && l <= 1.0f && s >= 0.0f && s <= 1.0f);
                HLS_to_RGB(h, l, s, &r2, &g2, &b2);
                worst = std::max({worst, std::abs(static_cast<int>(std::lround(r2 * 255.0f)) - r),
                                  std::abs(static_cast<int>(std::lround(g2 * 255.0f)) - g),
                                  std::abs(static_cast<int>(std::lround(b2 * 255.0f)) - b)});
            }
    EXPECT_LE(worst, 1);

    float r, g, b, h, l, s;
    RGB_to_HLS(0.0f, 0.0f, 1.0f, &h, &l, &s);
    EXPECT_NEAR(h, 2.0f / 3.0f, 1e-6f);
    // Out-of-range input is wrapped (hue) or clamped, never produces out-of-range output.
    HLS_to_RGB(1.5f, 2.0f, -1.0f, &r, &g, &b);
    EXPECT_FLOAT_EQ(r, 1.0f);
    HLS_to_RGB(NAN, NAN, NAN, &r, &g, &b);
    EXPECT_FLOAT_EQ(r, 0.0f);
}

TEST(ObriskGlobals, ContextsAndInstallationFolder)
{
    const HWND one = reinterpret_cast<HWND>(0x10), two = reinterpret_cast<HWND>(0x20);
    EXPECT_NE(Y_GetDC(one, "test"), nullptr);
    EXPECT_EQ(Y_GetDC(one, "test"), Y_GetDC(two, nullptr));
    Y_ReleaseDC(one, Y_GetDC(one, "test"));
    received.clear();
    const Error_Handler previous = Error_Handler_Set(Collect);
    EXPECT_EQ(Y_GetDC(nullptr, "VR_Tools::Text"), nullptr);
    Error_Handler_Set(previous);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_NE(received[0].text.find(L"VR_Tools::Text"), std::wstring::npos);

    ASSERT_NE(W_Inst_Path, nullptr);
    const std::wstring folder(W_Inst_Path);
    EXPECT_TRUE(folder.size() > 1 && folder.front() == L'/' && folder.back() == L'/');
}

namespace {

std::wstring Picture(const char* name)
{
    std::wstring path = Char_2_Wchar(VRTOOLS_TEST_DATA "/pictures/");
    return path + Char_2_Wchar(name);  // each call reuses the buffer of the one before
}

// Pixel (x, y) of a read picture as B, G, R, A.
std::vector<int> Pixel(const IGB_data& image, int x, int y)
{
    const unsigned char* p = image.Data + 4 * (y * image.Width + x);
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace

TEST(ObriskPictures, ReadsTgaAndPngTopRowFirstInBgraOrder)
{
    // The test pictures all show red, green, blue over white, black, (10, 20, 30).
    for (const char* name : {"rgb24.tga", "rgba32_top.tga", "rle24.tga", "mapped8.tga", "rgba.png"}) {
        std::wstring path = Picture(name);
        path[path.rfind(L'/')] = L'\\';  // as callers build icon paths
        IGB_data image{};
        const bool png = std::strstr(name, ".png"), alpha = png || std::strstr(name, "rgba32");
        ASSERT_NE((png ? IGB_Read_Image : TGA_Read_Image)(path.c_str(), &image, nullptr), 0) << name;
        ASSERT_TRUE(image.Width == 3 && image.Height == 2) << name;
        EXPECT_EQ(Pixel(image, 0, 0), (std::vector<int>{0, 0, 255, alpha ? 128 : 255})) << name;
        EXPECT_EQ(Pixel(image, 2, 0)[0], 255) << name;
        EXPECT_EQ(Pixel(image, 0, 1), (std::vector<int>{255, 255, 255, 255})) << name;
        EXPECT_EQ(Pixel(image, 2, 1), (std::vector<int>{30, 20, 10, 255})) << name;
        IGB_Free(&image);
        EXPECT_TRUE(image.Data == nullptr && image.Width == 0) << name;
        IGB_Free(&image);  // a released record can be released again
    }
    IGB_data grey{};
    ASSERT_NE(IGB_Read_Image(Picture("grey8.tga").c_str(), &grey, nullptr), 0);  // the general reader takes TGA
    EXPECT_EQ(Pixel(grey, 1, 0), (std::vector<int>{128, 128, 128, 255}));
    EXPECT_EQ(Pixel(grey, 2, 1), (std::vector<int>{200, 200, 200, 255}));
    IGB_Free(&grey);
    IGB_Free(nullptr);
}

// A host that uses stb itself keeps its settings: the readers neither use nor change stb's
// process-wide vertical flip, and a host's stb cannot stand in for their decoders.
TEST(ObriskPictures, HostsOwnStbSettingsAreLeftAlone)
{
    const std::wstring path = Picture("rgba.png");
    stbi_set_flip_vertically_on_load(1);
    IGB_data image{};
    ASSERT_NE(IGB_Read_Image(path.c_str(), &image, nullptr), 0);
    EXPECT_EQ(Pixel(image, 0, 0), (std::vector<int>{0, 0, 255, 128}));  // top row first
    IGB_Free(&image);
    int width = 0, height = 0, channels = 0;
    unsigned char* flipped = stbi_load(VRTOOLS_TEST_DATA "/pictures/rgba.png", &width, &height, &channels, 4);
    stbi_set_flip_vertically_on_load(0);
    ASSERT_NE(flipped, nullptr);
    EXPECT_EQ(std::vector<int>(flipped, flipped + 4), (std::vector<int>{255, 255, 255, 255}));  // still flipped
    stbi_image_free(flipped);
}

TEST(ObriskPictures, RefusesMissingCorruptAndOversizedFilesLeavingTheRecordAlone)
{
    const std::pair<int (*)(const wchar_t*, IGB_data*, IGB_data*), const char*> cases[] = {
        {TGA_Read_Image, "missing.tga"},       {TGA_Read_Image, "truncated.tga"},
        {TGA_Read_Image, "too_wide.tga"},      {TGA_Read_Image, "png_named.tga"},
        {TGA_Read_Image, "rgba.png"},          {IGB_Read_Image, "missing.png"},
        {IGB_Read_Image, "truncated.png"},     {IGB_Read_Image, "too_tall.png"},
        {IGB_Read_Image, "not_a_picture.png"}, {IGB_Read_Image, ""},
    };
    unsigned char marker = 7;
    for (const auto& [read, name] : cases) {
        IGB_data image{&marker, 5, 6};
        EXPECT_EQ(read(Picture(name).c_str(), &image, nullptr), 0) << name;
        EXPECT_TRUE(image.Data == &marker && image.Width == 5 && image.Height == 6) << name;
    }
    IGB_data image{};
    EXPECT_EQ(TGA_Read_Image(nullptr, &image, nullptr), 0);
    EXPECT_EQ(IGB_Read_Image(Picture("rgba.png").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(IGB_Read_Image(Picture(VRTOOLS_TEST_DATA).c_str(), &image, nullptr), 0);  // a folder
}

namespace {

// The reference picture of a corpus file as R, G, B, A rows, read by an independent decoder; empty
// when the file has none, which means that the readers must refuse it.
std::vector<unsigned char> Reference(const std::string& name, int& width, int& height)
{
    const std::string path = VRTOOLS_TEST_DATA "/pictures/expected/" + name + ".png";
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (!pixels)
        return {};
    std::vector<unsigned char> rgba(pixels, pixels + 4 * static_cast<size_t>(width) * height);
    stbi_image_free(pixels);
    return rgba;
}

std::vector<std::string> Corpus()
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(VRTOOLS_TEST_DATA "/pictures/corpus")) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Every corpus file (third-party test sets and generated variants of each format) either decodes
// to its reference pixels or is refused with one message that names it, leaving the record alone.
// TGA files give the same through both readers; other formats are no TGA to the TGA reader.
TEST(ObriskPictures, CorpusDecodesToItsReferencesOrIsRefusedWithAReason)
{
    const std::vector<std::string> names = Corpus();
    ASSERT_GT(names.size(), 100u);
    Error_Handler old = Error_Handler_Set(&Collect);
    int decoded = 0;
    for (const std::string& name : names) {
        const bool tga = name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0;
        const std::wstring path = Picture(("corpus/" + name).c_str());
        int width = 0, height = 0;
        const std::vector<unsigned char> expected = Reference(name, width, height);
        // JPEG decoders may round their transforms differently.
        const int tolerance = name.find(".jpg") != std::string::npos ? 2 : 0;
        for (auto read : {IGB_Read_Image, TGA_Read_Image}) {
            const bool refuse = expected.empty() || (read == TGA_Read_Image && !tga);
            unsigned char marker = 7;
            IGB_data image{&marker, 5, 6};
            received.clear();
            const int ok = read(path.c_str(), &image, nullptr);
            if (refuse) {
                EXPECT_EQ(ok, 0) << name;
                EXPECT_TRUE(image.Data == &marker && image.Width == 5 && image.Height == 6) << name;
                ASSERT_EQ(received.size(), 1u) << name;
                EXPECT_EQ(received[0].text.rfind(L"Picture: " + path + L": ", 0), 0u) << name;
                continue;
            }
            ASSERT_NE(ok, 0) << name << (received.empty() ? L"" : received[0].text);
            EXPECT_TRUE(received.empty()) << name;
            ASSERT_TRUE(image.Width == width && image.Height == height) << name;
            int worst = 0;
            for (size_t i = 0; i < expected.size(); ++i) {
                const int channel = i % 4, got = image.Data[i - channel + (channel < 3 ? 2 - channel : 3)];
                worst = std::max(worst, std::abs(got - expected[i]));
            }
            EXPECT_LE(worst, tolerance) << name;
            IGB_Free(&image);
            ++decoded;
        }
    }
    Error_Handler_Set(old);
    EXPECT_GT(decoded, 90);
}
