// Keys and fingertips while the host has no GL context current (a scene graph's event handlers
// between frames): the values change at once, and the next Draw shows the focus lit as a hover.
#include <vrtools/dispatch.h>

#include "hostile.h"

namespace {

class Focus_No_Context : public GL_Test {
protected:
    template <class Widget>
    static void Place(Widget& w, short x, short y)
    {
        w.X = x, w.Y = y, w.Width = 300, w.Height = 40, w.Bevel = 3;
        w.Init(Window());
    }
};

}  // namespace

// Activate, Step and a poke without a context do their work; drawn afterwards with the context, the
// focused slider's groove shows the same pixels as under the pointer's hover.
TEST_F(Focus_No_Context, KeysAndAFingertipShowAtTheNextDraw)
{
    VR_Buttons button;
    VR_Valuators slider;
    slider.Value_Max = 1023.0f;
    slider.Value = 500.0f;
    Place(button, 20, 20);
    Place(slider, 20, 120);
    VR_Dispatchers input;
    input.Add(button);
    input.Add(slider);
    {
        No_Context none;
        input.Focus_Next(1);
        EXPECT_EQ(input.Activate(true), 1);
        EXPECT_EQ(input.Poke(0, 170.0f, 40.0f, -1.0f), 1) << "a second press, by a fingertip";
        input.Poke_End(0);
        input.Focus_Next(1);
        EXPECT_EQ(input.Step(5), 1);
        input.Focus_Next(1);
        input.Focus_Next(-1);  // back to the slider, lit by the focus alone
    }
    EXPECT_EQ(button.State, 0);
    EXPECT_EQ(slider.Value, 505.0f);
    ASSERT_EQ(slider.Selected, 1);

    const int fx = slider.X + slider.Bevel + 3, fy = slider.Y + slider.Bevel + 3;  // the groove's floor
    Clear();
    slider.Draw();
    const Rgba focused = Pixel(fx, fy);
    input.Focus_Set(nullptr);
    Clear();
    slider.Draw();
    const Rgba unlit = Pixel(fx, fy);
    input.Move(170.0f, 140.0f);
    Clear();
    slider.Draw();
    const Rgba hovered = Pixel(fx, fy);
    EXPECT_NE(focused.r, unlit.r);
    EXPECT_EQ(focused.r, hovered.r);
    EXPECT_EQ(focused.g, hovered.g);
    EXPECT_EQ(focused.b, hovered.b);
}
