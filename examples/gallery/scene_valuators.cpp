// Gallery scene: sliders on a linear and a logarithmic scale with read-outs, a picture in the groove, a flat one.
#include <array>
#include <cmath>
#include <cstdlib>

#include "gallery.h"
#include <vrtools/setup.h>
#include <vrtools/valuator.h>

namespace {

class Valuators_Scene : public Scene {
public:
    const char* Title() const override { return "Valuators"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Spec {
            const char* name;
            unsigned int flags;
            float lo, hi, value;
            const char* format;
            unsigned int colour;
        };
        const std::array<Spec, 4> specs = {{
            {"Linear 0 .. 10", 0, 0.0f, 10.0f, 6.5f, "%.2f", 0},
            {"Log 1 .. 1000 Hz", VR_VALUATOR_LOG10, 1.0f, 1000.0f, 10.0f, "%.1f Hz", 0xE0C8A0},
            {"Picture in the groove", VR_VALUATOR_WRAP, 0.0f, 360.0f, 120.0f, "%.0f deg", 0},
            {"Flat look", VR_FLAT | VR_TEXT_RIGHT, 0.0f, 100.0f, 30.0f, "%.0f%%", 0},
        }};
        panel = {x - 6, y - 6, x + w + 6, y + h + 4};
        // Each row: the slider, and below it the 10 units of its read-out.
        const int row = h / static_cast<int>(specs.size());
        for (size_t i = 0; i < specs.size(); ++i) {
            VR_Valuators& v = sliders[i];
            v.Name = specs[i].name;
            v.Flags = specs[i].flags | VR_TEXT_VCENTER;
            v.X = static_cast<short>(x);
            v.Y = static_cast<short>(y + h - static_cast<int>(i + 1) * row + 14);
            v.Width = static_cast<short>(w);
            v.Height = static_cast<short>(row - 20);
            v.Bevel = 4;
            v.Value_Min = specs[i].lo;
            v.Value_Max = specs[i].hi;
            v.Value = specs[i].value;
            v.Format = specs[i].format;
            v.Font_Name = GALLERY_FONT;
            v.Font_Size = GALLERY_FONT_SIZE;
            if (specs[i].colour)
                v.Color_Set(specs[i].colour);
            if (i == 2)
                v.Image = Ramp(v.Width, v.Height);
            v.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        // The read-outs are black text under the sliders: a light panel behind them keeps them legible.
        shown.Backdrop(panel[0], panel[1], panel[2], panel[3], Packed_Color(170, 174, 180));
        for (VR_Valuators& v : sliders)
            shown.Add(v);
    }

    // Hover lights the groove; a press starts a drag that the slider keeps until the release.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Valuators& v : sliders)
            input.Add(v);
    }

private:
    // A hue ramp of w x h RGBA pixels, owned by the slider once handed over.
    static unsigned char* Ramp(int w, int h)
    {
        auto* p = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * h * 4));
        if (!p)
            return nullptr;
        for (int col = 0; col < w; ++col) {
            const float hue = 6.0f * static_cast<float>(col) / static_cast<float>(w);
            const float f = hue - std::floor(hue);
            float rgb[3];
            switch (static_cast<int>(hue) % 6) {
            case 0: rgb[0] = 1, rgb[1] = f, rgb[2] = 0; break;
            case 1: rgb[0] = 1 - f, rgb[1] = 1, rgb[2] = 0; break;
            case 2: rgb[0] = 0, rgb[1] = 1, rgb[2] = f; break;
            case 3: rgb[0] = 0, rgb[1] = 1 - f, rgb[2] = 1; break;
            case 4: rgb[0] = f, rgb[1] = 0, rgb[2] = 1; break;
            default: rgb[0] = 1, rgb[1] = 0, rgb[2] = 1 - f; break;
            }
            for (int r = 0; r < h; ++r) {
                unsigned char* px = p + (static_cast<size_t>(r) * w + col) * 4;
                for (int c = 0; c < 3; ++c)
                    px[c] = static_cast<unsigned char>(rgb[c] * 230.0f);
                px[3] = 255;
            }
        }
        return p;
    }

    std::array<VR_Valuators, 4> sliders;
    std::array<int, 4> panel = {};  // x0, y0, x1, y1 of the backdrop
};

}  // namespace

GALLERY_SCENE(Valuators_Scene, 60);
