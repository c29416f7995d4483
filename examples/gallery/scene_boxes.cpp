// Gallery scene: boxes with their caption placements, pictures from a PNG and a TGA, flat and unlit floors.
#include <array>

#include <vrtools/box.h>
#include "gallery.h"

namespace {

class Boxes_Scene : public Scene {
public:
    const char* Title() const override { return "Boxes"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Sample {
            const char* name;
            unsigned int flags;
            unsigned int colour;
            const char* icon;  // found in Icons/ next to the program
        };
        const std::array<Sample, 8> samples = {{
            {"Top left", 0, 0, nullptr},
            {"Centred", VR_TEXT_HCENTER | VR_TEXT_VCENTER, 0xE0C090, nullptr},
            {"Bottom right", VR_TEXT_RIGHT | VR_TEXT_BOTTOM, 0x90C0E0, nullptr},
            {"PNG", VR_TEXT_BOTTOM, 0, "sun.png"},
            {"TGA", VR_TEXT_BOTTOM, 0, "diamond.tga"},
            {"Flat", VR_FLAT, 0, nullptr},
            {"Unlit floor", VR_BOX_FLOOR_UNLIT, 0x80D080, nullptr},
            {"Floor apart", VR_BOX_FLOOR_APART, 0x80D080, nullptr},
        }};
        const int columns = 4;
        const int cell_w = w / columns, cell_h = h / 2;
        for (size_t i = 0; i < samples.size(); ++i) {
            VR_Boxs& b = boxes[i];
            b.Name = samples[i].name;
            b.Flags = samples[i].flags;
            b.X = static_cast<short>(x + static_cast<int>(i % columns) * cell_w + 5);
            b.Y = static_cast<short>(y + h - static_cast<int>(i / columns + 1) * cell_h + 5);
            b.Width = static_cast<short>(cell_w - 10);
            b.Height = static_cast<short>(cell_h - 10);
            b.Bevel = 4;
            b.Font_Name = GALLERY_FONT;
            b.Font_Size = GALLERY_FONT_SIZE;
            if (samples[i].colour)
                b.Color_Set(samples[i].colour);
            if (samples[i].icon)
                b.Icon(samples[i].icon);  // a missing file is no error here: the box shows no picture
            b.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Boxs& b : boxes)
            shown.Add(b);
    }

    // Hover lights the floor; leaving a box puts its colour back.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Boxs& b : boxes)
            input.Add(b);
    }

private:
    std::array<VR_Boxs, 8> boxes;
};

}  // namespace

GALLERY_SCENE(Boxes_Scene, 30);
