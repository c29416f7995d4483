// Gallery scene: tab bars that switch on a click, in the 3-D and the flat look, with a page under each.
#include <array>
#include <cstdio>

#include "gallery.h"
#include <vrtools/label.h>
#include <vrtools/tabs.h>

namespace {

constexpr int PAGES = 4;

class Tabs_Scene : public Scene {
public:
    const char* Title() const override { return "Tab bars"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        static const char* const names[PAGES] = {"General", "Display", "Sound", "About"};
        static const unsigned int colours[PAGES] = {0, 0xD0E8F0, 0xD8F0D0, 0xF0D8D8};
        this->window = window;
        const int row = h / 2;
        for (int b = 0; b < 2; ++b) {
            VR_Tabs& bar = bars[b];
            bar.X = static_cast<short>(x);
            bar.Y = static_cast<short>(y + h - (b + 1) * row + row - 44);
            bar.Width = static_cast<short>(w);
            bar.Height = 36;
            bar.Bevel = 3;
            bar.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER | (b == 1 ? VR_FLAT : 0u);
            bar.Font_Name = GALLERY_FONT;
            bar.Font_Size = GALLERY_FONT_SIZE;
            bar.Grow(PAGES, 0);
            for (int i = 0; i < PAGES; ++i) {
                bar.Item[i]->Name = names[i];
                // The first bar's tabs have colours of their own; the others take the bar's.
                if (b == 0 && colours[i])
                    bar.Item[i]->Color_Set(colours[i]);
            }
            bar.Current = static_cast<short>(b == 0 ? 1 : 2);
            bar.Init(window);

            VR_Labels& page = pages[b];
            page.X = bar.X;
            page.Y = static_cast<short>(bar.Y - 60);
            page.Width = bar.Width;
            page.Height = 54;
            page.Bevel = 8;
            page.Font_Name = GALLERY_FONT;
            page.Font_Size = GALLERY_FONT_SIZE;
            page.Color_Set(0xE0E0E0u);
            Page_Show(b);
        }
        // The pointer resting on the first bar's last tab lights its front.
        bars[0].Select(0, static_cast<float>(x + w - 40), static_cast<float>(bars[0].Y + 18));
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (int b = 0; b < 2; ++b) {
            shown.Add(bars[b]);
            shown.Add(pages[b]);
        }
    }

    // A click on a tab (or the wheel over one) makes it Current; the next Draw shows it.
    void Widgets_Add(VR_Dispatchers& input) override
    {
        for (VR_Tabs& bar : bars)
            input.Add(bar);
    }

    // The page under a bar follows its Current.
    void Changed(const VR_Changes& change) override
    {
        for (int b = 0; b < 2; ++b)
            if (change.Widget == &bars[b])
                Page_Show(b);
    }

private:
    void Page_Show(int b)
    {
        const VR_Tabs& bar = bars[b];
        const VR_TabItems* tab = bar.Current >= 0 && bar.Current < bar.Item_Count ? bar.Item[bar.Current] : nullptr;
        std::snprintf(text[b], sizeof text[b], "Page %d of %d: %s", bar.Current + 1, PAGES, tab ? tab->Name : "none");
        pages[b].Name = text[b];
        pages[b].Init(window);
    }

    std::array<VR_Tabs, 2> bars;
    std::array<VR_Labels, 2> pages;
    char text[2][64] = {};
    HWND window = nullptr;
};

}  // namespace

GALLERY_SCENE(Tabs_Scene, 90);
