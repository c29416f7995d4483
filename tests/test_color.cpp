// Colour editor: layout, track ramps, loading and reading colours, the model switch, pointer rules, copies.
#include <cstdlib>
#include <string>

#include <vrtools/color.h>
#include "gl_fixture.h"

namespace {

class Color_Test : public GL_Test {
protected:
    // An editor of w x h, bevel 2, with `flags` and `colour`, initialised.
    static void Make(VR_Colors& e, short w = 400, short h = 110, unsigned int flags = 0, unsigned int colour = 0)
    {
        e.Width = w;
        e.Height = h;
        e.Bevel = 2;
        e.Flags = flags;
        e.Color_Value = colour;
        e.Init(Window());
    }
};

// "x y w h" of a member, for one-line layout checks.
std::string Rect(const VR_Tools& t)
{
    return std::to_string(t.X) + " " + std::to_string(t.Y) + " " + std::to_string(t.Width) + " " +
           std::to_string(t.Height);
}

// Packed RGBA of pixel (column c, row r) of a slider's track picture.
unsigned int Texel(const VR_Valuators& s, int c, int r = 0)
{
    const unsigned char* p = s.Image + 4 * (r * s.Width + c);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned int>(p[3]) << 24;
}

// The three captions, top to bottom.
std::wstring Captions(const VR_Colors& e)
{
    std::wstring all;
    for (const VR_Valuators* s : {&e.Slider_1, &e.Slider_2, &e.Slider_3})
        all += (s->W_Name ? s->W_Name : L"") + std::wstring(L" ");
    return all;
}

}  // namespace

TEST_F(Color_Test, LayoutAndRampsOf400x110)
{
    VR_Colors e;
    Make(e);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
    EXPECT_EQ(Rect(e.Frame) + " / " + Rect(e.Swatch), "0 0 400 110 / 316 4 80 102");
    EXPECT_EQ(Rect(e.Slider_3) + " / " + Rect(e.Slider_2) + " / " + Rect(e.Slider_1),
              "4 4 310 32 / 4 38 310 32 / 4 72 310 32");
    EXPECT_EQ(Captions(e), L"Red Green Blue ");
    // Black to the primary: trunc(c x 255 / 310), every row alike.
    ASSERT_TRUE(e.Slider_1.Image && e.Slider_2.Image && e.Slider_3.Image);
    EXPECT_EQ(Texel(e.Slider_1, 0), 0xFF000000u);
    EXPECT_EQ(Texel(e.Slider_1, 309), 0xFF0000FEu);
    EXPECT_EQ(Texel(e.Slider_2, 155), 0xFF007F00u);
    EXPECT_EQ(Texel(e.Slider_3, 309, 31), 0xFFFE0000u);
    // Init again narrower: the ramps are made for the new width, not read past their old end.
    e.Width = 300;
    e.Init(Window());
    EXPECT_EQ(Rect(e.Slider_1) + " / " + Rect(e.Swatch), "4 72 210 32 / 216 4 80 102");
    EXPECT_EQ(Texel(e.Slider_1, 209, 31), 0xFF0000FDu);
}

TEST_F(Color_Test, RedLoadsAboveTheRangeAndReadsBackAs0xFC)
{
    VR_Colors e;
    Make(e, 400, 110, 0, 0x0000FF);
    EXPECT_FLOAT_EQ(e.Channel[0], 255.5f / 255.0f);  // the channel keeps what was loaded,
    EXPECT_FLOAT_EQ(e.Slider_1.Value, 0.99f);        // the slider clamps
    EXPECT_FLOAT_EQ(e.Slider_2.Value, 0.5f / 255.0f);
    // Drawn: the swatch floor unlit in its exact colour, the red track at column 250 with 205 of red.
    e.Draw();
    EXPECT_EQ(Count_Pixels(355, 54, 357, 56, Rgba{255, 0, 0, 255}, 2), 4);
    EXPECT_EQ(Count_Pixels(254, 77, 255, 78, Rgba{205, 0, 0, 255}, 3), 1);
    // At the right inner edge of the red slider: 0.99 x 255 = 252.45. Read leaves the swatch alone.
    EXPECT_EQ(e.Select(1, 313.0f, 88.0f), 1);
    EXPECT_EQ(e.Read(), 0x0000FCu);
    EXPECT_EQ(e.Swatch.Color_Get(), 0xFFu);
    // The host stores the result and adjusts: now the swatch follows.
    e.Color_Value = 0x0000FC;
    e.Adjust();
    EXPECT_EQ(e.Swatch.Color_Get(), 0xFCu);
}

TEST_F(Color_Test, SwatchClickSwitchesModelTwice)
{
    VR_Colors e;
    Make(e, 400, 110, 0, 0x4080C0);
    e.Select(0, 356.0f, 55.0f);  // hover, and high button bits only: no switch
    e.Select(0x10, 356.0f, 55.0f);
    EXPECT_EQ(e.Flags & VR_COLOR_HLS, 0u);

    EXPECT_EQ(e.Select(1, 356.0f, 55.0f), 0);
    EXPECT_EQ(e.Flags & VR_COLOR_HLS, VR_COLOR_HLS);
    EXPECT_EQ(Captions(e), L"Hue Light Saturation ");
    float h = 0, l = 0, s = 0;
    RGB_to_HLS((0xC0 + 0.5f) / 255.0f, (0x80 + 0.5f) / 255.0f, (0x40 + 0.5f) / 255.0f, &h, &l, &s);
    EXPECT_FLOAT_EQ(e.Slider_1.Value, h);  // reloaded in the new model
    EXPECT_FLOAT_EQ(e.Slider_3.Value, s);
    // Hue circle from red; lightness black to white; saturation white to red.
    EXPECT_EQ(Texel(e.Slider_1, 0), 0xFF0000FFu);
    EXPECT_EQ(Texel(e.Slider_2, 309, 5), 0xFFFEFEFEu);
    EXPECT_EQ(Texel(e.Slider_3, 309), 0xFF0000FFu);

    e.Select(1, 356.0f, 55.0f);
    EXPECT_EQ(Captions(e), L"Red Green Blue ");
    EXPECT_FLOAT_EQ(e.Slider_3.Value, (0x40 + 0.5f) / 255.0f);
    EXPECT_EQ(Texel(e.Slider_3, 309), 0xFFFE0000u);
}

TEST_F(Color_Test, PointerRulesAndCopies)
{
    VR_Colors e;
    Make(e);
    EXPECT_EQ(e.Read(), 0u);                // no active slider
    EXPECT_EQ(e.Select(0, 1.0f, 1.0f), 0);  // on the frame, off every slider
    EXPECT_EQ(e.Scroll(5.0f), 0u);
    // Green hit, then the pointer leaves: deselected, but the wheel still moves green.
    EXPECT_EQ(e.Select(0, 100.0f, 50.0f), 1);
    EXPECT_EQ(e.Select(0, 500.0f, 50.0f), 0);
    EXPECT_EQ(e.Slider_2.Selected, 0);
    ASSERT_EQ(e.Active_Slider, &e.Slider_2);
    EXPECT_EQ(e.Scroll(100.0f), static_cast<unsigned long>(e.Slider_2.Value_Table[200] * 255.0f) << 8);
    EXPECT_FLOAT_EQ(e.Slider_2.Cursor_Position, 200.0f);
    // Without a hit, Is_Select leaves even a slider that believes it is selected alone.
    e.Slider_1.Selected = 1;
    EXPECT_EQ(e.Is_Select(200.0f), 0);
    EXPECT_FLOAT_EQ(e.Slider_1.Pointer_Position, 0.0f);
    e.Slider_1.Selected = 0;
    EXPECT_EQ(e.Select(0, 10.0f, 88.0f), 1);
    EXPECT_EQ(e.Is_Select(159.0f), 1);
    EXPECT_NEAR(e.Slider_1.Pointer_Position, 512.0f, 0.01f);

    // Copies drive their own slider.
    e.Select(0, 100.0f, 20.0f);
    ASSERT_EQ(e.Active_Slider, &e.Slider_3);
    {
        VR_Colors copy(e);
        VR_Colors assigned;
        assigned = e;
        EXPECT_EQ(assigned.Active_Slider, &assigned.Slider_3);
        ASSERT_EQ(copy.Active_Slider, &copy.Slider_3);
        copy.Scroll(50.0f);
        EXPECT_FLOAT_EQ(copy.Slider_3.Cursor_Position, 100.0f);
    }
    EXPECT_FLOAT_EQ(e.Slider_3.Cursor_Position, 0.0f);

    e.Flags |= VR_INACTIVE;
    EXPECT_EQ(e.Read(), 0u);
}

TEST_F(Color_Test, SmallOrHiddenEditors)
{
    for (short w : {1, 60, 90, 91, 150}) {
        for (short h : {1, 12, 13, 15, 20}) {
            VR_Colors e;
            Make(e, w, h, 0, 0x123456);
            EXPECT_TRUE(e.Swatch.Width >= 0 && e.Swatch.Height >= 0 && e.Slider_1.Width >= 0 && e.Slider_1.Height >= 0)
                << w << "x" << h;
            EXPECT_EQ(e.Slider_3.Image != nullptr, e.Slider_3.Width > 0 && e.Slider_3.Height > 0);
            e.Draw();
            e.Select(1, 1.0f, 1.0f);
            e.Scroll(1.0f);
        }
    }
    VR_Colors hidden;  // hidden: no ramps, nothing loaded
    Make(hidden, 400, 110, VR_HIDDEN, 0x00FF00);
    EXPECT_EQ(hidden.Slider_1.Image, nullptr);
    EXPECT_EQ(hidden.Applied, 0u);
}

TEST_F(Color_Test, HlsModelReadsBackLoadedColoursWithinOneStep)
{
    VR_Colors e;
    Make(e, 400, 110, VR_COLOR_HLS);
    // Colours with a hue, lightness or saturation above the sliders' 0.99 cannot be shown. Each pass
    // reads back through another slider, which re-quantises its channel to the slider's table.
    int checked = 0;
    for (float y : {88.0f, 54.0f, 20.0f}) {
        ASSERT_EQ(e.Select(0, 100.0f, y), 1);
        for (unsigned int r = 0; r < 256; r += 15)
            for (unsigned int g = 0; g < 256; g += 15)
                for (unsigned int b = 0; b < 256; b += 15) {
                    float h = 0, l = 0, s = 0;
                    RGB_to_HLS((r + 0.5f) / 255.0f, (g + 0.5f) / 255.0f, (b + 0.5f) / 255.0f, &h, &l, &s);
                    if (h > 0.99f || l > 0.99f || s > 0.99f)
                        continue;
                    e.Scroll(-1024.0f);  // park the cursor so it lands on the new value, not near the old
                    e.Color_Value = r | g << 8 | b << 16;
                    e.Adjust();
                    const unsigned long back = e.Scroll(0.0f);
                    for (int i = 0; i < 3; ++i)
                        ASSERT_LE(std::abs(int((e.Color_Value >> 8 * i) & 0xFF) - int((back >> 8 * i) & 0xFF)), 1)
                            << std::hex << "colour 0x" << e.Color_Value << " read 0x" << back;
                    ++checked;
                }
    }
    EXPECT_GT(checked, 3 * 4000);
}
