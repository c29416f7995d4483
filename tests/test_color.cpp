// Colour editor: layout, track ramps, loading and reading colours, the model switch, pointer rules, copies.
#include <cstdlib>
#include <cwchar>
#include <new>

#include "color.h"
#include "gl_fixture.h"

namespace {

class Color_Test : public GL_Test {
protected:
    static void Place(VR_Colors& e, short w = 400, short h = 110, short bevel = 2)
    {
        e.X = 0;
        e.Y = 0;
        e.Width = w;
        e.Height = h;
        e.Bevel = bevel;
        e.Font_Name = "DejaVu Sans";
        e.Font_Size = 14;
    }

    // Pixel (column c, row r) of a slider's track picture.
    static Rgba Texel(const VR_Valuators& s, int c, int r = 0)
    {
        const unsigned char* p = s.Image + 4 * (r * s.Width + c);
        return Rgba{p[0], p[1], p[2], p[3]};
    }

    static bool Is(const wchar_t* name, const wchar_t* expected)
    {
        return name && std::wcscmp(name, expected) == 0;
    }
};

void Expect_Rect(const VR_Tools& t, int x, int y, int w, int h)
{
    EXPECT_EQ(t.X, x);
    EXPECT_EQ(t.Y, y);
    EXPECT_EQ(t.Width, w);
    EXPECT_EQ(t.Height, h);
}

void Expect_Texel(const Rgba& p, int r, int g, int b)
{
    EXPECT_EQ(p.r, r);
    EXPECT_EQ(p.g, g);
    EXPECT_EQ(p.b, b);
    EXPECT_EQ(p.a, 255);
}

}  // namespace

TEST_F(Color_Test, LayoutAndRgbRampsOf400x110)
{
    VR_Colors e;
    Place(e);
    e.Init(Window());
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    Expect_Rect(e.Frame, 0, 0, 400, 110);
    EXPECT_EQ(e.Frame.Flags, 0x12u);
    Expect_Rect(e.Swatch, 316, 4, 80, 102);
    EXPECT_EQ(e.Swatch.Flags, 0x50u);
    Expect_Rect(e.Slider_3, 4, 4, 310, 32);
    Expect_Rect(e.Slider_2, 4, 38, 310, 32);
    Expect_Rect(e.Slider_1, 4, 72, 310, 32);
    EXPECT_TRUE(Is(e.Slider_1.W_Name, L"Red"));
    EXPECT_TRUE(Is(e.Slider_2.W_Name, L"Green"));
    EXPECT_TRUE(Is(e.Slider_3.W_Name, L"Blue"));
    for (const VR_Valuators* s : {&e.Slider_1, &e.Slider_2, &e.Slider_3}) {
        EXPECT_FLOAT_EQ(s->Value_Min, 0.0f);
        EXPECT_FLOAT_EQ(s->Value_Max, 0.99f);
        ASSERT_NE(s->Image, nullptr);
    }
    // Black to the primary; trunc(309 x 255 / 310) = 254 at the right end, every row alike.
    Expect_Texel(Texel(e.Slider_1, 0), 0, 0, 0);
    Expect_Texel(Texel(e.Slider_1, 309), 254, 0, 0);
    Expect_Texel(Texel(e.Slider_2, 155), 0, 127, 0);
    Expect_Texel(Texel(e.Slider_3, 309, 31), 0, 0, 254);

    // A nothing-loaded editor shows the default swatch and sliders at 0.
    EXPECT_EQ(e.Applied, 0u);
    EXPECT_FLOAT_EQ(e.Slider_1.Value, 0.0f);

    // Init again at another size: the ramps follow the new width instead of being read past their end.
    e.Width = 300;
    e.Init(Window());
    Expect_Rect(e.Slider_1, 4, 72, 210, 32);
    Expect_Rect(e.Swatch, 216, 4, 80, 102);
    Expect_Texel(Texel(e.Slider_1, 209, 31), 253, 0, 0);
}

TEST_F(Color_Test, RedLoadsAboveTheSliderRangeAndReadsBackAs0xFC)
{
    VR_Colors e;
    Place(e);
    e.Init(Window());
    e.Color_Value = 0x0000FF;
    e.Adjust();
    EXPECT_FLOAT_EQ(e.Channel[0], 255.5f / 255.0f);  // the channel keeps what was loaded
    EXPECT_FLOAT_EQ(e.Slider_1.Value, 0.99f);         // the slider clamps
    EXPECT_FLOAT_EQ(e.Slider_2.Value, 0.5f / 255.0f);
    EXPECT_FLOAT_EQ(e.Slider_3.Value, 0.5f / 255.0f);
    EXPECT_EQ(e.Applied, 0xFFu);
    EXPECT_EQ(e.Swatch.Color_Get(), 0xFFu);
    const std::vector<unsigned int> floor = Buffer_Read<unsigned int>(e.Swatch.Color_VBO);
    ASSERT_FALSE(floor.empty());
    EXPECT_EQ(floor.back(), 0xFF0000FFu);

    // The pointer at the right inner edge of the red slider: its last position, 0.99 x 255 = 252.45.
    EXPECT_EQ(e.Select(1, 313.0f, 88.0f), 1);
    EXPECT_EQ(e.Active_Slider, &e.Slider_1);
    EXPECT_EQ(e.Read(), 0x0000FCu);
    // Read leaves the host's colour and the swatch alone.
    EXPECT_EQ(e.Color_Value, 0x0000FFu);
    EXPECT_EQ(e.Swatch.Color_Get(), 0xFFu);

    // The same from a black editor, and the swatch follows only when the host stores and adjusts.
    VR_Colors black;
    Place(black);
    black.Init(Window());
    black.Select(0, 313.0f, 88.0f);
    black.Is_Select(400.0f);  // dragged past the end
    const unsigned long c = black.Read();
    EXPECT_EQ(c, 0x0000FCu);
    black.Color_Value = static_cast<unsigned int>(c);
    black.Adjust();
    EXPECT_EQ(black.Swatch.Color_Get(), 0xFCu);
}

TEST_F(Color_Test, SwatchClickSwitchesModelTwice)
{
    VR_Colors e;
    Place(e);
    e.Color_Value = 0x4080C0;
    e.Init(Window());

    // Over the swatch without a button, or with only high button bits: no switch.
    e.Select(0, 356.0f, 55.0f);
    e.Select(0x10, 356.0f, 55.0f);
    EXPECT_EQ(e.Flags & VR_COLOR_HLS, 0u);

    EXPECT_EQ(e.Select(1, 356.0f, 55.0f), 0);
    EXPECT_EQ(e.Flags & VR_COLOR_HLS, VR_COLOR_HLS);
    EXPECT_TRUE(Is(e.Slider_1.W_Name, L"Hue"));
    EXPECT_TRUE(Is(e.Slider_2.W_Name, L"Light"));
    EXPECT_TRUE(Is(e.Slider_3.W_Name, L"Saturation"));
    EXPECT_EQ(e.Applied, 0x4080C0u);  // reloaded in the new model
    float f[3] = {0x4080C0 & 0xFF, (0x4080C0 >> 8) & 0xFF, 0x4080C0 >> 16};
    for (float& v : f)
        v = (v + 0.5f) / 255.0f;
    float h = 0, l = 0, s = 0;
    RGB_to_HLS(f[0], f[1], f[2], &h, &l, &s);
    EXPECT_FLOAT_EQ(e.Slider_1.Value, h);
    EXPECT_FLOAT_EQ(e.Slider_2.Value, l);
    EXPECT_FLOAT_EQ(e.Slider_3.Value, s);
    // The hue circle starts at red; lightness runs black to white; saturation white to red.
    ASSERT_NE(e.Slider_1.Image, nullptr);
    Expect_Texel(Texel(e.Slider_1, 0), 255, 0, 0);
    Expect_Texel(Texel(e.Slider_2, 309, 5), 254, 254, 254);
    Expect_Texel(Texel(e.Slider_3, 0), 255, 255, 255);
    Expect_Texel(Texel(e.Slider_3, 309), 255, 0, 0);

    e.Select(1, 356.0f, 55.0f);
    EXPECT_EQ(e.Flags & VR_COLOR_HLS, 0u);
    EXPECT_TRUE(Is(e.Slider_1.W_Name, L"Red"));
    EXPECT_TRUE(Is(e.Slider_3.W_Name, L"Blue"));
    EXPECT_FLOAT_EQ(e.Slider_1.Value, f[0]);
    EXPECT_FLOAT_EQ(e.Slider_3.Value, f[2]);
    Expect_Texel(Texel(e.Slider_1, 309), 254, 0, 0);
    Expect_Texel(Texel(e.Slider_3, 0), 0, 0, 0);
}

TEST_F(Color_Test, PointerRules)
{
    VR_Colors e;
    Place(e);
    e.Init(Window());

    // Without an active slider there is nothing to read or scroll.
    EXPECT_EQ(e.Read(), 0u);
    EXPECT_EQ(e.Scroll(5.0f), 0u);
    // Inside the editor but on the frame: no slider, still nothing to read.
    EXPECT_EQ(e.Select(0, 1.0f, 1.0f), 0);
    EXPECT_EQ(e.Active_Slider, nullptr);
    EXPECT_EQ(e.Read(), 0u);

    // Hit the green slider, then leave the editor: deselected, but the wheel still moves green.
    EXPECT_EQ(e.Select(0, 100.0f, 50.0f), 1);
    EXPECT_EQ(e.Active_Slider, &e.Slider_2);
    EXPECT_EQ(e.Slider_2.Selected, 1);
    EXPECT_EQ(e.Select(0, 500.0f, 50.0f), 0);
    EXPECT_EQ(e.Hit, 0);
    EXPECT_EQ(e.Slider_2.Selected, 0);
    EXPECT_EQ(e.Active_Slider, &e.Slider_2);
    const unsigned long c = e.Scroll(100.0f);  // 200 positions
    EXPECT_FLOAT_EQ(e.Slider_2.Cursor_Position, 200.0f);
    EXPECT_EQ(c, static_cast<unsigned long>(e.Slider_2.Value_Table[200] * 255.0f) << 8);
    EXPECT_FLOAT_EQ(e.Channel[1], e.Slider_2.Value_Table[200]);

    // Is_Select with no hit leaves the sliders alone, even one that believes it is selected.
    e.Slider_1.Selected = 1;
    const float before = e.Slider_1.Pointer_Position;
    EXPECT_EQ(e.Is_Select(200.0f), 0);
    EXPECT_FLOAT_EQ(e.Slider_1.Pointer_Position, before);
    e.Slider_1.Selected = 0;

    // While a slider is hit, Is_Select follows the pointer; an inactive editor reads nothing.
    EXPECT_EQ(e.Select(0, 10.0f, 88.0f), 1);
    EXPECT_EQ(e.Is_Select(159.0f), 1);
    EXPECT_NEAR(e.Slider_1.Pointer_Position, 512.0f, 0.01f);
    e.Flags |= VR_INACTIVE;
    EXPECT_EQ(e.Read(), 0u);
    EXPECT_EQ(e.Scroll(1.0f), 0u);
    e.Deselect();
    EXPECT_EQ(e.Hit, 0);
    EXPECT_EQ(e.Slider_1.Selected, 0);
}

TEST_F(Color_Test, CopyDrivesItsOwnSlider)
{
    VR_Colors source;
    Place(source);
    source.Init(Window());
    source.Select(0, 100.0f, 20.0f);
    ASSERT_EQ(source.Active_Slider, &source.Slider_3);

    // Copies share every array and GL name with the source, so only the source is destroyed.
    alignas(VR_Colors) unsigned char copy_store[sizeof(VR_Colors)];
    alignas(VR_Colors) unsigned char assigned_store[sizeof(VR_Colors)];
    auto* copy = new (copy_store) VR_Colors(source);
    auto* assigned = new (assigned_store) VR_Colors;
    *assigned = source;
    EXPECT_EQ(copy->Active_Slider, &copy->Slider_3);
    EXPECT_EQ(assigned->Active_Slider, &assigned->Slider_3);
    EXPECT_EQ(copy->Slider_3.Image, source.Slider_3.Image);  // shared, not duplicated

    copy->Scroll(50.0f);
    EXPECT_FLOAT_EQ(copy->Slider_3.Cursor_Position, 100.0f);
    EXPECT_FLOAT_EQ(source.Slider_3.Cursor_Position, 0.0f);

    source.Active_Slider = nullptr;
    *assigned = source;
    EXPECT_EQ(assigned->Active_Slider, nullptr);
    *assigned = *assigned;  // self-assignment keeps its own slider
    assigned->Active_Slider = &assigned->Slider_2;
    *assigned = *assigned;
    EXPECT_EQ(assigned->Active_Slider, &assigned->Slider_2);
}

TEST_F(Color_Test, TooSmallEditorGivesMembersNoNegativeSize)
{
    for (short w : {1, 60, 90, 91, 150}) {
        for (short h : {1, 10, 12, 13, 15, 20}) {
            VR_Colors e;
            Place(e, w, h, 2);
            e.Color_Value = 0x123456;
            e.Init(Window());
            for (const VR_Tools* m : {static_cast<const VR_Tools*>(&e.Frame), static_cast<const VR_Tools*>(&e.Swatch),
                                      static_cast<const VR_Tools*>(&e.Slider_1), static_cast<const VR_Tools*>(&e.Slider_2),
                                      static_cast<const VR_Tools*>(&e.Slider_3)}) {
                EXPECT_GE(m->Width, 0) << w << "x" << h;
                EXPECT_GE(m->Height, 0) << w << "x" << h;
            }
            if (e.Slider_1.Width < 1 || e.Slider_1.Height < 1) {
                EXPECT_EQ(e.Slider_1.Image, nullptr);
            }
            e.Draw();
            e.Select(1, 1.0f, 1.0f);
            e.Is_Select(2.0f);
            e.Read();
            e.Scroll(1.0f);
        }
    }
    VR_Colors tiny;
    Place(tiny, 91, 15, 2);
    tiny.Init(Window());
    EXPECT_EQ(tiny.Slider_1.Width, 1);
    ASSERT_NE(tiny.Slider_1.Image, nullptr);
    Expect_Texel(Texel(tiny.Slider_1, 0), 0, 0, 0);
}

TEST_F(Color_Test, HiddenEditorMakesNoRampsAndLoadsNothing)
{
    VR_Colors e;
    Place(e);
    e.Flags = VR_HIDDEN;
    e.Color_Value = 0x00FF00;
    e.Init(Window());
    EXPECT_EQ(e.Slider_1.Image, nullptr);
    EXPECT_EQ(e.Slider_3.Image, nullptr);
    EXPECT_EQ(e.Applied, 0u);
    EXPECT_EQ(e.Swatch.Flags & VR_HIDDEN, VR_HIDDEN);
    Counts_Reset();
    e.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
}

TEST_F(Color_Test, UninitialisedEditorIsReportedOnce)
{
    VR_Colors e;
    EXPECT_EQ(e.Read(), 0u);
    e.Draw();
    e.Adjust();
    EXPECT_TRUE(Has_Message("you must call *_Init() first"));
    EXPECT_TRUE(Has_Message("VR_Colors::Read"));
    EXPECT_FALSE(Has_Message("VR_Colors::Draw"));

    VR_Colors lost;
    Place(lost);
    Messages_Clear();
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Colors:"));
    EXPECT_TRUE(Has_Message("you must provide a window in Init()"));
    EXPECT_EQ(lost.Slider_1.Image, nullptr);
}

TEST_F(Color_Test, DrawShowsSwatchAndRamps)
{
    VR_Colors e;
    Place(e);
    e.X = 100;
    e.Y = 100;
    e.Color_Value = 0x2080E0;
    e.Init(Window());
    Clear();
    Counts_Reset();
    e.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Counts().tex_image, 0);
    // The swatch floor is drawn unlit: the exact colour.
    const Rgba sw = Pixel(100 + 356, 100 + 55);
    EXPECT_NEAR(sw.r, 0xE0, 2);
    EXPECT_NEAR(sw.g, 0x80, 2);
    EXPECT_NEAR(sw.b, 0x20, 2);
    // The blue track low in its groove, right of the cursor: trunc(250 x 255 / 310) = 205 of blue only.
    const Rgba ramp = Pixel(100 + 4 + 250, 100 + 4 + 5);
    EXPECT_NEAR(ramp.r, 0, 2);
    EXPECT_NEAR(ramp.g, 0, 2);
    EXPECT_NEAR(ramp.b, 205, 3);
    if (HasFailure())
        Save_Png("color_draw");
}

TEST_F(Color_Test, HlsModelReadsBackLoadedColoursWithinOneStep)
{
    VR_Colors e;
    Place(e);
    e.Flags = VR_COLOR_HLS;
    e.Init(Window());
    // The sliders stop at 0.99: colours whose hue, lightness or saturation lies above cannot be shown
    // and are left out. Each pass reads back through a different slider, which re-quantises its own
    // channel to the slider's table.
    const float pointer_y[3] = {88.0f, 54.0f, 20.0f};
    int checked = 0;
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_EQ(e.Select(0, 100.0f, pointer_y[pass]), 1);
        for (int r = 0; r < 256; r += 15) {
            for (int g = 0; g < 256; g += 15) {
                for (int b = 0; b < 256; b += 15) {
                    const unsigned int c = r | g << 8 | b << 16;
                    float h = 0, l = 0, s = 0;
                    RGB_to_HLS((r + 0.5f) / 255.0f, (g + 0.5f) / 255.0f, (b + 0.5f) / 255.0f, &h, &l, &s);
                    if (h > 0.99f || l > 0.99f || s > 0.99f)
                        continue;
                    // Park the read-back slider at its left end first, so the cursor lands on the new
                    // value instead of staying where the previous colour left it.
                    e.Scroll(-1024.0f);
                    e.Color_Value = c;
                    e.Adjust();
                    const unsigned long back = e.Scroll(0.0f);
                    for (int shift = 0; shift < 24; shift += 8) {
                        const int in = static_cast<int>((c >> shift) & 0xFF);
                        const int out = static_cast<int>((back >> shift) & 0xFF);
                        ASSERT_LE(std::abs(in - out), 1) << std::hex << "colour 0x" << c << " read 0x" << back
                                                         << " pass " << pass;
                    }
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 3 * 4000);
}
