// Hue editor: layout and hue ramp, kept lightness and saturation, pointer rules, copies, small sizes.
#include <new>

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

// The colour of hue `h` with lightness `l` and saturation `s`, packed as the editor packs it.
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
    EXPECT_EQ(e.Swatch.X, 220);
    EXPECT_EQ(e.Swatch.Y, 0);
    EXPECT_EQ(e.Swatch.Width, 80);
    EXPECT_EQ(e.Swatch.Height, 40);
    EXPECT_EQ(e.Swatch.Flags, 0x52u);
    EXPECT_EQ(e.Slider.X, 0);
    EXPECT_EQ(e.Slider.Width, 215);
    EXPECT_EQ(e.Slider.Height, 40);
    EXPECT_FLOAT_EQ(e.Slider.Value_Max, 0.99f);
    ASSERT_NE(e.Slider.W_Name, nullptr);
    EXPECT_EQ(std::wstring(e.Slider.W_Name), L"Hue");
    ASSERT_NE(e.Slider.Image, nullptr);
    for (int c : {0, 36, 107, 214}) {
        float r = 0, g = 0, b = 0;
        HLS_to_RGB(c * (1.0f / 215.0f), 0.5f, 1.0f, &r, &g, &b);
        for (int row : {0, 39}) {
            const unsigned char* p = e.Slider.Image + 4 * (row * 215 + c);
            EXPECT_EQ(p[0], static_cast<int>(r * 255.0f)) << c;
            EXPECT_EQ(p[1], static_cast<int>(g * 255.0f)) << c;
            EXPECT_EQ(p[2], static_cast<int>(b * 255.0f)) << c;
            EXPECT_EQ(p[3], 255);
        }
    }
    EXPECT_EQ(e.Slider.Image[0], 255);  // the circle starts at red

    // Init again narrower: the ramp is made again for the new width.
    e.Width = 200;
    e.Init(Window());
    EXPECT_EQ(e.Slider.Width, 115);
    EXPECT_EQ(e.Swatch.X, 120);
    const unsigned char* last = e.Slider.Image + 4 * (39 * 115 + 114);
    EXPECT_EQ(last[3], 255);
}

TEST_F(Hue_Test, OnlyTheHueFollowsTheSlider)
{
    VR_Hues e;
    Place(e);
    e.Init(Window());
    // Nothing loaded yet: lightness and saturation are 0, so any hue reads as black.
    EXPECT_EQ(e.Select(0, 100.0f, 20.0f), 1);
    EXPECT_EQ(e.Read(), 0u);

    e.Color_Value = 0x3366CC;  // red 0xCC, green 0x66, blue 0x33
    e.Adjust();
    float h = 0, l = 0, s = 0;
    RGB_to_HLS((0xCC + 0.5f) / 255.0f, (0x66 + 0.5f) / 255.0f, (0x33 + 0.5f) / 255.0f, &h, &l, &s);
    EXPECT_FLOAT_EQ(e.Channel[0], h);
    EXPECT_FLOAT_EQ(e.Channel[1], l);
    EXPECT_FLOAT_EQ(e.Channel[2], s);
    EXPECT_FLOAT_EQ(e.Slider.Value, h);
    EXPECT_EQ(e.Swatch.Color_Get(), 0x3366CCu);

    // Drag to the middle of the track: hue from the table, lightness and saturation as loaded.
    e.Select(0, 110.0f, 20.0f);
    EXPECT_EQ(e.Is_Select(107.5f), 1);
    const float p = e.Slider.Pointer_Position;
    const unsigned long c = e.Read();
    const float hue = e.Slider.Value_Table[static_cast<int>(p)];
    EXPECT_FLOAT_EQ(e.Channel[0], hue);
    EXPECT_FLOAT_EQ(e.Channel[1], l);
    EXPECT_FLOAT_EQ(e.Channel[2], s);
    EXPECT_EQ(c, Hls_Packed(hue, l, s));
    EXPECT_EQ(e.Color_Value, 0x3366CCu);
    EXPECT_EQ(e.Swatch.Color_Get(), 0x3366CCu);

    // The wheel past the end stops at 0.99, short of red again.
    const unsigned long end = e.Scroll(1000.0f);
    EXPECT_FLOAT_EQ(e.Slider.Cursor_Position, 1023.0f);
    EXPECT_LE(e.Slider.Value, 0.99f);
    EXPECT_EQ(end, Hls_Packed(e.Slider.Value, l, s));
    EXPECT_FLOAT_EQ(e.Channel[1], l);
}

TEST_F(Hue_Test, PointerRules)
{
    VR_Hues e;
    Place(e);
    e.Init(Window());
    EXPECT_EQ(e.Read(), 0u);
    EXPECT_EQ(e.Scroll(1.0f), 0u);

    EXPECT_EQ(e.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(e.Active_Slider, &e.Slider);
    // Leaving the editor: deselected, the slider stays active for the wheel.
    EXPECT_EQ(e.Select(0, 50.0f, 60.0f), 0);
    EXPECT_EQ(e.Slider.Selected, 0);
    EXPECT_EQ(e.Active_Slider, &e.Slider);
    EXPECT_EQ(e.Is_Select(10.0f), 0);
    // Over the swatch, even clicked: no hit, no active slider, nothing to read, no model switch.
    EXPECT_EQ(e.Select(1, 260.0f, 20.0f), 0);
    EXPECT_EQ(e.Active_Slider, nullptr);
    EXPECT_EQ(e.Read(), 0u);

    e.Select(0, 50.0f, 20.0f);
    e.Flags |= VR_INACTIVE;
    EXPECT_EQ(e.Read(), 0u);
    EXPECT_EQ(e.Scroll(1.0f), 0u);
    e.Deselect();
    EXPECT_EQ(e.Hit, 0);
    EXPECT_EQ(e.Slider.Selected, 0);
}

TEST_F(Hue_Test, CopyDrivesItsOwnSlider)
{
    VR_Hues source;
    Place(source);
    source.Color_Value = 0x0000C0;
    source.Init(Window());
    source.Select(0, 50.0f, 20.0f);
    ASSERT_EQ(source.Active_Slider, &source.Slider);

    // The copy shares the source's arrays and GL names, so only the source is destroyed.
    alignas(VR_Hues) unsigned char store[sizeof(VR_Hues)];
    auto* copy = new (store) VR_Hues(source);
    EXPECT_EQ(copy->Active_Slider, &copy->Slider);
    const float before = source.Slider.Cursor_Position;
    copy->Scroll(20.0f);
    EXPECT_FLOAT_EQ(source.Slider.Cursor_Position, before);
    EXPECT_NE(copy->Slider.Cursor_Position, before);
    EXPECT_FLOAT_EQ(copy->Channel[1], source.Channel[1]);

    VR_Hues plain;
    plain.Active_Slider = &source.Slider;  // a foreign pointer is never carried over
    VR_Hues other(plain);
    EXPECT_EQ(other.Active_Slider, nullptr);
}

TEST_F(Hue_Test, NarrowOrHiddenEditors)
{
    for (short w : {1, 80, 85, 86, 120}) {
        VR_Hues e;
        Place(e, w, 30);
        e.Color_Value = 0x808000;
        e.Init(Window());
        EXPECT_GE(e.Slider.Width, 0);
        if (e.Slider.Width == 0) {
            EXPECT_EQ(e.Slider.Image, nullptr);
        }
        e.Draw();
        e.Select(0, 1.0f, 10.0f);
        e.Read();
        e.Scroll(-1.0f);
    }
    VR_Hues hidden;
    Place(hidden);
    hidden.Flags = VR_HIDDEN;
    hidden.Color_Value = 0x00FF00;
    hidden.Init(Window());
    EXPECT_EQ(hidden.Slider.Image, nullptr);
    EXPECT_EQ(hidden.Applied, 0u);
    hidden.Draw();
}
