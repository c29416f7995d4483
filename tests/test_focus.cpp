// Input without a pointer: focus order and spatial moves, the focus light beside the pointer's hover,
// value steps, fingertip depths, and focus across a removed widget.
#include <cmath>
#include <memory>

#include "gl_fixture.h"
#include <vrtools/batch.h>
#include <vrtools/dispatch.h>

namespace {

class Focus : public GL_Test {
protected:
    template <class Widget>
    static void Place(Widget& w, int x, int y, int width, int height, int bevel = 2)
    {
        w.X = static_cast<short>(x), w.Y = static_cast<short>(y);
        w.Width = static_cast<short>(width), w.Height = static_cast<short>(height);
        w.Bevel = static_cast<short>(bevel);
        w.Init(Window());
    }

    // Three buttons 100 x 40 side by side at y = 100, 50 units between them, added in that order.
    static void Row(VR_Buttons (&b)[3], VR_Dispatchers& input)
    {
        for (int i = 0; i < 3; ++i) {
            Place(b[i], 10 + 150 * i, 100, 100, 40);
            input.Add(b[i]);
        }
    }

    // Buttons lit (hovered or focused) among `count`.
    static int Lit(const VR_Buttons* b, int count)
    {
        int lit = 0;
        for (int i = 0; i < count; ++i)
            lit += b[i].Highlight ? 1 : 0;
        return lit;
    }
};

}  // namespace

// Tab order is the order of adding, wrapping both ways; hidden and inactive widgets are passed over and
// a colour editor is visited once per slider, the focused slider lit as the pointer lights it.
TEST_F(Focus, OrderSkipsHiddenAndInactiveAndVisitsEachEditorSlider)
{
    VR_Buttons a, hidden, inactive;
    VR_Colors editor;
    VR_Valuators slider;
    Place(a, 10, 500, 100, 30);
    hidden.Flags = VR_HIDDEN;
    Place(hidden, 10, 450, 100, 30);
    inactive.Flags = VR_INACTIVE;
    Place(inactive, 10, 400, 100, 30);
    Place(editor, 10, 200, 300, 150, 3);
    slider.Value_Max = 1.0f;
    Place(slider, 10, 100, 300, 40);
    VR_Dispatchers input;
    for (VR_Buttons* b : {&a, &hidden, &inactive})
        input.Add(*b);
    input.Add(editor);
    input.Add(slider);
    EXPECT_EQ(input.Focused(), nullptr);
    EXPECT_EQ(input.Focused_Part(), -1);

    const struct {
        int step;
        const VR_Tools* widget;
        int part;
    } walk[] = {{1, &a, 0}, {1, &editor, 0},  {1, &editor, 1},  {1, &editor, 2}, {1, &slider, 0},
                {1, &a, 0}, {-1, &slider, 0}, {-7, &editor, 1}, {5, &editor, 1}};
    for (const auto& w : walk) {
        EXPECT_EQ(input.Focus_Next(w.step), 0);
        EXPECT_EQ(input.Focused(), w.widget) << w.step;
        EXPECT_EQ(input.Focused_Part(), w.part) << w.step;
    }
    EXPECT_EQ(editor.Active_Slider, &editor.Slider_2);
    EXPECT_EQ(editor.Slider_2.Selected, 1);
    EXPECT_EQ(editor.Slider_1.Selected + editor.Slider_3.Selected + slider.Selected + a.Highlight, 0);

    VR_Dispatchers empty;
    EXPECT_EQ(empty.Focus_Next(1), 0);
    EXPECT_EQ(empty.Focused(), nullptr);
}

// Arrows move to the nearest widget ahead within 45 degrees, by its rectangle; at an edge focus stays. On a
// panel whose rows are turned by 30 degrees the moves follow the turned rows, not the screen's axes.
TEST_F(Focus, SpatialMovesOnAGridAndATurnedPanel)
{
    VR_Buttons grid[9];
    VR_Dispatchers input;
    for (int i = 0; i < 9; ++i) {
        Place(grid[i], 10 + 80 * (i % 3), 400 - 50 * (i / 3), 60, 30);
        input.Add(grid[i]);
    }
    EXPECT_EQ(input.Focus_Move(1.0f, 0.0f), 0);
    ASSERT_EQ(input.Focused(), &grid[0]) << "the first move only gives focus";
    const struct {
        float dx, dy;
        int to;
    } moves[] = {{1, 0, 1}, {1, 0, 2},  {1, 0, 2},  {0, -1, 5},  {-1, 0, 4}, {0, 1, 1},
                 {0, 1, 1}, {0, -3, 4}, {0, -1, 7}, {-1, -1, 6}, {0, 1, 3},  {1, 0.2f, 4}};
    for (const auto& m : moves) {
        input.Focus_Move(m.dx, m.dy);
        EXPECT_EQ(input.Focused(), &grid[m.to])
            << m.dx << ", " << m.dy << " went to " << static_cast<VR_Buttons*>(input.Focused()) - grid;
        EXPECT_EQ(grid[m.to].Highlight, 1);
        EXPECT_EQ(Lit(grid, 9), 1);
    }
    // A wide widget below spans the line of the move: straight ahead, though its centre is far off.
    VR_Buttons wide;
    Place(wide, 10, 200, 600, 30);
    input.Add(wide);
    input.Focus_Move(-1.0f, 0.0f);
    input.Focus_Move(0.0f, -1.0f);
    ASSERT_EQ(input.Focused(), &grid[6]);
    input.Focus_Move(0.0f, -1.0f);
    EXPECT_EQ(input.Focused(), &wide);
    // A focused widget hidden meanwhile is left from where it stood: up from its middle.
    wide.Flags |= VR_HIDDEN;
    input.Focus_Move(0.0f, 1.0f);
    EXPECT_EQ(input.Focused(), &grid[8]);

    // A 3 x 3 lattice along a = (cos 30, sin 30) and b = (-sin 30, cos 30), 90 units apart.
    VR_Buttons turned[9];
    VR_Dispatchers panel;
    const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    for (int i = 0; i < 9; ++i) {
        const float u = 90.0f * static_cast<float>(i % 3 - 1), v = 90.0f * static_cast<float>(i / 3 - 1);
        Place(turned[i], static_cast<int>(std::lround(400 + u * c - v * s)) - 20,
              static_cast<int>(std::lround(300 + u * s + v * c)) - 10, 40, 20);
        panel.Add(turned[i]);
    }
    panel.Focus_Next(5);
    ASSERT_EQ(panel.Focused(), &turned[4]);
    panel.Focus_Move(c, s);
    EXPECT_EQ(panel.Focused(), &turned[5]);
    panel.Focus_Move(-s, c);
    EXPECT_EQ(panel.Focused(), &turned[8]);
    panel.Focus_Move(-c, -s);
    EXPECT_EQ(panel.Focused(), &turned[7]);
    panel.Focus_Move(s, -c);
    panel.Focus_Move(s, -c);
    EXPECT_EQ(panel.Focused(), &turned[1]);

    panel.Focus_Move(NAN, 0.0f);
    EXPECT_TRUE(Has_Message("Focus: direction not finite"));
    EXPECT_EQ(panel.Focused(), &turned[1]);
}

// Focus and the pointer's hover share one light: the pointer over a widget takes it, resting between
// widgets it leaves the focus lit, a key gives it back, and a click moves the focus.
TEST_F(Focus, FocusAndHoverLightOneWidgetAtMost)
{
    VR_Buttons b[3];
    VR_Dispatchers input;
    Row(b, input);
    input.Focus_Next(1);
    EXPECT_EQ(b[0].Highlight, 1);
    input.Move(5.0f, 5.0f);
    EXPECT_EQ(b[0].Highlight, 1) << "a pointer resting on the panel keeps the focus lit";
    input.Move(200.0f, 120.0f);
    EXPECT_EQ(b[1].Highlight, 1);
    EXPECT_EQ(Lit(b, 3), 1);
    input.Move(5.0f, 5.0f);
    EXPECT_EQ(Lit(b, 3), 0) << "the focus light comes back with a key, not with the pointer";
    input.Move(200.0f, 120.0f);
    input.Focus_Next(0);
    EXPECT_EQ(b[0].Highlight, 1);
    EXPECT_EQ(Lit(b, 3), 1);

    EXPECT_EQ(input.Press(350.0f, 120.0f), 1);
    EXPECT_EQ(input.Focused(), &b[2]);
    EXPECT_EQ(b[2].State, 1);
    EXPECT_EQ(Lit(b, 3), 1);
    input.Release(350.0f, 120.0f);
    EXPECT_EQ(input.Activate(true), 1);
    EXPECT_EQ(input.Change(0).Widget, &b[2]);
    EXPECT_EQ(b[2].State, 0);
    EXPECT_EQ(input.Activate(false), 0) << "a key coming up is no second click";
}

// The focus is shown with the pointer's own hover look: a focused button draws the same pixels as a
// hovered one, through its own Draw and through a batch, and neither looks like an unlit button.
TEST_F(Focus, FocusLightIsTheHoverLookInDrawAndBatch)
{
    if (Profile() != headless::Profile::COMPAT)
        GTEST_SKIP() << "the widgets' own Draw needs a compatibility context";
    VR_Buttons b[3];
    VR_Dispatchers input;
    Row(b, input);
    VR_Batches batch;
    batch.Add(b[1]);
    ASSERT_EQ(batch.Init(), 1);
    const auto face = [&](bool batched) {
        Clear();
        batched ? batch.Draw() : b[1].Draw();
        return Pixel(245, 105);  // the face's lower right corner, away from any caption
    };
    const Rgba unlit = face(false);
    input.Focus_Next(2);
    const Rgba focused = face(false), focused_batched = face(true);
    input.Move(210.0f, 120.0f);
    input.Focus_Set(nullptr);
    input.Move(210.0f, 120.0f);
    ASSERT_EQ(b[1].Highlight, 1);
    const Rgba hovered = face(false), hovered_batched = face(true);
    EXPECT_NE(unlit.r, focused.r);
    for (const Rgba& p : {focused_batched, hovered, hovered_batched}) {
        EXPECT_EQ(p.r, focused.r);
        EXPECT_EQ(p.g, focused.g);
        EXPECT_EQ(p.b, focused.b);
    }
}

// A key steps a slider by one entry of its table, whatever the wheel's speed, and a list by whole
// items around its end, passing over its inactive ones.
TEST_F(Focus, StepMovesSlidersByTableEntriesAndListsByItems)
{
    VR_Valuators slider;
    slider.Value_Min = 0.0f;
    slider.Value_Max = 1023.0f;
    slider.Value = 100.0f;
    slider.Scroll_Speed = 7.0f;
    Place(slider, 10, 300, 300, 40);
    VR_Selects list;
    list.Grow(4, 0);
    list.Item[1]->Flags |= VR_INACTIVE;
    list.Current = 3;
    Place(list, 10, 100, 300, 40);
    VR_Dispatchers input;
    input.Add(slider);
    input.Add(list);
    input.Focus_Next(1);
    ASSERT_EQ(input.Step(1), 1);
    EXPECT_EQ(input.Change(0).Kind, VR_CHANGE_VALUE);
    EXPECT_FLOAT_EQ(slider.Value, 101.0f);
    input.Step(-3);
    EXPECT_FLOAT_EQ(slider.Value, 98.0f);
    EXPECT_EQ(slider.Scroll_Speed, 7.0f) << "the wheel keeps its own speed";

    input.Focus_Next(1);
    ASSERT_EQ(input.Step(1), 1);
    EXPECT_EQ(list.Current, 0);
    input.Step(-2);
    EXPECT_EQ(list.Current, 2);
    EXPECT_EQ(input.Step(6), 0) << "whole turns over the three active items leave the list where it was";
    EXPECT_EQ(input.Activate(true), 1);
    EXPECT_EQ(list.Current, 3);
    input.Step(-2);
    EXPECT_EQ(list.Current, 0) << "the inactive item is passed over";
    EXPECT_EQ(list.Hit & 0x6, 0x4) << "the focused list lights its forward arrow";
}

// A fingertip presses a button when it passes the raised face (three bevels up) and lets go only once
// back above the face by the hysteresis; a tip under the panel counts as pressed. A slider follows a
// pressed tip, beyond its end too, while another finger works a button; a list steps once a poke.
TEST_F(Focus, PokePressesByDepthWithHysteresis)
{
    VR_Buttons button;
    Place(button, 10, 100, 100, 40, 2);  // face at z = 6
    VR_Valuators slider;
    slider.Value_Max = 1.0f;
    slider.Value = 0.5f;
    Place(slider, 10, 300, 300, 40, 2);  // rim at z = 2
    VR_Dispatchers input;
    input.Add(button);
    input.Add(slider);
    const float bx = 60.0f, by = 120.0f;
    const float hold = 6.0f + VR_POKE_HYSTERESIS;

    EXPECT_EQ(input.Poke(0, bx, by, 20.0f), 0);
    EXPECT_EQ(button.Highlight, 1);
    EXPECT_EQ(input.Poke(0, bx, by, 6.0f), 0) << "touching the face is no press yet";
    EXPECT_EQ(input.Poke(0, bx, by, 5.9f), 1);
    EXPECT_EQ(button.State, 1);
    EXPECT_EQ(input.Poke(0, bx, by, hold - 0.1f), 0) << "a trembling tip does not chatter";
    EXPECT_EQ(input.Poke(0, bx, by, 5.0f), 0);
    EXPECT_EQ(input.Poke(0, bx, by, hold + 0.1f), 0);
    EXPECT_EQ(input.Poke(0, bx, by, 5.9f), 1);
    EXPECT_EQ(button.State, 0);
    input.Poke(0, bx, by, 30.0f);
    EXPECT_EQ(input.Poke(0, bx, by, -4.0f), 1) << "through the panel";
    EXPECT_EQ(button.State, 1);

    // Finger 0 stays in the button while finger 1 drags the slider.
    EXPECT_EQ(input.Poke(1, 12.0f, 320.0f, 1.0f), 1);
    EXPECT_EQ(slider.Value, 0.0f);
    EXPECT_EQ(input.Poke(1, 500.0f, 500.0f, 3.0f), 1) << "the drag keeps the slider";
    EXPECT_NEAR(slider.Value, 1.0f, 1e-3);
    EXPECT_EQ(input.Poke(0, bx, by, 5.0f), 0);
    EXPECT_EQ(input.Poke(1, 160.0f, 320.0f, 2.0f + VR_POKE_HYSTERESIS + 0.1f), 0);
    EXPECT_EQ(input.Poke(1, 100.0f, 320.0f, 2.5f), 0) << "lifted: moving above the rim drags nothing";
    EXPECT_NEAR(slider.Value, 1.0f, 1e-3);
    EXPECT_EQ(button.State, 1);
    input.Poke_End(0);
    EXPECT_EQ(button.Highlight, 0);

    // A list steps once per poke on its forward arrow, however long the tip stays in.
    VR_Selects list;
    list.Grow(3, 0);
    Place(list, 10, 500, 300, 40, 2);
    input.Add(list);
    const float ax = 300.0f, ay = 520.0f;
    EXPECT_EQ(input.Poke(2, ax, ay, 1.0f), 1);
    EXPECT_EQ(input.Poke(2, ax, ay, 0.5f), 0);
    EXPECT_EQ(list.Current, 1);
    input.Poke(2, ax, ay, 10.0f);
    input.Poke(2, ax, ay, 1.0f);
    EXPECT_EQ(list.Current, 2);

    EXPECT_EQ(input.Poke(VR_FINGERS, bx, by, 0.0f), 0);
    EXPECT_TRUE(Has_Message("Poke: finger 10 outside 0 .. 9"));
    EXPECT_EQ(input.Poke(0, bx, NAN, 0.0f), 0);
    EXPECT_TRUE(Has_Message("Poke: fingertip position not finite"));
}

// Removing the focused widget hands the focus on to the next one (wrapping, lit as before); removing
// another one leaves it where it is; removing the last one leaves none.
TEST_F(Focus, RemovingTheFocusedWidgetFocusesTheNext)
{
    VR_Buttons b[3];
    VR_Dispatchers input;
    Row(b, input);
    input.Focus_Next(2);
    input.Remove(b[1]);
    EXPECT_EQ(input.Focused(), &b[2]);
    EXPECT_EQ(b[2].Highlight, 1);
    input.Remove(b[0]);
    EXPECT_EQ(input.Focused(), &b[2]);
    input.Add(b[0]);
    input.Focus_Next(1);
    ASSERT_EQ(input.Focused(), &b[0]);
    input.Remove(b[0]);
    EXPECT_EQ(input.Focused(), &b[2]) << "wraps to the first";
    EXPECT_EQ(input.Activate(true), 1);
    input.Remove(b[2]);
    EXPECT_EQ(input.Focused(), nullptr);
    EXPECT_EQ(input.Activate(true), 0);
}

// A focused widget destroyed while held is forgotten and the next one takes the focus and its light;
// one moved keeps the focus in the object it moved into.
TEST_F(Focus, DestroyedFocusedWidgetHandsTheFocusOn)
{
    VR_Buttons b[3];
    VR_Dispatchers input;
    Row(b, input);
    auto doomed = std::make_unique<VR_Buttons>();
    Place(*doomed, 10, 300, 100, 40);
    input.Add(*doomed);
    input.Focus_Next(-1);
    ASSERT_EQ(input.Focused(), doomed.get());
    doomed.reset();
    EXPECT_EQ(input.Focused(), &b[0]) << "wraps to the first";
    EXPECT_EQ(b[0].Highlight, 1);

    VR_Buttons moved = std::move(b[0]);
    EXPECT_EQ(input.Focused(), &moved);
    EXPECT_EQ(input.Activate(true), 1);
    EXPECT_EQ(moved.State, 1);
}

// A host hands the keys to a widget, or takes them away with the light; a widget it does not hold,
// or one that is inactive, takes no focus.
TEST_F(Focus, FocusSetGivesAndTakesTheFocus)
{
    VR_Buttons a, b, stranger;
    Place(a, 10, 100, 100, 40);
    b.Flags = VR_INACTIVE;
    Place(b, 160, 100, 100, 40);
    Place(stranger, 310, 100, 100, 40);
    VR_Dispatchers input;
    input.Add(a);
    input.Add(b);
    EXPECT_EQ(input.Focus_Set(&a), 1);
    EXPECT_EQ(a.Highlight, 1);
    EXPECT_EQ(input.Focus_Set(&b), 0);
    EXPECT_EQ(input.Focus_Set(&stranger), 0);
    EXPECT_EQ(input.Focused(), &a);
    EXPECT_EQ(input.Focus_Set(nullptr), 1);
    EXPECT_EQ(input.Focused(), nullptr);
    EXPECT_EQ(a.Highlight, 0);
}

// Each class the dispatcher holds is worked by its own routines: every change names the field of the
// widget it came from, a hue editor's focus lights the slider beside its swatch, a click on a colour
// editor's third slider leaves the keys there, and a vertical list lights its top (forward) arrow.
TEST_F(Focus, EachClassWorkedAndReportedByItsOwnRoutines)
{
    VR_Buttons button;
    Place(button, 10, 10, 100, 40);
    VR_Valuators slider;
    slider.Value_Max = 100.0f;
    Place(slider, 10, 60, 300, 40);
    VR_Selects list;
    list.Grow(3, 0);
    list.Flags = VR_SELECT_VERTICAL;
    Place(list, 10, 110, 60, 200);
    VR_Tabs tabs;
    tabs.Grow(3, 0);
    Place(tabs, 10, 320, 300, 40);
    VR_Colors editor;
    Place(editor, 10, 370, 300, 150, 3);
    VR_Hues hue;  // its slider ends before the middle, the swatch starts after it
    hue.Color_Value = 0x0000FF;
    Place(hue, 10, 530, 100, 40);
    VR_Dispatchers input;
    input.Add(button);
    input.Add(slider);
    input.Add(list);
    input.Add(tabs);
    input.Add(editor);
    input.Add(hue);

    const auto reported = [&input](const VR_Tools* w, int kind, double value) {
        EXPECT_EQ(input.Change(0).Widget, w);
        EXPECT_EQ(input.Change(0).Kind, kind);
        EXPECT_EQ(input.Change(0).Value, value);
    };
    ASSERT_EQ(input.Focus_Set(&button), 1);
    ASSERT_EQ(input.Activate(true), 1);
    reported(&button, VR_CHANGE_STATE, button.State);
    input.Focus_Set(&slider);
    ASSERT_EQ(input.Step(3), 1);
    reported(&slider, VR_CHANGE_VALUE, slider.Value);
    input.Focus_Set(&list);
    EXPECT_EQ(list.Hit & 0x6, 0x4);
    ASSERT_EQ(input.Step(1), 1);
    reported(&list, VR_CHANGE_CURRENT, list.Current);
    input.Focus_Set(&tabs);
    ASSERT_EQ(input.Activate(true), 1);
    reported(&tabs, VR_CHANGE_CURRENT, tabs.Current);

    input.Focus_Set(&hue);
    EXPECT_EQ(hue.Hit, 1) << "the hue slider shows the focus";
    ASSERT_EQ(input.Step(1), 1);
    reported(&hue, VR_CHANGE_COLOR, hue.Color_Value);

    const VR_Valuators& third = editor.Slider_3;
    ASSERT_EQ(
        input.Press(static_cast<float>(third.X + third.Width / 2), static_cast<float>(third.Y + third.Height / 2)), 1);
    reported(&editor, VR_CHANGE_COLOR, editor.Color_Value);
    input.Release(0.0f, 0.0f);
    EXPECT_EQ(input.Focused(), &editor);
    EXPECT_EQ(input.Focused_Part(), 2);
}
