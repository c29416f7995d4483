// Gallery scene: selection lists of captioned boxes and of pictures, flat and vertical, stepped by
// their arrows and by the wheel.
#include <array>

#include "gallery.h"
#include <vrtools/label.h>
#include <vrtools/select.h>

namespace {

class Lists_Scene : public Scene {
public:
    const char* Title() const override { return "Selection lists"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        // Captioned colour boxes; the second item is inactive, so the wheel passes over it.
        static const char* const names[] = {"Red", "Green (skipped by the wheel)", "Blue", "Amber", "Violet"};
        static const unsigned int colours[] = {0x9090F0, 0x90E090, 0xF0B080, 0x80D0F8, 0xE0A0D0};
        VR_Selects& words = lists[0];
        Place(words, x, y + h - 50, 300, 44, 2, 0);
        words.Grow(5, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
        for (int i = 0; i < 5; ++i) {
            words.Item[i]->Name = names[i];
            words.Item[i]->Color_Set(colours[i]);
        }
        words.Item[1]->Flags |= VR_INACTIVE;
        words.Current = 2;
        Fonts(words);
        words.Init(window);

        // Pictures: a square item between two arrows as high as the list.
        static const char* const icons[] = {"list_sun.tga", "list_leaf.tga", "list_drop.tga", "list_star.tga"};
        VR_Selects& pictures = lists[1];
        Place(pictures, x, y + h - 140, 206, 70, 3, 0);
        pictures.Grow(4, 0);
        for (int i = 0; i < 4; ++i) {
            pictures.Item[i]->Color_Set(0x404040u);
            pictures.Item[i]->Icon(icons[i]);
        }
        pictures.Current = 1;
        pictures.Init(window);
        // The pointer resting on the forward arrow lights it.
        pictures.Select(0, static_cast<float>(x + 190), static_cast<float>(y + h - 105));

        // The same words in the flat look.
        VR_Selects& flat = lists[2];
        Place(flat, x, y + 40, 300, 44, 2, VR_FLAT);
        flat.Grow(5, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
        for (int i = 0; i < 5; ++i) {
            flat.Item[i]->Name = names[i];
            flat.Item[i]->Color_Set(colours[i]);
        }
        Fonts(flat);
        flat.Init(window);

        // Vertical: the arrows above and below a narrow column.
        VR_Selects& column = lists[3];
        Place(column, x + w - 60, y, 56, h - 10, 2, VR_SELECT_VERTICAL);
        static const char* const digits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
        column.Grow(9, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
        for (int i = 0; i < 9; ++i)
            column.Item[i]->Name = digits[i];
        column.Current = 6;
        Fonts(column);
        column.Init(window);

        help.Name = "Click the arrows or turn the wheel over a list";
        help.X = static_cast<short>(x);
        help.Y = static_cast<short>(y);
        help.Width = static_cast<short>(w - 80);
        help.Height = 30;
        help.Font_Name = GALLERY_FONT;
        help.Font_Size = 12;
        help.Color_Set(0xB0B0B0u);
        help.Init(window);
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Selects& l : lists)
            shown.Add(l);
        shown.Add(help);
    }

    // A click on an arrow steps a list, the wheel turns it.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Selects& l : lists)
            input.Add(l);
    }

private:
    // The list hands its items only their place and bevel: their fonts are the host's to set.
    static void Fonts(VR_Selects& l)
    {
        for (VR_Boxs** p = l.Item; p && *p; ++p) {
            (*p)->Font_Name = GALLERY_FONT;
            (*p)->Font_Size = GALLERY_FONT_SIZE;
        }
    }

    static void Place(VR_Selects& l, int x, int y, int w, int h, int bevel, unsigned int flags)
    {
        l.X = static_cast<short>(x);
        l.Y = static_cast<short>(y);
        l.Width = static_cast<short>(w);
        l.Height = static_cast<short>(h);
        l.Bevel = static_cast<short>(bevel);
        l.Flags = flags;
    }

    std::array<VR_Selects, 4> lists;
    VR_Labels help;
};

}  // namespace

GALLERY_SCENE(Lists_Scene, 80);
