// Gallery scene: frames as panels behind groups of widgets.
#include <array>

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/frame.h>
#include "gallery.h"
#include <vrtools/label.h>

namespace {

class Frames_Scene : public Scene {
public:
    const char* Title() const override { return "Frames"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        // Left: a default panel (rim grey turns to the default grey) holding a titled group; the
        // title sits in the band above the panel that the frame's Select still accepts.
        const int panel_w = w / 2 - 15;
        const int panel_h = h - 50;
        panels[0].X = static_cast<short>(x + 5);
        panels[0].Y = static_cast<short>(y + 5);
        panels[0].Width = static_cast<short>(panel_w);
        panels[0].Height = static_cast<short>(panel_h);
        panels[0].Depth = 10;
        panels[0].Color_Set(0x6E6E6Eu);
        // Right: a coloured, thinner panel.
        panels[1] = panels[0];
        panels[1].X = static_cast<short>(x + w / 2 + 10);
        panels[1].Depth = 4;
        panels[1].Color_Set(140, 90, 50);
        for (VR_Frames& f : panels)
            f.Init(window);

        for (int i = 0; i < 2; ++i) {
            const VR_Frames& f = panels[i];
            VR_Labels& t = titles[i];
            t.Name = i == 0 ? "Group on a grey panel" : "Group on a brown panel";
            t.X = f.X;
            t.Y = static_cast<short>(f.Y + f.Height + 4);
            t.Width = f.Width;
            t.Height = 26;
            t.Font_Name = GALLERY_FONT;
            t.Font_Size = GALLERY_FONT_SIZE;
            t.Init(window);

            VR_Buttons& b = buttons[i];
            b.Name = "Apply";
            b.X = static_cast<short>(f.X + 15);
            b.Y = static_cast<short>(f.Y + 15);
            b.Width = static_cast<short>(f.Width - 30);
            b.Height = 40;
            b.Bevel = 2;
            b.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER;
            b.Font_Name = GALLERY_FONT;
            b.Font_Size = GALLERY_FONT_SIZE;
            b.Init(window);

            VR_Boxs& x_box = boxes[i];
            x_box.Name = "Option";
            x_box.X = b.X;
            x_box.Y = static_cast<short>(b.Y + b.Height + 15);
            x_box.Width = b.Width;
            x_box.Height = static_cast<short>(f.Height - 40 - 45 - 15);
            x_box.Bevel = 3;
            x_box.Font_Name = GALLERY_FONT;
            x_box.Font_Size = GALLERY_FONT_SIZE;
            x_box.Color_Set(0xE0C090u);
            x_box.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        // Panels last: their front face lies at z 0, behind everything standing on it.
        for (VR_Labels& t : titles)
            shown.Add(t);
        for (VR_Buttons& b : buttons)
            shown.Add(b);
        for (VR_Boxs& b : boxes)
            shown.Add(b);
        for (VR_Frames& f : panels)
            shown.Add(f);
    }

    // A click toggles a button; the boxes light under the pointer.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Buttons& b : buttons)
            input.Add(b);
        for (VR_Boxs& b : boxes)
            input.Add(b);
    }

private:
    std::array<VR_Frames, 2> panels;
    std::array<VR_Labels, 2> titles;
    std::array<VR_Buttons, 2> buttons;
    std::array<VR_Boxs, 2> boxes;
};

}  // namespace

GALLERY_SCENE(Frames_Scene, 40);
