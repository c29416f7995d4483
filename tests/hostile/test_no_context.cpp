// Pointer and value calls made while the host has no GL context current (a scene graph's event
// handlers between frames): the values change, the widgets stay drawable, lint mode says so once.
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/color.h>
#include <vrtools/dispatch.h>
#include <vrtools/hue.h>
#include <vrtools/setup.h>
#include <vrtools/tabs.h>

#include "hostile.h"

namespace {

class NoContext : public GL_Test {
protected:
    void TearDown() override
    {
        VR_Tools_Lint_Set(false);
        GL_Test::TearDown();
    }

    template <class Widget>
    static void Place(Widget& w, const char* name, short x, short y, short width, short height)
    {
        w.Name = name;
        w.X = x, w.Y = y, w.Width = width, w.Height = height, w.Bevel = 3;
        w.Init(Window());
    }

    // Pixels of the rectangle that are not the cleared black.
    int Drawn(const VR_Tools& w) const
    {
        const int area = w.Width * w.Height;
        return area - Count_Pixels(w.X, w.Y, w.X + w.Width, w.Y + w.Height, Rgba{0, 0, 0, 0}, 0);
    }

    // The colour buffer holds what the colour array says: no hover colour was lost on the way.
    void Expect_Colors_Uploaded(const VR_Tools& w) const
    {
        ASSERT_NE(w.Color_VBO, 0u);
        const std::vector<unsigned int> words(w.Color_Array, w.Color_Array + 4 * w.Quad_Count);
        EXPECT_EQ(Buffer_Read<unsigned int>(w.Color_VBO), words);
    }

    int Lint_Count() const
    {
        int n = 0;
        for (const Captured_Message& m : Messages())
            n += m.utf8.find("no GL context current") != std::string::npos;
        return n;
    }
};

}  // namespace

// A click through the dispatcher, a hover, a slider drag and a tab click, all without a context:
// every widget keeps its buffers, shows its new value at the next Draw, and lint mode names each
// widget once.
TEST_F(NoContext, DispatcherCallsKeepEveryWidgetDrawn)
{
    VR_Buttons button;
    VR_Valuators slider;
    VR_Boxs box;
    VR_Tabs bar;
    slider.Value_Max = 1.0f;
    Place(button, "Press", 20, 20, 160, 60);
    Place(slider, "Level", 20, 120, 300, 40);
    Place(box, "Tray", 20, 200, 160, 60);
    ASSERT_EQ(bar.Grow(2, 0), 1);
    bar.Item[0]->Name = "One";
    bar.Item[1]->Name = "Two";
    Place(bar, "Bar", 20, 300, 300, 40);
    VR_Dispatchers input;
    input.Add(button);
    input.Add(slider);
    input.Add(box);
    input.Add(bar);
    VR_Tools_Lint_Set(true);
    Messages_Clear();
    {
        No_Context none;
        input.Move(100.0f, 50.0f);
        input.Press(100.0f, 50.0f);
        input.Release(100.0f, 50.0f);
        input.Press(30.0f, 140.0f);
        input.Move(300.0f, 140.0f);
        input.Release(300.0f, 140.0f);
        input.Move(100.0f, 230.0f);
        input.Press(250.0f, 320.0f);
        input.Release(250.0f, 320.0f);
    }
    EXPECT_EQ(button.State, 1);
    EXPECT_GT(slider.Value, 0.8f);
    EXPECT_EQ(bar.Current, 1);
    EXPECT_EQ(Lint_Count(), 4) << Messages_Text();

    Clear();
    button.Draw();
    slider.Draw();
    box.Draw();
    bar.Draw();
    EXPECT_GT(Drawn(button), button.Width * button.Height / 2);
    EXPECT_GT(Drawn(slider), slider.Width * slider.Height / 2);
    EXPECT_GT(Drawn(box), box.Width * box.Height / 2);
    Expect_Colors_Uploaded(button);
    Expect_Colors_Uploaded(slider);
    Expect_Colors_Uploaded(box);
    Expect_Colors_Uploaded(*bar.Item[1]);
    EXPECT_EQ(Lint_Count(), 4) << "a Draw with the context current is no misuse";
}

// The batch's Draw does the work a widget's own Draw would have done: a click, and a State the
// host wrote and applied with Adjust.
TEST_F(NoContext, BatchDrawCatchesUp)
{
    VR_Buttons clicked, adjusted;
    Place(clicked, "Press", 20, 20, 160, 60);
    Place(adjusted, "Set", 20, 120, 160, 60);
    VR_Batches batch;
    ASSERT_EQ(batch.Init(), 1);
    batch.Add(clicked);
    batch.Add(adjusted);
    batch.Draw();
    {
        No_Context none;
        EXPECT_EQ(clicked.Click(100.0f, 50.0f), 1);
        adjusted.State = 1;
        adjusted.Adjust();
    }
    Clear();
    batch.Draw();
    for (VR_Buttons* b : {&clicked, &adjusted}) {
        EXPECT_GT(Drawn(*b), b->Width * b->Height / 2);
        EXPECT_EQ(b->Built_State, 1);
        // Batched, the button holds no buffers: its own Draw sends up the colours its arrays hold.
        EXPECT_TRUE(b->Status & VR_STATUS_UNLOADED);
        b->Draw();
        Expect_Colors_Uploaded(*b);
    }
}

// A colour editor rebuilds its swatch on every change and itself on a model switch: both wait.
TEST_F(NoContext, ColourEditorDragAndSwitchWait)
{
    VR_Colors editor;
    editor.Color_Value = 0x2080C0;
    Place(editor, "Colour", 20, 20, 400, 200);
    const VR_Boxs& swatch = editor.Swatch;
    const VR_Valuators* sliders[] = {&editor.Slider_1, &editor.Slider_2, &editor.Slider_3};
    const float rx = sliders[0]->X + sliders[0]->Width * 0.9f, ry = sliders[0]->Y + sliders[0]->Height / 2.0f;
    {
        No_Context none;
        EXPECT_EQ(editor.Drag(rx, ry), 1);
        editor.Deselect();
    }
    const unsigned int chosen = editor.Color_Value;
    Clear();
    editor.Draw();
    ASSERT_NE(swatch.Vertex_VBO, 0u);
    EXPECT_GT(Drawn(swatch), swatch.Width * swatch.Height / 2);
    EXPECT_EQ(swatch.Color_Get(), chosen & 0xFFFFFFu);

    {
        No_Context none;
        editor.Select(1, swatch.X + swatch.Width / 2.0f, swatch.Y + swatch.Height / 2.0f);
    }
    EXPECT_TRUE(editor.Flags & VR_COLOR_HLS);
    Clear();
    editor.Draw();
    for (const VR_Valuators* s : sliders) {
        ASSERT_NE(s->Vertex_VBO, 0u);
        EXPECT_GT(Drawn(*s), s->Width * s->Height / 2);
    }
    EXPECT_EQ(editor.Color_Value, chosen);
}

// Every interactive widget driven by one pointer script, with the context current and without: the
// next frames are the same picture.
TEST_F(NoContext, SamePictureAsWithAContext)
{
    struct Scene {
        VR_Buttons button;
        VR_Valuators slider;
        VR_Tabs bar;
        VR_Colors editor;
        VR_Hues hue;
        VR_Dispatchers input;
    };
    auto script = [](Scene& s) {
        const float path[][2] = {{60, 40}, {200, 110}, {300, 110}, {250, 170}, {120, 260}, {380, 300}, {120, 460}};
        for (const auto& p : path) {
            s.input.Move(p[0], p[1]);
            s.input.Press(p[0], p[1]);
            s.input.Move(p[0] + 15.0f, p[1]);
            s.input.Release(p[0] + 15.0f, p[1]);
            s.input.Wheel(p[0], p[1], 1.0f);
        }
    };
    std::vector<unsigned char> frames[2];
    for (int pass = 0; pass < 2; ++pass) {
        Scene s;
        s.slider.Value_Max = 1.0f;
        s.editor.Color_Value = 0x2080C0;
        s.hue.Color_Value = 0x40C020;
        ASSERT_EQ(s.bar.Grow(2, 0), 1);
        s.bar.Item[0]->Name = "One";
        s.bar.Item[1]->Name = "Two";
        Place(s.button, "Press", 20, 20, 100, 40);
        Place(s.slider, "Level", 140, 90, 300, 40);
        Place(s.bar, "Bar", 140, 150, 200, 40);
        Place(s.editor, "Colour", 20, 210, 400, 200);
        Place(s.hue, "Hue", 20, 430, 400, 80);
        s.input.Add(s.button);
        s.input.Add(s.slider);
        s.input.Add(s.bar);
        s.input.Add(s.editor);
        s.input.Add(s.hue);
        if (pass == 0) {
            script(s);
        } else {
            No_Context none;
            script(s);
        }
        Clear();
        s.button.Draw();
        s.slider.Draw();
        s.bar.Draw();
        s.editor.Draw();
        s.hue.Draw();
        frames[pass] = Frame_Bytes();
        Save_Png(pass == 0 ? "script_with_context" : "script_without_context");
    }
    EXPECT_TRUE(frames[0] == frames[1]);
}
