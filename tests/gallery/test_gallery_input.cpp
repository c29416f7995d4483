// The gallery's scenes driven through its pointer dispatcher: clicks, drags with capture, wheel turns,
// and what each event reports as changed.
#include "gallery.h"
#include "gl_fixture.h"
#include <vrtools/setup.h>

namespace {

class Gallery_Input : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        gallery.Init(Window());
    }

    template <class T>
    T& Widget(const char* scene, std::size_t i)
    {
        const std::vector<VR_Tools*> w = gallery.Widgets(scene);
        EXPECT_LT(i, w.size()) << scene;
        return *static_cast<T*>(w.at(i));
    }

    static float Mid_X(const VR_Tools& w) { return w.X + w.Width / 2.0f; }
    static float Mid_Y(const VR_Tools& w) { return w.Y + w.Height / 2.0f; }

    // The one change the last event reported.
    void Expect_Change(int count, const VR_Tools& widget, int kind, double value)
    {
        ASSERT_EQ(count, 1);
        EXPECT_EQ(gallery.Last(0).Widget, &widget);
        EXPECT_EQ(gallery.Last(0).Kind, kind);
        EXPECT_DOUBLE_EQ(gallery.Last(0).Value, value);
    }

    Gallery gallery;
};

}  // namespace

// A click toggles a button and is reported once; the scene gives it its meaning (the lamp follows).
// A press where no widget is changes nothing.
TEST_F(Gallery_Input, ButtonClickTogglesAndScenesHearIt)
{
    auto& lamp = Widget<VR_Buttons>("Buttons", 3);
    ASSERT_EQ(lamp.State, 0);
    Expect_Change(gallery.Press(Mid_X(lamp), Mid_Y(lamp)), lamp, VR_CHANGE_STATE, 1.0);
    EXPECT_EQ(lamp.Lamp, 1);
    gallery.Release(Mid_X(lamp), Mid_Y(lamp));
    Expect_Change(gallery.Press(Mid_X(lamp), Mid_Y(lamp)), lamp, VR_CHANGE_STATE, 0.0);
    EXPECT_EQ(lamp.Lamp, 0);
    EXPECT_EQ(gallery.Press(1.0f, 1.0f), 0);
}

// A press on a slider captures it: moves anywhere drag it (to its ends beyond them) without hovering
// anything else, until the release hands the pointer back to every widget.
TEST_F(Gallery_Input, SliderDragKeepsCaptureUntilRelease)
{
    auto& slider = Widget<VR_Valuators>("Valuators", 0);
    auto& other = Widget<VR_Valuators>("Valuators", 1);
    const float y = Mid_Y(slider);
    Expect_Change(gallery.Press(static_cast<float>(slider.X + slider.Bevel), y), slider, VR_CHANGE_VALUE,
                  slider.Value_Min);
    EXPECT_EQ(gallery.Captured(), &slider);

    const int moved = gallery.Move(slider.X + slider.Width + 300.0f, Mid_Y(other));
    Expect_Change(moved, slider, VR_CHANGE_VALUE, slider.Value);
    EXPECT_NEAR(slider.Value, slider.Value_Max, 1e-3);
    EXPECT_EQ(other.Selected, 0) << "hovered during another slider's drag";
    EXPECT_EQ(gallery.Move(slider.X + slider.Width + 400.0f, y), 0) << "no change past the end";

    EXPECT_EQ(gallery.Release(Mid_X(other), Mid_Y(other)), 0);
    EXPECT_EQ(gallery.Captured(), nullptr);
    EXPECT_EQ(other.Selected, 1);
    const float kept = slider.Value;
    EXPECT_EQ(gallery.Move(Mid_X(slider), y), 0);
    EXPECT_EQ(slider.Value, kept);

    // An inactive slider neither drags nor turns, even while hovered: its Read and Scroll answer 0,
    // which is no value.
    ASSERT_EQ(slider.Selected, 1);
    slider.Flags |= VR_INACTIVE;
    EXPECT_EQ(slider.Drag(Mid_X(slider) + 20.0f, y), 0);
    EXPECT_EQ(gallery.Press(Mid_X(slider), y), 0);
    EXPECT_EQ(gallery.Wheel(Mid_X(slider), y, 3.0f), 0);
    EXPECT_EQ(slider.Value, kept);
    EXPECT_EQ(gallery.Captured(), nullptr);
}

// Arrows and the wheel step a list, skipping its inactive item; a click or the wheel over a tab makes
// it the bar's Current, wrapping around at the ends.
TEST_F(Gallery_Input, ListsAndTabBarsStepCurrent)
{
    auto& list = Widget<VR_Selects>("Selection lists", 0);
    ASSERT_EQ(list.Current, 2);
    const float y = Mid_Y(list);
    Expect_Change(gallery.Press(list.X + list.Width - list.Height / 2.0f, y), list, VR_CHANGE_CURRENT, 3.0);
    Expect_Change(gallery.Press(list.X + list.Height / 2.0f, y), list, VR_CHANGE_CURRENT, 2.0);
    // Back from 2: the inactive item 1 is passed over, then the list wraps to its end.
    Expect_Change(gallery.Wheel(Mid_X(list), y, -1.0f), list, VR_CHANGE_CURRENT, 0.0);
    Expect_Change(gallery.Wheel(Mid_X(list), y, -1.0f), list, VR_CHANGE_CURRENT, 4.0);

    auto& bar = Widget<VR_Tabs>("Tab bars", 0);
    ASSERT_EQ(bar.Current, 1);
    VR_TabItems& last = *bar.Item[3];
    Expect_Change(gallery.Press(Mid_X(last), Mid_Y(last)), bar, VR_CHANGE_CURRENT, 3.0);
    EXPECT_EQ(gallery.Press(Mid_X(last), Mid_Y(last)), 0) << "the current tab again";
    Expect_Change(gallery.Wheel(Mid_X(last), Mid_Y(last), 1.0f), bar, VR_CHANGE_CURRENT, 0.0);
    Expect_Change(gallery.Wheel(Mid_X(last), Mid_Y(last), -2.0f), bar, VR_CHANGE_CURRENT, 2.0);
}

// Dragging a colour slider reports the editor's new packed colour; a click on the swatch switches the
// model and changes no colour.
TEST_F(Gallery_Input, ColourEditorDragAndSwatchClick)
{
    auto& rgb = Widget<VR_Colors>("Colour editors", 0);
    const VR_Valuators& red = rgb.Slider_1;
    const unsigned int before = rgb.Color_Value;
    int n = gallery.Press(static_cast<float>(red.X + red.Bevel), Mid_Y(red));
    EXPECT_EQ(gallery.Captured(), &rgb);
    EXPECT_EQ(rgb.Color_Value & 0xFFu, 0u);
    Expect_Change(n, rgb, VR_CHANGE_COLOR, rgb.Color_Value);
    n = gallery.Move(red.X + red.Width + 50.0f, 0.0f);
    Expect_Change(n, rgb, VR_CHANGE_COLOR, rgb.Color_Value);
    EXPECT_EQ(rgb.Color_Value, (before & 0xFFFF00u) | 0xFCu);
    gallery.Release(0.0f, 0.0f);

    const unsigned int model = rgb.Flags & VR_COLOR_HLS;
    EXPECT_EQ(gallery.Press(Mid_X(rgb.Swatch), Mid_Y(rgb.Swatch)), 0);
    EXPECT_NE(rgb.Flags & VR_COLOR_HLS, model);
    EXPECT_EQ(gallery.Captured(), nullptr);
}

// The gallery is the reference host: built and drawn under the lint mode it gives one warning only,
// for the label that shows a font falling back on purpose.
TEST_F(Gallery_Input, GalleryWarnsOnlyForItsDeliberateFallback)
{
    Gallery linted;
    VR_Tools_Lint_Set(true);
    linted.Init(Window());
    linted.Draw();
    linted.Draw();
    VR_Tools_Lint_Set(false);
    std::vector<std::string> lints;
    for (const Captured_Message& m : Messages())
        if (m.utf8.rfind("Lint: ", 0) == 0)
            lints.push_back(m.utf8);
    ASSERT_EQ(lints.size(), 1u) << Messages_Text();
    EXPECT_NE(lints[0].find("Lint: font \"No Such Font Family\""), std::string::npos) << lints[0];
}
