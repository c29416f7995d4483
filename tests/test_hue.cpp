// Hue editor: layout and hue ramp, kept lightness and saturation, pointer rules, copies, narrow sizes.
#include <vector>

#include "gl_fixture.h"
#include <vrtools/hue.h>

namespace {

class Hue_Test : public GL_Test {
protected:
    static void Make(VR_Hues& e, short w = 300, short h = 40, unsigned int colour = 0)
    {
        e.Width = w;
        e.Height = h;
        e.Bevel = 2;
        e.Color_Value = colour;
        e.Init(Window());
    }
};

// The colour of hue `h` with lightness `l` and saturation `s`, packed (trunc(f x 255) per channel).
unsigned long Hls_Packed(float h, float l, float s)
{
    float r = 0, g = 0, b = 0;
    HLS_to_RGB(h, l, s, &r, &g, &b);
    return static_cast<unsigned long>(r * 255.0f) | static_cast<unsigned long>(g * 255.0f) << 8 |
           static_cast<unsigned long>(b * 255.0f) << 16;
}

// Column c of the last row of the slider's track picture, packed with its alpha.
unsigned long Texel(const VR_Valuators& s, int c)
{
    const unsigned char* p = s.Image + 4 * ((s.Height - 1) * s.Width + c);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned long>(p[3]) << 24;
}

}  // namespace

TEST_F(Hue_Test, LayoutAndHueRampAtEverySize)
{
    VR_Hues e;
    Make(e);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
    const VR_Boxs& w = e.Swatch;
    const VR_Valuators& s = e.Slider;
    EXPECT_EQ((std::vector<int>{w.X, w.Y, w.Width, w.Height, s.X, s.Y, s.Width, s.Height}),
              (std::vector<int>{220, 0, 80, 40, 0, 0, 215, 40}));
    ASSERT_NE(s.Image, nullptr);
    for (int c : {0, 36, 107, 214})
        EXPECT_EQ(Texel(s, c), Hls_Packed(c * (1.0f / 215.0f), 0.5f, 1.0f) | 0xFF000000ul) << c;
    // Init again narrower: a new ramp for the new width.
    e.Width = 200;
    e.Init(Window());
    ASSERT_EQ(s.Width, 115);
    EXPECT_EQ(Texel(s, 100), Hls_Packed(100 * (1.0f / 115.0f), 0.5f, 1.0f) | 0xFF000000ul);

    for (short narrow : {1, 80, 85, 86, 120}) {
        VR_Hues n;
        Make(n, narrow, 30, 0x808000);
        EXPECT_GE(n.Slider.Width, 0);
        EXPECT_EQ(n.Slider.Image != nullptr, n.Slider.Width > 0);
        n.Draw();
        n.Select(0, 1.0f, 10.0f);
        n.Scroll(-1.0f);
    }
}

TEST_F(Hue_Test, OnlyTheHueFollowsTheSlider)
{
    VR_Hues e;
    Make(e, 300, 40, 0x3366CC);
    float h = 0, l = 0, s = 0;
    RGB_to_HLS((0xCC + 0.5f) / 255.0f, (0x66 + 0.5f) / 255.0f, (0x33 + 0.5f) / 255.0f, &h, &l, &s);
    EXPECT_FLOAT_EQ(e.Slider.Value, h);
    EXPECT_FLOAT_EQ(e.Channel[1], l);
    EXPECT_FLOAT_EQ(e.Channel[2], s);
    EXPECT_EQ(e.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(e.Is_Select(107.5f), 1);  // the middle of the track
    EXPECT_EQ(e.Read(), Hls_Packed(e.Slider.Value_Table[512], l, s));
    EXPECT_EQ(e.Swatch.Color_Get(), 0x3366CCu);  // until the host stores and adjusts
    // Leaving deselects but keeps the slider active for the wheel, which stops short of red again.
    EXPECT_EQ(e.Select(0, 50.0f, 60.0f), 0);
    EXPECT_EQ(e.Slider.Selected, 0);
    EXPECT_EQ(e.Is_Select(10.0f), 0);
    const unsigned long end = e.Scroll(1000.0f);
    EXPECT_LE(e.Slider.Value, 0.99f);
    EXPECT_EQ(end, Hls_Packed(e.Slider.Value, l, s));

    // A copy drives its own slider.
    {
        VR_Hues copy(e);
        ASSERT_EQ(copy.Active_Slider, &copy.Slider);
        copy.Scroll(-20.0f);
    }
    EXPECT_FLOAT_EQ(e.Slider.Cursor_Position, 1023.0f);
    // Over the swatch, even clicked: no hit, no active slider, nothing to read.
    EXPECT_EQ(e.Select(1, 260.0f, 20.0f), 0);
    EXPECT_EQ(e.Active_Slider, nullptr);
    EXPECT_EQ(e.Read(), 0u);
}
