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

    void Draw() override
    {
        rgb.Draw();
        hls.Draw();
        hue.Draw();
    }

    // Dragging: the slider follows the pointer and the host stores what Read returns, so the swatch follows.
    void Pointer(int buttons, float x, float y) override
    {
        Follow(rgb, buttons, x, y);
        Follow(hls, buttons, x, y);
        Follow(hue, buttons, x, y);
    }

    void Press(float x, float y) override
    {
        Click(rgb, x, y);
        Click(hls, x, y);
        Click(hue, x, y);
    }

    void Wheel(float x, float y, float amount) override
    {
        Turn(rgb, x, y, amount);
        Turn(hls, x, y, amount);
        Turn(hue, x, y, amount);
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

    template <class Editor>
    static void Store(Editor& e, unsigned long colour)
    {
        e.Color_Value = static_cast<unsigned int>(colour);
        e.Adjust();
    }

    template <class Editor>
    static void Follow(Editor& e, int buttons, float x, float y)
    {
        if ((buttons & 1) && e.Hit) {
            e.Is_Select(x);
            Store(e, e.Read());
            return;
        }
        e.Select(0, x, y);
    }

    template <class Editor>
    static void Click(Editor& e, float x, float y)
    {
        if (e.Select(1, x, y))
            Store(e, e.Read());
    }

    template <class Editor>
    static void Turn(Editor& e, float x, float y, float amount)
    {
        if (e.Select(0, x, y))
            Store(e, e.Scroll(amount));
    }

    VR_Colors rgb;
    VR_Colors hls;
    VR_Hues hue;
};

}  // namespace

GALLERY_SCENE(Colors_Scene, 110);
