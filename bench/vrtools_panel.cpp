// The panel of vrtools widgets: what a host does to build it, drive the pointer and draw it.
#include "vrtools_panel.h"

#include <chrono>

#include "headless.h"

namespace bench {

namespace {

// Any non-null handle: the host libraries need a window only to be named.
HWND const WINDOW = reinterpret_cast<HWND>(0x1);

void Place(VR_Tools& w, const Box& b, const std::string& name)
{
    w.Name = name.c_str();
    w.X = static_cast<short>(b.x);
    w.Y = static_cast<short>(b.y);
    w.Width = static_cast<short>(b.w);
    w.Height = static_cast<short>(b.h);
    w.Bevel = BEVEL;
    w.Font_Name = FONT_NAME;
    w.Font_Size = FONT_SIZE;
}

class Vrtools final : public Panel {
public:
    Vrtools(bool batched, bool sharp)
    {
        panel_.batched = batched;
        panel_.sharp = sharp;
    }
    const char* Name() const override { return !panel_.batched ? "vrtools" : panel_.sharp ? "sharp" : "batch"; }
    void Setup(const std::vector<Row>& rows) override { panel_.Setup(rows); }
    void Build(Scenario s) override
    {
        panel_.Init();
        if (s != Scenario::INIT)
            panel_.Prepare(s);
    }
    void Frame(Scenario s, int step) override { panel_.Frame(s, step); }
    void Destroy() override { panel_.Release(); }
    double Batch_Init_Us() const override { return panel_.batch_init_us; }

private:
    Vrtools_Panel panel_;
};

}  // namespace

void Vrtools_Panel::Setup(const std::vector<Row>& layout)
{
    rows = &layout;
    hover_path = Hover_Targets(layout);
    drag_path = layout.empty() ? std::vector<float>{} : Drag_Path(layout[0]);
}

void Vrtools_Panel::Init()
{
    Release();
    count = static_cast<int>(rows->size());
    labels.reset(new VR_Labels[static_cast<size_t>(count)]);
    buttons.reset(new VR_Buttons[static_cast<size_t>(count)]);
    sliders.reset(new VR_Valuators[static_cast<size_t>(count)]);
    batch_init_us = -1.0;
    if (batched) {
        batch = std::make_unique<VR_Batches>();
        batch->Sharp_Text_Set(sharp);
    }
    // Each widget goes into the batch as soon as its Init is done: the batch lets go of the GL
    // objects and bitmaps only its own Draw would read, so they are never all held at once.
    const auto made = [&](auto& w) {
        w.Init(WINDOW);
        if (batch)
            batch->Add(w);
    };
    for (int i = 0; i < count; ++i) {
        const Row& r = (*rows)[static_cast<size_t>(i)];
        Place(labels[i], r.label, r.label_text);
        made(labels[i]);
        Place(buttons[i], r.button, r.button_text);
        made(buttons[i]);
        VR_Valuators& s = sliders[i];
        Place(s, r.slider, r.slider_text);
        s.Value_Min = VALUE_MIN;
        s.Value_Max = VALUE_MAX;
        s.Value = r.value;
        s.Format = READOUT_FORMAT;
        made(s);
    }
    if (!batch)
        return;
    const auto start = std::chrono::steady_clock::now();
    batch->Init();
    batch_init_us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void Vrtools_Panel::Prepare(Scenario s)
{
    // Two frames: the first rasterises every read-out, the second is already steady.
    Draw_All();
    Draw_All();
    if (s == Scenario::DRAG && count > 0) {
        // The pointer goes down on the first slider, left of the path's start.
        const Box& b = (*rows)[0].slider;
        sliders[0].Select(1, static_cast<float>(b.x + BEVEL + 4), b.Centre_Y());
    }
}

void Vrtools_Panel::Frame(Scenario s, int step)
{
    if (s == Scenario::HOVER && !hover_path.empty()) {
        const size_t n = hover_path.size();
        const size_t k = static_cast<size_t>(step) % n;
        const float x = hover_path[k].Centre_X(), y = hover_path[k].Centre_Y();
        // The host hit-tests every interactive widget, and tells the one the pointer left.
        for (int i = 0; i < count; ++i) {
            buttons[i].Select(0, x, y);
            sliders[i].Select(0, x, y);
        }
        if (step > 0) {
            const int left = static_cast<int>((k + n - 1) % n);
            if (Hover_Is_Button(left))
                buttons[Hover_Row(left)].Deselect();
            else
                sliders[Hover_Row(left)].Deselect();
        }
    } else if (s == Scenario::DRAG && !drag_path.empty()) {
        VR_Valuators& v = sliders[0];
        v.Is_Select(drag_path[static_cast<size_t>(step) % drag_path.size()]);
        v.Value = v.Read();
        v.Adjust();
    } else if (s == Scenario::LIVE) {
        // The host's telemetry: new values written and applied, as a host does it.
        for (int i = 0; i < count; ++i) {
            if (!(*rows)[static_cast<size_t>(i)].live)
                continue;
            sliders[i].Value = Live_Value(i, step);
            sliders[i].Adjust();
        }
    }
    Draw_All();
}

void Vrtools_Panel::Draw_All()
{
    if (batch) {
        if (headless::Context_Profile() == headless::Profile::COMPAT) {
            // The fixed-function matrices and GL_LIGHT0 of Frame_Begin, as the widgets see them.
            batch->Draw();
            return;
        }
        float projection[16];
        static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        headless::Matrix_Pixels(SURFACE_W, SURFACE_H, projection);
        const headless::Light& light = headless::Light_Values();
        batch->Draw(projection, identity, light.direction, light.color, light.ambient);
        return;
    }
    for (int i = 0; i < count; ++i) {
        labels[i].Draw();
        buttons[i].Draw();
        sliders[i].Draw();
    }
}

void Vrtools_Panel::Release()
{
    // The batch goes first: it refers to the widgets.
    batch.reset();
    labels.reset();
    buttons.reset();
    sliders.reset();
    count = 0;
}

std::unique_ptr<Panel> Make_Vrtools()
{
    return std::make_unique<Vrtools>(false, false);
}

std::unique_ptr<Panel> Make_Batch()
{
    return std::make_unique<Vrtools>(true, false);
}

std::unique_ptr<Panel> Make_Sharp()
{
    return std::make_unique<Vrtools>(true, true);
}

}  // namespace bench
