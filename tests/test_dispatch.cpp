// Pointer dispatcher bookkeeping: adding twice, removing widgets around and during a drag.
#include "gl_fixture.h"
#include <vrtools/dispatch.h>

namespace {

class Dispatch : public GL_Test {
protected:
    template <class Widget>
    static void Place(Widget& w, short y)
    {
        w.X = 10, w.Y = y, w.Width = 200, w.Height = 40, w.Bevel = 2;
        w.Init(Window());
    }
};

}  // namespace

// The drag survives the removal of other widgets (indices shift under it) and ends with the removal
// of its own; a widget added twice is held once, and a removed one no longer hears the pointer.
TEST_F(Dispatch, RemovalKeepsOrEndsTheDrag)
{
    VR_Buttons first;
    VR_Valuators slider, last;
    Place(first, 100);
    slider.Value_Max = 1.0f;
    last.Value_Max = 1.0f;
    Place(slider, 10);
    Place(last, 200);
    VR_Dispatchers input;
    input.Add(first);
    input.Add(slider);
    input.Add(slider);
    input.Add(last);
    ASSERT_EQ(input.Count(), 3);

    EXPECT_EQ(input.Press(15.0f, 30.0f), 1);
    ASSERT_EQ(input.Captured(), &slider);
    input.Remove(first);
    EXPECT_EQ(input.Captured(), &slider);
    EXPECT_EQ(input.Move(205.0f, 30.0f), 1);
    EXPECT_EQ(input.Change(0).Widget, &slider);
    EXPECT_EQ(input.Change(1).Widget, nullptr);
    input.Remove(slider);
    EXPECT_EQ(input.Captured(), nullptr);
    EXPECT_EQ(input.Count(), 1);
    EXPECT_EQ(input.Widget(0), &last);

    const float kept = slider.Value;
    EXPECT_EQ(input.Press(100.0f, 30.0f), 0);
    EXPECT_EQ(slider.Value, kept);
    EXPECT_EQ(input.Press(15.0f, 120.0f), 0) << "the removed button still clicks";
    EXPECT_EQ(first.State, 0);
}

// A release the host never saw (the pointer left the window with the button down) must not let the
// old drag outlive the next press: the press starts a drag where it lands, or none.
TEST_F(Dispatch, PressAfterALostReleaseTakesTheNewDrag)
{
    VR_Valuators left, right;
    left.Value_Max = right.Value_Max = 1.0f;
    Place(left, 10);
    Place(right, 100);
    VR_Dispatchers input;
    input.Add(left);
    input.Add(right);

    ASSERT_EQ(input.Press(15.0f, 30.0f), 1);
    ASSERT_EQ(input.Captured(), &left);
    EXPECT_EQ(input.Press(15.0f, 120.0f), 1);
    EXPECT_EQ(input.Captured(), &right);
    const float held = left.Value;
    EXPECT_EQ(input.Move(205.0f, 120.0f), 1);
    EXPECT_EQ(input.Change(0).Widget, &right);
    EXPECT_EQ(left.Value, held);

    EXPECT_EQ(input.Press(500.0f, 500.0f), 0);  // a press on nothing ends the drag
    EXPECT_EQ(input.Captured(), nullptr);
    EXPECT_EQ(input.Move(15.0f, 120.0f), 0);
}
