// Regression tests for what the fuzzers in fuzz/ found: each input here once hung, crashed or leaked.
#include <vrtools/batch.h>
#include <vrtools/color.h>
#include "batch_view.h"
#include "gl_fixture.h"
#include <vrtools/obrisk.h>
#include <vrtools/select.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <cstdarg>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> delivered;
void Keep(HWND, unsigned int, const wchar_t* text)
{
    delivered.push_back(text);
}

int Narrow(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Narrow(out, capacity, format, args);
    va_end(args);
    return n;
}

#ifndef VRTOOLS_TEST_OUT
#define VRTOOLS_TEST_OUT "."
#endif

// Writes `bytes` as a file of the test build folder and gives its wide path.
std::wstring Scratch_File(const char* name, const std::vector<std::uint8_t>& bytes)
{
    const std::string path = std::string(VRTOOLS_TEST_OUT) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return std::wstring(Char_2_Wchar(path.c_str()));
}

void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A 24-bit BMP header promising width x height pixels, followed by `data_bytes` bytes of pixels.
std::vector<std::uint8_t> Bmp(unsigned width, unsigned height, size_t data_bytes)
{
    std::vector<std::uint8_t> b = {'B', 'M'};
    Put32(b, static_cast<unsigned>(54 + data_bytes));
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, height);
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i)
        Put32(b, 0);
    b.resize(b.size() + data_bytes, 0x80);
    return b;
}

double Seconds_Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// A width or precision of 10^8 and more kept the C library padding for many seconds per message.
TEST(FuzzFindings, HugeFieldWidthsAreRefusedAtOnce)
{
    delivered.clear();
    const Error_Handler old = Error_Handler_Set(&Keep);
    const auto start = std::chrono::steady_clock::now();
    Error_Fct(nullptr, 0x80000001u, "x%0000000101934150e|", 1.0);
    Error_Fct(nullptr, 0x80000001u, L"%.*f", 2000000000, 1.0);
    Error_Fct(nullptr, 0x80000001u, "%*d", -2147483647 - 1, 5);
    char out[32];
    EXPECT_EQ(Narrow(out, sizeof(out), "%.200000000f", 1.0), -1);
    EXPECT_STREQ(out, "");
    EXPECT_LT(Seconds_Since(start), 1.0);
    Error_Handler_Set(old);
    ASSERT_EQ(delivered.size(), 3u);
    // Formats that cannot be formatted are delivered as they stand.
    EXPECT_EQ(delivered[0], L"x%0000000101934150e|");
    EXPECT_EQ(delivered[1], L"%.*f");

    // The largest field still formats.
    std::vector<char> wide(5000);
    EXPECT_EQ(Narrow(wide.data(), wide.size(), "%4096d|%.4096s", 7, "ab"), 4096 + 3);
}

// The generic reader handed cut TGA, BMP and PNM files to stb, which fills what is missing with
// zeros: 96 bytes claiming 4112 x 4112 pixels took seconds and 67 MB, and 8000 x 8000 took 250 MB.
TEST(FuzzFindings, CutOrTinyPictureFilesAreRefusedBeforeTheyCost)
{
    // The fuzzer's input: a TGA header (2-byte id, 16-bit pixels, 4112 x 4112) and 78 bytes.
    std::vector<std::uint8_t> tga = {0x02, 0x00, 0x02};
    tga.resize(12, 0x10);
    Put16(tga, 4112);
    Put16(tga, 4112);
    tga.push_back(16);
    tga.push_back(0x10);
    tga.resize(96, 0x10);
    const std::vector<std::uint8_t> ppm = {'P', '6', '\n', '8',  '0', '0', '0', ' ', '8',
                                           '0', '0', '0',  '\n', '2', '5', '5', '\n'};
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"cut_tga.png", tga},
        {"huge_bmp.png", Bmp(8000, 8000, 0)},
        {"huge_ppm.png", ppm},
        // Within the size budget but 30 bytes short of its 10 x 10 pixels.
        {"cut_bmp.png", Bmp(10, 10, 10 * 32 - 30)},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [name, bytes] : files) {
        IGB_data image{};
        EXPECT_EQ(IGB_Read_Image(Scratch_File(name, bytes).c_str(), &image, nullptr), 0) << name;
        EXPECT_EQ(image.Data, nullptr) << name;
    }
    EXPECT_LT(Seconds_Since(start), 1.0);
    // The same BMP whole is a picture.
    IGB_data image{};
    ASSERT_NE(IGB_Read_Image(Scratch_File("whole_bmp.png", Bmp(10, 10, 10 * 32)).c_str(), &image, nullptr), 0);
    EXPECT_EQ(image.Width, 10);
    EXPECT_EQ(image.Height, 10);
    EXPECT_EQ(image.Data[0], 0x80);
    IGB_Free(&image);
}

class FuzzFindingsGL : public GL_Test {};

// A wheel amount of 10^30 never left the one-unit-per-step loop (the float sum does not move when
// 1 is taken off, and the step count overflowed); a NaN stuck in the sum and killed the wheel.
TEST_F(FuzzFindingsGL, ListScrollSurvivesHugeAndNonNumericAmounts)
{
    VR_Selects list;
    list.X = 10;
    list.Y = 10;
    list.Width = 200;
    list.Height = 40;
    ASSERT_EQ(list.Grow(3, 0), 1);
    list.Init(Window());
    const auto start = std::chrono::steady_clock::now();
    for (float amount :
         {1e30f, -1e30f, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        const int current = list.Scroll(amount);
        EXPECT_GE(current, 0);
        EXPECT_LT(current, 3);
    }
    EXPECT_LT(Seconds_Since(start), 1.0);

    list.Current = 0;
    list.Scroll_Sum = 0.0f;
    EXPECT_EQ(list.Scroll(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_FALSE(std::isnan(list.Scroll_Sum));
    EXPECT_EQ(list.Scroll(1.5f), 1);  // the wheel still turns
}

// A colour editor with a negative bevel laid its sliders out larger than itself: 300 x 120 units
// with a bevel of -30000 made sliders of 32767 x 20000 units and ramp pictures of gigabytes.
TEST_F(FuzzFindingsGL, ColourEditorPartsStayInsideTheEditorWhateverTheBevel)
{
    for (short bevel : {static_cast<short>(-30000), static_cast<short>(-5), static_cast<short>(30000)}) {
        VR_Colors editor;
        editor.X = 10;
        editor.Y = 10;
        editor.Width = 300;
        editor.Height = 120;
        editor.Bevel = bevel;
        editor.Init(Window());
        for (const VR_Tools* part :
             {static_cast<const VR_Tools*>(&editor.Slider_1), static_cast<const VR_Tools*>(&editor.Slider_2),
              static_cast<const VR_Tools*>(&editor.Slider_3), static_cast<const VR_Tools*>(&editor.Swatch)}) {
            EXPECT_LE(part->Width, 300) << bevel;
            EXPECT_LE(part->Height, 120) << bevel;
        }
        editor.Draw();
    }
}

// fuzz_batch: a layout writes every widget's quads and forgets its compared description. A widget
// hidden just after one describes as nothing, which must still read as a change: once a change of
// it (a button pressed) had been compared before the layout, it did not, and its quads stayed.
// Two layouts a host brings about: a widget added, and the text mode switched.
TEST_F(FuzzFindingsGL, AWidgetHiddenRightAfterABatchLayoutIsDrawnNoMore)
{
    const auto frame_of = [](VR_Batches& batch) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        return Frame_Pixels(WIDTH, HEIGHT);
    };
    for (const bool by_adding : {true, false}) {
        VR_Buttons button;
        Widget_Place(button, "Press", 84, 220, 64, 26);
        button.Init(Window());
        VR_Labels other;
        Widget_Place(other, "Row", 10, 100, 60, 24);
        other.Init(Window());
        VR_Batches batch;
        batch.Sharp_Text_Set(!by_adding);
        batch.Add(button);
        ASSERT_EQ(batch.Init(), 1);
        const std::vector<unsigned char> shown = frame_of(batch);
        button.State = 1;
        button.Adjust();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        if (by_adding)
            batch.Add(other);
        else
            batch.Sharp_Text_Set(false);
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        button.Flags |= VR_HIDDEN;
        const std::vector<unsigned char> hidden = frame_of(batch);
        VR_Batches fresh;
        fresh.Add(button);
        if (by_adding)
            fresh.Add(other);
        ASSERT_EQ(fresh.Init(), 1);
        const std::vector<unsigned char> want = frame_of(fresh);
        EXPECT_FALSE(shown == want) << "the button was never drawn";
        EXPECT_TRUE(hidden == want) << (by_adding ? "a widget added" : "the text mode switched")
                                    << ": the hidden button is still drawn";
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
