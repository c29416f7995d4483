// Gallery scene: labels in every caption placement, colours and a missing font.
#include <array>

#include "gallery.h"
#include <vrtools/label.h>

namespace {

class Labels_Scene : public Scene {
public:
    const char* Title() const override { return "Labels"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Spec {
            const char* name;
            unsigned int flags;
            unsigned int colour;
        };
        // Top-left, centred, bottom-right placements in one frame each, then colours and a fallback font.
        const std::array<Spec, 6> specs = {{
            {"Top left (default)", 0, 0},
            {"Centred", VR_TEXT_HCENTER | VR_TEXT_VCENTER, 0x80FFFF},
            {"Bottom right", VR_TEXT_RIGHT | VR_TEXT_BOTTOM, 0xFFC080},
            {"Coloured 100%% sure", 0, 0x60D060},
            {"Unknown font falls back", 0, 0xC0C0FF},
            {"Hidden label", VR_HIDDEN, 0},
        }};
        const int cell_h = h / 3;
        for (size_t i = 0; i < specs.size(); ++i) {
            VR_Labels& l = labels[i];
            l.Name = specs[i].name;
            l.Flags = specs[i].flags;
            l.X = static_cast<short>(x + (i % 2) * (w / 2));
            l.Y = static_cast<short>(y + h - static_cast<int>(i / 2 + 1) * cell_h);
            l.Width = static_cast<short>(w / 2 - 10);
            l.Height = static_cast<short>(cell_h - 10);
            l.Bevel = 4;
            l.Font_Name = i == 4 ? "No Such Font Family" : GALLERY_FONT;
            l.Font_Size = GALLERY_FONT_SIZE;
            if (specs[i].colour)
                l.Color_Set(specs[i].colour);
            l.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Labels& l : labels)
            shown.Add(l);
    }

private:
    std::array<VR_Labels, 6> labels;
};

}  // namespace

GALLERY_SCENE(Labels_Scene, 10);
