// The scene's three panels: controls (buttons with lamps, sliders, a busy bar), tabbed settings with a
// list per tab, and a colour editor that recolours the sphere.
//
// [SECTION] Shared set-up
// [SECTION] Controls
// [SECTION] Settings
// [SECTION] Colour
// [SECTION] Panel: pointer, placement, drawing
// [SECTION] The three panels
#include <GL/glew.h>

#include <array>
#include <cmath>

#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

#include "scene.h"

namespace {

constexpr float BACKING_GAP = 10.0f;  // scene units between the backing's face and z = 0

// [SECTION] Shared set-up

// Placement, bevel and the scene's font for any widget; colours are packed (red in the low byte).
template <class Widget>
Widget& Set(Widget& w, int x, int y, int width, int height, int bevel, const char* name = nullptr)
{
    w.X = static_cast<short>(x);
    w.Y = static_cast<short>(y);
    w.Width = static_cast<short>(width);
    w.Height = static_cast<short>(height);
    w.Bevel = static_cast<short>(bevel);
    w.Name = name;
    w.Font_Name = SCENE_FONT;
    w.Font_Size = SCENE_FONT_SIZE;
    return w;
}

// A panel's backing slab, `width` x `height` in `colour`, with a bold title in its upper left corner.
void Board(Panel& panel, VR_Labels& title, HWND window, int width, int height, unsigned int colour, const char* text)
{
    Set(panel.Backing, 0, 0, width, height, 4).Depth = 14;
    panel.Backing.Color_Set(colour);
    panel.Backing.Init(window);
    Set(title, 14, height - 40, width - 40, 30, 2, text);
    title.Font_Style = "Bold";
    title.Font_Size = 20;
    title.Color_Set(0x302820u);
    title.Init(window);
}

// [SECTION] Controls

// Buttons with lamps, two sliders with read-outs and a busy bar on a grey console.
class Controls : public Panel {
public:
    void Init(HWND window) override
    {
        Board(*this, title, window, 520, 390, 0xC8BEB4u, "Controls");
        static const char* const names[3] = {"Pump", "Fan", "Heater"};
        for (int i = 0; i < 3; ++i) {
            VR_Buttons& b = buttons[i];
            Set(b, 20 + i * 165, 262, 150, 70, 10, names[i]);
            b.Color_Set(0xC0A890u);
            b.Flags = VR_BUTTON_LAMP | VR_TEXT_VCENTER;
            // The middle one stands up: the pressed ones beside it show how deep a face sinks.
            b.State = b.Lamp = i != 1;
            b.Init(window);
            Input.Add(b);
        }
        struct Slider {
            const char* name;
            unsigned int flags;
            float lo, hi, value;
            const char* format;
        };
        const Slider sliders_made[2] = {{"Flow", 0, 0.0f, 20.0f, 12.5f, "%.1f l/s"},
                                        {"Speed", VR_VALUATOR_LOG10, 10.0f, 10000.0f, 1500.0f, "%.0f rpm"}};
        for (int i = 0; i < 2; ++i) {
            VR_Valuators& v = sliders[i];
            Set(v, 20, 178 - i * 80, 480, 52, 5, sliders_made[i].name);
            v.Flags = sliders_made[i].flags | VR_TEXT_VCENTER;
            v.Value_Min = sliders_made[i].lo;
            v.Value_Max = sliders_made[i].hi;
            v.Value = sliders_made[i].value;
            v.Format = sliders_made[i].format;
            v.Color_Set(i == 0 ? 0xE0C8A0u : 0xA0D8C8u);
            v.Init(window);
            Input.Add(v);
        }
        Set(busy, 20, 22, 480, 36, 4);
        busy.Init(window);
    }

    void Draw() override
    {
        title.Draw();
        for (VR_Buttons& b : buttons)
            b.Draw();
        for (VR_Valuators& v : sliders)
            v.Draw();
        busy.Draw();
    }

    void Widgets(VR_Batches& batch) override
    {
        batch.Add(title);
        for (VR_Buttons& b : buttons)
            batch.Add(b);
        for (VR_Valuators& v : sliders)
            batch.Add(v);
        batch.Add(busy);
    }

protected:
    // The host gives a click its meaning: the lamp follows the button's state.
    void Changed(const VR_Changes& change) override
    {
        for (VR_Buttons& b : buttons)
            if (change.Widget == &b)
                b.Lamp = b.State;
    }

private:
    VR_Labels title;
    std::array<VR_Buttons, 3> buttons;
    std::array<VR_Valuators, 2> sliders;
    VR_Progress busy;
};

// [SECTION] Settings

// A tab bar over one page per tab: a heading and a spinner list of choices.
class Settings : public Panel {
public:
    void Init(HWND window) override
    {
        Board(*this, title, window, 480, 330, 0xD8D0C4u, "Settings");
        static const char* const tab_names[PAGES] = {"Display", "Sound", "Controls"};
        static const char* const headings[PAGES] = {"Resolution", "Volume", "Pointer"};
        static const std::array<const char*, 4> choices[PAGES] = {
            {"1280 x 720", "1920 x 1080", "2560 x 1440", "3840 x 2160"},
            {"Off", "Quiet", "Normal", "Loud"},
            {"Mouse", "Gamepad", "Tracked hands", "Gaze"}};
        static const unsigned int colours[PAGES] = {0xF0D8B0, 0xC0E8C0, 0xF0C8D8};
        Set(tabs, 12, 226, 456, 48, 4);
        tabs.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER;
        tabs.Grow(PAGES, 0);
        for (int i = 0; i < PAGES; ++i) {
            tabs.Item[i]->Name = tab_names[i];
            tabs.Item[i]->Color_Set(colours[i]);
        }
        tabs.Init(window);
        Input.Add(tabs);
        for (int p = 0; p < PAGES; ++p) {
            Set(headings_shown[p], 40, 160, 400, 30, 2, headings[p]);
            headings_shown[p].Color_Set(0x302820u);
            headings_shown[p].Init(window);
            VR_Selects& list = lists[p];
            Set(list, 40, 80, 400, 64, 3);
            list.Grow(4, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
            for (int i = 0; i < 4; ++i) {
                Set(*list.Item[i], 0, 0, 0, 0, 3, choices[p][i]);
                list.Item[i]->Color_Set(colours[p]);
            }
            list.Current = 1;
            list.Init(window);
        }
        Page_Show();
        Set(hint, 40, 20, 400, 40, 2, "Arrows or wheel change the choice");
        hint.Font_Size = 13;
        hint.Color_Set(0x504840u);
        hint.Init(window);
    }

    void Draw() override
    {
        title.Draw();
        tabs.Draw();
        for (int p = 0; p < PAGES; ++p) {
            headings_shown[p].Draw();
            lists[p].Draw();
        }
        hint.Draw();
    }

    void Widgets(VR_Batches& batch) override
    {
        batch.Add(title);
        batch.Add(tabs);
        for (int p = 0; p < PAGES; ++p) {
            batch.Add(headings_shown[p]);
            batch.Add(lists[p]);
        }
        batch.Add(hint);
    }

protected:
    void Changed(const VR_Changes& change) override
    {
        if (change.Widget == &tabs)
            Page_Show();
    }

private:
    // Only the page of the current tab is shown and takes the pointer: the pages share one place.
    void Page_Show()
    {
        for (int p = 0; p < PAGES; ++p) {
            const unsigned int hidden = p == tabs.Current ? 0u : static_cast<unsigned int>(VR_HIDDEN);
            headings_shown[p].Flags = (headings_shown[p].Flags & ~VR_HIDDEN) | hidden;
            lists[p].Flags = (lists[p].Flags & ~VR_HIDDEN) | hidden;
            Input.Remove(lists[p]);
        }
        Input.Add(lists[tabs.Current]);
    }

    static constexpr int PAGES = 3;
    VR_Labels title, hint;
    VR_Tabs tabs;
    std::array<VR_Labels, PAGES> headings_shown;
    std::array<VR_Selects, PAGES> lists;
};

// [SECTION] Colour

// An RGB colour editor wired to the sphere.
class Colour : public Panel {
public:
    void Init(HWND window) override
    {
        Board(*this, title, window, 420, 250, 0xB8C4C8u, "Sphere colour");
        Set(editor, 14, 14, 392, 180, 4);
        editor.Color_Value = Sphere_Color;
        editor.Init(window);
        Input.Add(editor);
    }

    void Draw() override
    {
        title.Draw();
        editor.Draw();
    }

    void Widgets(VR_Batches& batch) override
    {
        batch.Add(title);
        batch.Add(editor);
    }

protected:
    void Changed(const VR_Changes& change) override
    {
        if (change.Widget == &editor)
            Sphere_Color = editor.Color_Value;
    }

private:
    VR_Labels title;
    VR_Colors editor;
};

}  // namespace

// [SECTION] Panel: pointer, placement, drawing

void Panel::Pointer(float x, float y)
{
    React(Input.Move(x, y));
}
void Panel::Press(float x, float y)
{
    React(Input.Press(x, y));
}
void Panel::Release(float x, float y)
{
    React(Input.Release(x, y));
}
void Panel::Wheel(float x, float y, float amount)
{
    React(Input.Wheel(x, y, amount));
}

void Panel::Leave()
{
    // Far outside every widget: each hover test fails and drops its highlight.
    if (!Input.Captured())
        Input.Move(-30000.0f, -30000.0f);
}

void Panel::Focus_Move(float dx, float dy)
{
    React(Input.Focus_Move(dx, dy));
}
void Panel::Activate(bool down)
{
    React(Input.Activate(down));
}
void Panel::Step(int n)
{
    React(Input.Step(n));
}
void Panel::Focus_Drop()
{
    Input.Focus_Set(nullptr);
}
void Panel::Poke(float x, float y, float z)
{
    React(Input.Poke(0, x, y, z));
}
void Panel::Poke_End()
{
    Input.Poke_End(0);
}

bool Panel::Focus_Next(int step)
{
    // Where the focus stands in the order of adding, colour editors' sliders counted apart.
    const auto place = [this]() {
        for (int i = 0; i < Input.Count(); ++i)
            if (Input.Widget(i) == Input.Focused())
                return 4 * i + Input.Focused_Part();
        return -1;
    };
    const int before = place();
    React(Input.Focus_Next(step));
    const int after = place();
    if (before >= 0 && after >= 0 && (step > 0 ? after > before : after < before))
        return true;
    if (before < 0 && after >= 0)
        return true;
    Input.Focus_Set(nullptr);
    return false;
}

void Panel::React(int changes)
{
    for (int i = 0; i < changes; ++i)
        Changed(Input.Change(i));
}

void Panel::Place(float x, float y, float z, float yaw, float tilt)
{
    const Matrix model = Translation(x, y, z) * Rotation(yaw, 0.0f, 1.0f, 0.0f) * Rotation(-tilt, 1.0f, 0.0f, 0.0f) *
                         Scaling(SCENE_UNIT) * Translation(-0.5f * Backing.Width, -0.5f * Backing.Height, 0.0f);
    for (int i = 0; i < 16; ++i)
        Model[i] = model.m[i];
    Centre[0] = x, Centre[1] = y, Centre[2] = z;
}

void Panel::Batch_Make(bool sharp)
{
    backing_batch = std::make_unique<VR_Batches>();
    backing_batch->Add(Backing);
    backing_batch->Sharp_Text_Set(sharp);
    backing_batch->Init();
    widget_batch = std::make_unique<VR_Batches>();
    Widgets(*widget_batch);
    widget_batch->Sharp_Text_Set(sharp);
    widget_batch->Init();
}

void Panel::Draw_Placed()
{
    glPushMatrix();
    glMultMatrixf(Model);
    // The slab stands a little behind the widgets' plane: tabs other than the current one recede
    // behind z = 0 and would vanish inside it.
    glTranslatef(0.0f, 0.0f, -BACKING_GAP);
    if (backing_batch)
        backing_batch->Draw();
    else
        Backing.Draw();
    glTranslatef(0.0f, 0.0f, BACKING_GAP);
    if (widget_batch)
        widget_batch->Draw();
    else
        Draw();
    glPopMatrix();
}

void Panel::Draw_Batched(const Matrix& projection, const Matrix& view)
{
    Matrix model;
    for (int i = 0; i < 16; ++i)
        model.m[i] = Model[i];
    const Matrix widgets = view * model, backing = widgets * Translation(0.0f, 0.0f, -BACKING_GAP);
    float light[3];
    for (int r = 0; r < 3; ++r)
        light[r] =
            view.m[r] * Widget_Light()[0] + view.m[4 + r] * Widget_Light()[1] + view.m[8 + r] * Widget_Light()[2];
    backing_batch->Draw(projection.m, backing.m, light, Widget_Light_Color(), Widget_Ambient());
    widget_batch->Draw(projection.m, widgets.m, light, Widget_Light_Color(), Widget_Ambient());
}

// [SECTION] The three panels

std::vector<std::unique_ptr<Panel>> Panels_Make(HWND window)
{
    std::vector<std::unique_ptr<Panel>> panels;
    panels.emplace_back(new Controls);
    panels.emplace_back(new Settings);
    panels.emplace_back(new Colour);
    for (auto& p : panels)
        p->Init(window);
    // Left and near, leaning back like a desk; far in the middle, upright; right, turned to the viewer.
    panels[0]->Place(-1.25f, 0.95f, 0.3f, 32.0f, 25.0f);
    panels[1]->Place(-0.2f, 1.5f, -1.7f, -8.0f, 0.0f);
    panels[2]->Place(1.75f, 1.05f, 0.0f, -45.0f, 10.0f);
    return panels;
}
