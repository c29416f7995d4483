// Stateful differential fuzzing of the batch: the input is decoded into host actions on a few
// widgets that one batch holds (moves, values, hover, clicks, button states, a hue editor's colour,
// a frame's depth, a tab bar's and a list's current item, hiding, re-Inits with new places, sizes,
// colours, captions and formats, the text mode and its outline, every widget added again, a widget
// added late, views straight, panned far away, turned and in perspective), the batch drawing after
// some of them. At each check, and after the last action, the batch's frame must equal the frame
// of a new batch of the same widgets laid out from scratch: whatever the batch keeps from frame to
// frame (looks and their signatures, the live parts' rooms, twin marks, spill counts, the visible
// set, atlas cells, glyph rooms) must come to what the widgets are now, however they got there.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "batch_view.h"
#include "fuzz_gl.h"
#include <vrtools/batch.h>

namespace {

const HWND WINDOW = reinterpret_cast<HWND>(0x1);
constexpr int MAX_ACTIONS = 48;
constexpr int LABELS = 2, BUTTONS = 2, SLIDERS = 2;

const char* const CAPTIONS[] = {"Row",
                                "Press",
                                "Gain 12",
                                "",
                                "Wide caption here",
                                "ij",
                                "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85",
                                "\xe6\xbc\xa2\xe5\xad\x97"};
const char* const FORMATS[] = {"%.1f", "%.2f", "%.0f", "%.9f", "%g", "%6.1f V"};

// The widgets, made and initialised afresh for each input (the batch holds them by address): a
// backing frame behind two rows of a label, a button and a slider, a box, a hue editor, a tab bar
// and a list; the captions in Latin, Arabic (joined, right to left) and Han (a fallback font).
struct Panel {
    VR_Frames frame;
    VR_Labels labels[LABELS];
    VR_Buttons buttons[BUTTONS];
    VR_Valuators sliders[SLIDERS];
    VR_Boxs box;
    VR_Hues hue;
    VR_Tabs tabs;
    VR_Selects list;
    // A label the host adds to the batch later, if ever.
    VR_Labels late;
    bool late_added = false;

    enum {
        FRAME = 0,
        FIRST_LABEL = 1,
        FIRST_BUTTON = FIRST_LABEL + LABELS,
        FIRST_SLIDER = FIRST_BUTTON + BUTTONS,
        BOX = FIRST_SLIDER + SLIDERS,
        HUE,
        TABS,
        LIST,
        COUNT
    };

    VR_Tools& Tool(int k)
    {
        if (k == FRAME)
            return frame;
        if (k < FIRST_BUTTON)
            return labels[k - FIRST_LABEL];
        if (k < FIRST_SLIDER)
            return buttons[k - FIRST_BUTTON];
        if (k < BOX)
            return sliders[k - FIRST_SLIDER];
        if (k == BOX)
            return box;
        if (k == HUE)
            return hue;
        if (k == TABS)
            return tabs;
        return list;
    }

    // Widget `k` built again from its fields.
    void Init(int k)
    {
        if (k == FRAME)
            frame.Init(WINDOW);
        else if (k < FIRST_BUTTON)
            labels[k - FIRST_LABEL].Init(WINDOW);
        else if (k < FIRST_SLIDER)
            buttons[k - FIRST_BUTTON].Init(WINDOW);
        else if (k < BOX)
            sliders[k - FIRST_SLIDER].Init(WINDOW);
        else if (k == BOX)
            box.Init(WINDOW);
        else if (k == HUE)
            hue.Init(WINDOW);
        else if (k == TABS)
            tabs.Init(WINDOW);
        else
            list.Init(WINDOW);
    }

    // Every widget into `batch`, in one order: a fresh batch draws them in the same.
    void Add_To(VR_Batches& batch)
    {
        batch.Add(frame);
        for (VR_Labels& w : labels)
            batch.Add(w);
        for (VR_Buttons& w : buttons)
            batch.Add(w);
        for (VR_Valuators& w : sliders)
            batch.Add(w);
        batch.Add(box);
        batch.Add(hue);
        batch.Add(tabs);
        batch.Add(list);
        if (late_added)
            batch.Add(late);
    }
};

void Panel_Make(Panel& p)
{
    Widget_Place(p.frame, "", 4, 4, 248, 248);
    p.frame.Depth = 4;
    for (int i = 0; i < LABELS; ++i)
        Widget_Place(p.labels[i], "Row", 8, 220 - 70 * i, 70, 24);
    for (int i = 0; i < BUTTONS; ++i)
        Widget_Place(p.buttons[i], "Press", 84, 220 - 70 * i, 64, 26);
    for (int i = 0; i < SLIDERS; ++i) {
        VR_Valuators& s = p.sliders[i];
        Widget_Place(s, "Gain", 152, 220 - 70 * i, 100, 26);
        s.Value_Max = 100.0f;
        s.Value = 25.0f * static_cast<float>(i + 1);
        s.Format = "%.1f";
    }
    Widget_Place(p.box, "Box", 8, 80, 100, 40);
    Widget_Place(p.hue, "Hue", 112, 16, 136, 104);
    p.hue.Color_Value = 0x3080C0;
    Widget_Place(p.tabs, "Tabs", 8, 124, 150, 24);
    Widget_Place(p.list, "List", 162, 124, 90, 24);
    p.tabs.Grow(3, 0);
    p.list.Grow(3, 0);
    static const char* const items[] = {"One", "Two", "Three"};
    for (int i = 0; i < 3; ++i)
        for (VR_Tools* t : {static_cast<VR_Tools*>(p.tabs.Item[i]), static_cast<VR_Tools*>(p.list.Item[i])}) {
            t->Name = items[i];
            t->Font_Name = "DejaVu Sans";
            t->Font_Size = 14;
        }
    for (int k = 0; k < Panel::COUNT; ++k)
        p.Init(k);
    Widget_Place(p.late, "Late", 60, 130, 90, 24);
    p.late.Init(WINDOW);
}

// What the host set on its batch, which a fresh batch is given too.
struct Settings {
    bool sharp = false;
    float outline_width = 0.0f;
    unsigned int outline_color = 0;
    void Apply(VR_Batches& batch) const
    {
        batch.Sharp_Text_Set(sharp);
        batch.Text_Outline_Set(outline_width, outline_color);
    }
};

// What the host draws with: a view of the 256-unit panel.
struct View {
    float dx = 0.0f;           // panned along x, in units
    float turn = 0.0f;         // degrees about the vertical axis through the panel's middle
    bool perspective = false;  // a 30-degree camera at the distance that shows the panel whole
    float near_by = 1.0f;      // the camera that many times nearer (perspective only)
};

void Draw_In(VR_Batches& batch, const View& v)
{
    const float half = fuzz::FRAME_W / 2.0f;
    // About the vertical line through the panel's middle, then panned.
    const float a = v.turn * 3.14159265f / 180.0f;
    const float c = std::cos(a), sn = std::sin(a);
    float model_view[16] = {c, 0, -sn, 0, 0, 1, 0, 0, sn, 0, c, 0, half - half * c + v.dx, 0, half * sn, 1};
    float projection[16] = {};
    if (v.perspective) {
        // The camera on the panel's middle, at the distance that shows it whole (`near_by` times
        // nearer): a translation after the turn.
        const float f = 1.0f / std::tan(15.0f * 3.14159265f / 180.0f);
        const float n = 10.0f, far = 5000.0f;
        projection[0] = f;
        projection[5] = f;
        projection[10] = (far + n) / (n - far);
        projection[11] = -1.0f;
        projection[14] = 2.0f * far * n / (n - far);
        model_view[12] -= half;
        model_view[13] -= half;
        model_view[14] -= half * f / v.near_by;
    } else {
        headless::Matrix_Pixels(fuzz::FRAME_W, fuzz::FRAME_H, projection);
    }
    const headless::Light& light = headless::Light_Values();
    batch.Draw(projection, model_view, light.direction, light.color, light.ambient);
}

std::vector<unsigned char> Frame_Of(VR_Batches& batch, const View& v)
{
    glClearColor(0.2f, 0.25f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Draw_In(batch, v);
    return Frame_Pixels(fuzz::FRAME_W, fuzz::FRAME_H);
}

// The batch's frame against a new batch's of the same widgets: a finding when they differ.
void Check(VR_Batches& batch, Panel& panel, const View& view, const Settings& settings, int action)
{
    const std::vector<unsigned char> kept = Frame_Of(batch, view);
    fuzz::Check_GL_State("the batch's Draw");
    std::vector<unsigned char> fresh_frame;
    {
        VR_Batches fresh;
        settings.Apply(fresh);
        panel.Add_To(fresh);
        if (fresh.Init() != 1)
            return;
        fresh_frame = Frame_Of(fresh, view);
    }
    // Seen straight at one unit a pixel every texel is read at its centre and the frames are equal
    // byte for byte. Turned or in perspective, a caption's texels are read between their centres,
    // and where the batch's atlas holds a caption at another place than a fresh one's (or the atlas
    // is another height) the filtering's weights differ in their last bits: a unit or two of a
    // channel, where a caption out of date differs by far more.
    const int slack = view.turn == 0.0f && !view.perspective ? 0 : 3;
    std::size_t first = kept.size();
    for (std::size_t b = 0; b < kept.size() && first == kept.size(); ++b)
        if (std::abs(static_cast<int>(kept[b]) - static_cast<int>(fresh_frame[b])) > slack)
            first = b;
    if (first == kept.size())
        return;
    const std::size_t pixel = first / 4;
    std::fprintf(stderr,
                 "fuzz: after action %d the batch's frame differs from a fresh batch's at pixel (%zu, %zu): "
                 "%u %u %u %u against %u %u %u %u (%s text, pan %.0f, turn %.0f, %s)\n",
                 action, pixel % fuzz::FRAME_W, pixel / fuzz::FRAME_W, kept[pixel * 4], kept[pixel * 4 + 1],
                 kept[pixel * 4 + 2], kept[pixel * 4 + 3], fresh_frame[pixel * 4], fresh_frame[pixel * 4 + 1],
                 fresh_frame[pixel * 4 + 2], fresh_frame[pixel * 4 + 3], settings.sharp ? "sharp" : "exact", view.dx,
                 view.turn, view.perspective ? "perspective" : "orthographic");
    std::abort();
}

// FUZZ_BATCH_TRACE set: each action on stderr, to follow a finding's input step by step.
bool Tracing()
{
    static const bool on = std::getenv("FUZZ_BATCH_TRACE") != nullptr;
    return on;
}

void Act(FuzzedDataProvider& in, Panel& panel, VR_Batches& batch, View& view, Settings& settings, int action)
{
    const int k = in.ConsumeIntegralInRange(0, Panel::COUNT - 1);
    VR_Tools& w = panel.Tool(k);
    VR_Valuators& slider = panel.sliders[in.ConsumeIntegralInRange(0, SLIDERS - 1)];
    const int op = in.ConsumeIntegralInRange(0, 10);
    if (Tracing())
        std::fprintf(stderr, "action %d: op %d on widget %d (slider %d)\n", action, op, k,
                     static_cast<int>(&slider - panel.sliders));
    switch (op) {
    case 0: {  // moved, and built again there (a widget's arrays follow its place from its Init)
        w.X = static_cast<short>(std::clamp(w.X + in.ConsumeIntegralInRange(-60, 60), -400, 700));
        w.Y = static_cast<short>(std::clamp(w.Y + in.ConsumeIntegralInRange(-60, 60), -400, 700));
        if (in.ConsumeBool())
            w.Z = static_cast<short>(in.ConsumeIntegralInRange(-8, 8));
        panel.Init(k);
        break;
    }
    case 1: {  // a new value, as a telemetry host gives it
        const float t = in.ConsumeFloatingPointInRange(-0.2f, 1.2f);
        slider.Value = slider.Value_Min + t * (slider.Value_Max - slider.Value_Min);
        slider.Adjust();
        break;
    }
    case 2: {  // the pointer over a widget, along a slider, or away
        const float x = static_cast<float>(w.X + in.ConsumeIntegralInRange(-5, w.Width + 5));
        const float y = static_cast<float>(w.Y + in.ConsumeIntegralInRange(-5, w.Height + 5));
        if (k >= Panel::FIRST_BUTTON && k < Panel::FIRST_SLIDER) {
            VR_Buttons& b = panel.buttons[k - Panel::FIRST_BUTTON];
            if (in.ConsumeBool())
                b.Select(0, x, y);
            else
                b.Deselect();
        } else if (k >= Panel::FIRST_SLIDER && k < Panel::BOX) {
            VR_Valuators& s = panel.sliders[k - Panel::FIRST_SLIDER];
            if (s.Select(0, x, y) && in.ConsumeBool()) {
                s.Is_Select(x + static_cast<float>(in.ConsumeIntegralInRange(-40, 40)));
                s.Value = s.Read();
                s.Adjust();
            } else if (in.ConsumeBool()) {
                s.Deselect();
            }
        } else if (k == Panel::BOX) {
            if (in.ConsumeBool())
                panel.box.Select(0, x, y);
            else
                panel.box.Deselect();
        } else if (k == Panel::TABS) {
            if (in.ConsumeBool())
                panel.tabs.Click(x, y);
            else
                panel.tabs.Deselect();
        } else if (k == Panel::LIST) {
            if (in.ConsumeBool())
                panel.list.Click(x, y);
            else
                panel.list.Deselect();
        } else if (k == Panel::HUE) {
            // The editor's hue dragged, as a host does it: the value read back and applied.
            VR_Hues& h = panel.hue;
            if (h.Select(0, x, y) && in.ConsumeBool()) {
                h.Is_Select(x + static_cast<float>(in.ConsumeIntegralInRange(-40, 40)));
                h.Color_Value = static_cast<unsigned int>(h.Read());
                h.Adjust();
            } else if (in.ConsumeBool()) {
                h.Deselect();
            }
        }
        break;
    }
    case 3: {  // a button pressed or let go; a hue editor's colour; the frame's depth; a tab or item shown
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 3:
            panel.tabs.Current = static_cast<short>(in.ConsumeIntegralInRange(-1, 3));
            panel.tabs.Adjust();
            break;
        case 4:
            panel.list.Current = static_cast<short>(in.ConsumeIntegralInRange(-1, 3));
            panel.list.Adjust();
            break;
        case 0: {
            VR_Buttons& b = panel.buttons[in.ConsumeIntegralInRange(0, BUTTONS - 1)];
            b.State = static_cast<short>(b.State ? 0 : 1);
            b.Adjust();
            break;
        }
        case 1:
            panel.hue.Color_Value = in.ConsumeIntegral<std::uint32_t>() & 0xFFFFFFu;
            panel.hue.Adjust();
            break;
        default:
            // None makes a slab without thickness, whose back lies in its front's plane.
            panel.frame.Depth = static_cast<short>(in.ConsumeIntegralInRange(0, 8));
            panel.frame.Init(WINDOW);
            break;
        }
        break;
    }
    case 4:  // hidden or shown
        w.Flags ^= VR_HIDDEN;
        break;
    case 5: {  // built again with another size, colour, caption, alignment or format
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            w.Width = static_cast<short>(in.ConsumeIntegralInRange(8, 220));
            w.Height = static_cast<short>(in.ConsumeIntegralInRange(8, 60));
            break;
        case 1:
            w.Color.Red = in.ConsumeIntegral<std::uint8_t>();
            w.Color.Green = in.ConsumeIntegral<std::uint8_t>();
            w.Color.Blue = in.ConsumeIntegral<std::uint8_t>();
            break;
        case 2:
            w.Name = CAPTIONS[in.ConsumeIntegralInRange<std::size_t>(0, sizeof CAPTIONS / sizeof *CAPTIONS - 1)];
            break;
        case 3: w.Flags ^= in.PickValueInArray({VR_TEXT_RIGHT, VR_TEXT_HCENTER, VR_TEXT_VCENTER, VR_FLAT}); break;
        default:
            slider.Format = FORMATS[in.ConsumeIntegralInRange<std::size_t>(0, sizeof FORMATS / sizeof *FORMATS - 1)];
            slider.Init(WINDOW);
            return;
        }
        panel.Init(k);
        break;
    }
    case 6:  // the text mode or its outline; every widget let go and added again; a widget added late
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            settings.sharp = in.ConsumeBool();
            batch.Sharp_Text_Set(settings.sharp);
            break;
        case 1:
            settings.outline_width = in.ConsumeBool() ? 0.0f : in.ConsumeFloatingPointInRange(0.0f, 3.0f);
            settings.outline_color = in.ConsumeIntegral<std::uint32_t>() & 0xFFFFFFu;
            batch.Text_Outline_Set(settings.outline_width, settings.outline_color);
            break;
        case 2:
            batch.Clear();
            panel.Add_To(batch);
            break;
        default:
            if (!panel.late_added) {
                panel.late_added = true;
                batch.Add(panel.late);
            }
            break;
        }
        break;
    case 7: {  // the view
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: view = View{}; break;
        case 1:
            view.dx = in.ConsumeBool() ? static_cast<float>(in.ConsumeIntegralInRange(-300, 300))
                                       : (in.ConsumeBool() ? 6000.0f : -6000.0f);
            break;
        case 2: view.turn = static_cast<float>(in.ConsumeIntegralInRange(-85, 85)); break;
        default:
            view.perspective = !view.perspective;
            view.near_by = in.ConsumeFloatingPointInRange(0.5f, 4.0f);
            break;
        }
        break;
    }
    case 8:
    case 9:  // a frame
        Draw_In(batch, view);
        fuzz::Check_GL_State("the batch's Draw");
        break;
    default: Check(batch, panel, view, settings, action); break;
    }
    if (Tracing())
        std::fprintf(stderr,
                     "  widget %d at (%d, %d, %d) %d x %d, flags 0x%x, \"%s\"; slider value %g; %s text, pan %g, "
                     "turn %g, %s\n",
                     k, w.X, w.Y, w.Z, w.Width, w.Height, w.Flags, w.Name ? w.Name : "", slider.Value,
                     settings.sharp ? "sharp" : "exact", view.dx, view.turn,
                     view.perspective ? "perspective" : "orthographic");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Context_Once();
    Error_Handler_Set(&fuzz::Quiet_Handler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    Panel panel;
    Panel_Make(panel);
    Settings settings;
    settings.sharp = in.ConsumeBool();
    View view;
    {
        VR_Batches batch;
        settings.Apply(batch);
        panel.Add_To(batch);
        if (batch.Init() != 1)
            std::abort();
        int action = 0;
        for (; action < MAX_ACTIONS && in.remaining_bytes() > 0; ++action)
            Act(in, panel, batch, view, settings, action);
        Check(batch, panel, view, settings, action);
    }
    fuzz::Check_GL_State("the batch's end");
    return 0;
}
