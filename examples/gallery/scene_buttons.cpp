// Gallery scene: buttons up and pressed, with the lamp lit and unlit, flat; a click toggles a button.
#include <array>

#include <vrtools/button.h>
#include "gallery.h"

namespace {

class Buttons_Scene : public Scene {
public:
    const char* Title() const override { return "Buttons"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Sample {
            const char* name;
            unsigned int flags;
            short state;
            short lamp;
        };
        const std::array<Sample, 6> samples = {{
            {"Up", 0, 0, 0},
            {"Pressed", 0, 1, 0},
            {"Lamp lit", VR_BUTTON_LAMP, 1, 1},
            {"Lamp unlit", VR_BUTTON_LAMP, 0, 0},
            {"Flat", VR_FLAT, 0, 0},
            {"Centred, bevel 3", VR_TEXT_HCENTER | VR_TEXT_VCENTER, 0, 0},
        }};
        const int row_h = h / 3;
        for (size_t i = 0; i < samples.size(); ++i) {
            VR_Buttons& b = buttons[i];
            b.Name = samples[i].name;
            b.Flags = samples[i].flags;
            b.State = samples[i].state;
            b.Lamp = samples[i].lamp;
            b.X = static_cast<short>(x + 10 + (i % 2) * (w / 2));
            b.Y = static_cast<short>(y + h - static_cast<int>(i / 2 + 1) * row_h + 15);
            b.Width = static_cast<short>(w / 2 - 30);
            b.Height = static_cast<short>(row_h - 30);
            b.Bevel = i == 5 ? 3 : 2;
            b.Font_Name = GALLERY_FONT;
            b.Font_Size = GALLERY_FONT_SIZE;
            if (i == 5)
                b.Color_Set(0xB0E0B0u);
            b.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Buttons& b : buttons)
            shown.Add(b);
    }

    // Hover lights the face (and the walls of a raised button); a click toggles the button.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Buttons& b : buttons)
            input.Add(b);
    }

    // The host decides what a click means beyond the toggle: the lamp follows the button.
    void Changed(const VR_Changes& change) override
    {
        auto* b = static_cast<VR_Buttons*>(change.Widget);
        if (b->Flags & VR_BUTTON_LAMP)
            b->Lamp = b->State;
    }

private:
    std::array<VR_Buttons, 6> buttons;
};

}  // namespace

GALLERY_SCENE(Buttons_Scene, 20);
