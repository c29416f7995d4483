// Gallery scene: colour editors in the RGB and HLS models and a hue editor, wired as a host drives them.
#include <vrtools/color.h>
#include "gallery.h"
#include <vrtools/hue.h>

namespace {

class Colors_Scene : public Scene {
public:
    const char* Title() const override { return "Colour editors"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        // Top to bottom: RGB editor, HLS editor, hue editor. A click on a swatch switches its model.
        Place(rgb, x, y + h - 100, w, 100, 0x3C8CF0);
        Place(hls, x, y + h - 205, w, 95, 0xC06030);
        hls.Flags = VR_COLOR_HLS;
        Place(hue, x, y + h - 255, w, 40, 0x40C040);
        rgb.Init(window);
        hls.Init(window);
        hue.Init(window);
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        shown.Add(rgb);
        shown.Add(hls);
        shown.Add(hue);
    }

    // A drag moves a slider and the swatch follows; a click on a swatch switches its model.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        input.Add(rgb);
        input.Add(hls);
        input.Add(hue);
    }

private:
    template <class Editor>
    static void Place(Editor& e, int x, int y, int w, int h, unsigned int colour)
    {
        e.X = static_cast<short>(x);
        e.Y = static_cast<short>(y);
        e.Width = static_cast<short>(w);
        e.Height = static_cast<short>(h);
        e.Bevel = 3;
        e.Font_Name = GALLERY_FONT;
        e.Font_Size = GALLERY_FONT_SIZE;
        e.Color_Value = colour;
    }

    VR_Colors rgb;
    VR_Colors hls;
    VR_Hues hue;
};

}  // namespace

GALLERY_SCENE(Colors_Scene, 110);
