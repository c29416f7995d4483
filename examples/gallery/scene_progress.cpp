// Gallery scene: progress bars; the stripes move one step every frame.
#include <array>

#include "gallery.h"
#include <vrtools/label.h>
#include <vrtools/progress.h>

namespace {

class Progress_Scene : public Scene {
public:
    const char* Title() const override { return "Progress bars"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Sample {
            const char* caption;
            unsigned int flags;
            short bevel;
            short height;
        };
        const std::array<Sample, 4> samples = {{
            {"Running", 0, 3, 36},
            {"Tall, bevel 6", 0, 6, 60},
            {"Floor left out (0x10)", 0x10, 3, 30},
            {"Flat: rim only, stands still", VR_FLAT, 3, 30},
        }};
        int top = y + h;
        for (size_t i = 0; i < samples.size(); ++i) {
            VR_Labels& l = captions[i];
            l.Name = samples[i].caption;
            l.X = static_cast<short>(x + 5);
            l.Y = static_cast<short>(top - 22);
            l.Width = static_cast<short>(w - 10);
            l.Height = 22;
            l.Font_Name = GALLERY_FONT;
            l.Font_Size = 12;
            l.Color_Set(0xD0D0D0u);
            l.Init(window);

            VR_Progress& p = bars[i];
            p.Flags = samples[i].flags;
            p.X = static_cast<short>(x + 5);
            p.Y = static_cast<short>(top - 24 - samples[i].height);
            p.Width = static_cast<short>(w - 10);
            p.Height = samples[i].height;
            p.Bevel = samples[i].bevel;
            p.Init(window);
            top = p.Y - 6;
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Labels& l : captions)
            shown.Add(l);
        for (VR_Progress& p : bars)
            shown.Add(p);
    }

private:
    std::array<VR_Labels, 4> captions;
    std::array<VR_Progress, 4> bars;
};

}  // namespace

GALLERY_SCENE(Progress_Scene, 50);
