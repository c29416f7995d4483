// Hue editor: layout and hue ramp, kept lightness and saturation, pointer rules, copies, narrow sizes.
#include <new>
#include <string>

#include "gl_fixture.h"
#include "hue.h"

namespace {

class Hue_Test : public GL_Test {
protected:
    static void Place(VR_Hues& e, short w = 300, short h = 40)
    {
        e.Width = w;
        e.Height = h;
        e.Bevel = 2;
        e.Font_Name = "DejaVu Sans";
        e.Font_Size = 14;
    }
};

std::string Rect(const VR_Tools& t)
{
    return std::to_string(t.X) + " " + std::to_string(t.Y) + " " + std::to_string(t.Width) + " " +
           std::to_string(t.Height);
}

// The colour of hue `h` with lightness `l` and saturation `s`, packed (trunc(f x 255) per channel).
unsigned long Hls_Packed(float h, float l, float s)
{
    float r = 0, g = 0, b = 0;
    HLS_to_RGB(h, l, s, &r, &g, &b);
    return static_cast<unsigned long>(r * 255.0f) | static_cast<unsigned long>(g * 255.0f) << 8 |
           static_cast<unsigned long>(b * 255.0f) << 16;
}

}  // namespace

TEST_F(Hue_Test, LayoutAndHueRampOf300x40)
{
    VR_Hues e;
    Place(e);
    e.Init(Window());
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
    EXPECT_EQ(Rect(e.Swatch) + " / " + Rect(e.Slider), "220 0 80 40 / 0 0 215 40");
    EXPECT_EQ(e.Swatch.Flags, 0x52u);
    EXPECT_EQ(std::wstring(e.Slider.W_Name ? e.Slider.W_Name : L""), L"Hue");
    ASSERT_NE(e.Slider.Image, nullptr);
    for (int c : {0, 36, 107, 214}) {
        const unsigned char* p = e.Slider.Image + 4 * (39 * 215 + c);  // the last row, as every row
        const unsigned long rgb = p[0] | p[1] << 8 | p[2] << 16;
        EXPECT_EQ(rgb, Hls_Packed(c * (1.0f / 215.0f), 0.5f, 1.0f)) << c;
        EXPECT_EQ(p[3], 255);
    }
    // Init again narrower: a new ramp for the new width.
    e.Width = 200;
    e.Init(Window());
    EXPECT_EQ(e.Slider.Width, 115);
    const unsigned char* p = e.Slider.Image + 4 * 100;
    EXPECT_EQ(static_cast<unsigned long>(p[0] | p[1] << 8 | p[2] << 16), Hls_Packed(100 * (1.0f / 115.0f), 0.5f, 1.0f));
}

TEST_F(Hue_Test, OnlyTheHueFollowsTheSlider)
{
    VR_Hues e;
    Place(e);
    e.Init(Window());
    EXPECT_EQ(e.Select(0, 100.0f, 20.0f), 1);
    EXPECT_EQ(e.Read(), 0u);  // nothing loaded: lightness and saturation 0, black

    e.Color_Value = 0x3366CC;
    e.Adjust();
    float h = 0, l = 0, s = 0;
    RGB_to_HLS((0xCC + 0.5f) / 255.0f, (0x66 + 0.5f) / 255.0f, (0x33 + 0.5f) / 255.0f, &h, &l, &s);
    EXPECT_FLOAT_EQ(e.Slider.Value, h);
    EXPECT_FLOAT_EQ(e.Channel[1], l);
    EXPECT_FLOAT_EQ(e.Channel[2], s);

    EXPECT_EQ(e.Is_Select(107.5f), 1);  // the middle of the track
    const unsigned long c = e.Read();
    const float hue = e.Slider.Value_Table[512];
    EXPECT_EQ(c, Hls_Packed(hue, l, s));
    EXPECT_FLOAT_EQ(e.Channel[0], hue);
    EXPECT_FLOAT_EQ(e.Channel[2], s);
    EXPECT_EQ(e.Swatch.Color_Get(), 0x3366CCu);  // until the host stores and adjusts
    const unsigned long end = e.Scroll(1000.0f);
    EXPECT_LE(e.Slider.Value, 0.99f);  // stops short of red again
    EXPECT_EQ(end, Hls_Packed(e.Slider.Value, l, s));
}

TEST_F(Hue_Test, PointerRulesAndCopies)
{
    VR_Hues e;
    Place(e);
    e.Init(Window());
    EXPECT_EQ(e.Read(), 0u);
    EXPECT_EQ(e.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(e.Select(0, 50.0f, 60.0f), 0);  // outside: deselected, still active for the wheel
    EXPECT_EQ(e.Slider.Selected, 0);
    EXPECT_EQ(e.Active_Slider, &e.Slider);
    EXPECT_EQ(e.Is_Select(10.0f), 0);

    e.Select(0, 50.0f, 20.0f);
    alignas(VR_Hues) unsigned char store[sizeof(VR_Hues)];  // shares everything: never destroyed
    auto* copy = new (store) VR_Hues(e);
    EXPECT_EQ(copy->Active_Slider, &copy->Slider);
    copy->Scroll(20.0f);
    EXPECT_FLOAT_EQ(e.Slider.Cursor_Position, 0.0f);

    // Over the swatch, even clicked: no hit, no active slider, nothing to read.
    EXPECT_EQ(e.Select(1, 260.0f, 20.0f), 0);
    EXPECT_EQ(e.Active_Slider, nullptr);
    EXPECT_EQ(e.Read(), 0u);
}

TEST_F(Hue_Test, NarrowEditors)
{
    for (short w : {1, 80, 85, 86, 120}) {
        VR_Hues e;
        Place(e, w, 30);
        e.Color_Value = 0x808000;
        e.Init(Window());
        EXPECT_GE(e.Slider.Width, 0);
        EXPECT_EQ(e.Slider.Image != nullptr, e.Slider.Width > 0);
        e.Draw();
        e.Select(0, 1.0f, 10.0f);
        e.Scroll(-1.0f);
    }
}
